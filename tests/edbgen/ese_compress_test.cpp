// The writer's compressors, decoded by a plain reading of the formats written here and by
// the product's own decoders.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "edbgen/ese_compress.hpp"
#include "scan/ese/compressed_value.hpp"
#include "scan/ese/seven_bit.hpp"
#include "scan/ese/xpress.hpp"

namespace {

using edbgen::ese::Bytes;
using edbgen::ese::TextWidth;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes utf16_of(const std::string& s) {
  Bytes out;
  for (char c : s) {
    out.push_back(uint8_t(c));
    out.push_back(0);
  }
  return out;
}

// 7-bit: count from the header's used-bits field, fields packed from the low bit up.
Bytes unpack_7bit(const Bytes& v) {
  const size_t count = ((v.size() - 2) * 8 + (v[0] & 7) + 1) / 7;
  const bool wide = (v[0] >> 3) == 2;
  Bytes out;
  for (size_t i = 0; i < count; ++i) {
    size_t bit = i * 7;
    uint32_t w = v[1 + bit / 8] | (1 + bit / 8 + 1 < v.size() ? v[2 + bit / 8] << 8 : 0);
    out.push_back(uint8_t((w >> (bit % 8)) & 0x7F));
    if (wide) out.push_back(0);
  }
  return out;
}

// MS-XCA plain LZ77 decoding; also reports whether the last flag word's unused bits are 1.
Bytes unpack_lz77(const Bytes& in, size_t start, bool& end_marker_ok) {
  Bytes out;
  size_t pos = start, nibble_pos = 0;
  uint32_t flags = 0;
  int left = 0;
  end_marker_ok = false;
  for (;;) {
    if (left == 0) {
      if (pos + 4 > in.size()) break;
      flags = uint32_t(in[pos]) | uint32_t(in[pos + 1]) << 8 | uint32_t(in[pos + 2]) << 16 |
              uint32_t(in[pos + 3]) << 24;
      pos += 4;
      left = 32;
    }
    if (pos >= in.size()) {
      // Past the data: every remaining flag bit must be 1.
      // Flags were shifted left as they were used, so the unused bits are the top `left`.
      const uint32_t unused = left == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> left);
      end_marker_ok = (flags & unused) == unused;
      break;
    }
    const bool match = flags >> 31;
    flags <<= 1;
    --left;
    if (!match) {
      out.push_back(in[pos++]);
      continue;
    }
    uint16_t token = uint16_t(in[pos] | in[pos + 1] << 8);
    pos += 2;
    size_t distance = (token >> 3) + 1;
    size_t length = token & 7;
    if (length == 7) {
      size_t n;
      if (nibble_pos == 0) {
        nibble_pos = pos;
        n = in[pos++] & 15;
      } else {
        n = in[nibble_pos] >> 4;
        nibble_pos = 0;
      }
      length = n;
      if (n == 15) {
        length = in[pos++];
        if (length == 255) {
          length = size_t(in[pos] | in[pos + 1] << 8);
          pos += 2;
          if (length == 0) {
            length = size_t(in[pos]) | size_t(in[pos + 1]) << 8 | size_t(in[pos + 2]) << 16 |
                     size_t(in[pos + 3]) << 24;
            pos += 4;
          }
          if (length < 22) throw std::runtime_error("bad length");
          length -= 22;
        }
        length += 15;
      }
      length += 7;
    }
    length += 3;
    if (distance > out.size()) throw std::runtime_error("distance before start");
    for (size_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
  }
  return out;
}

TEST(EseSevenBit, PacksTheEngineExampleExactly) {
  // A value taken from an engine-written file (17 characters, scheme 1 and scheme 2).
  const Bytes expected = {0x0e, 0xd2, 0xf2, 0xf8, 0x2d, 0x27, 0x83, 0x40,
                          0x20, 0x10, 0x08, 0x04, 0x02, 0x81, 0x40, 0x30};
  auto ascii = edbgen::ese::compress_7bit(bytes_of("Record          0"), TextWidth::Bytes);
  ASSERT_TRUE(ascii);
  EXPECT_EQ(*ascii, expected);
  auto wide = edbgen::ese::compress_7bit(utf16_of("Record          0"), TextWidth::Utf16);
  ASSERT_TRUE(wide);
  Bytes expected_wide = expected;
  expected_wide[0] = 0x16;
  EXPECT_EQ(*wide, expected_wide);
}

TEST(EseSevenBit, RoundTripsEveryLengthAndFillOfTheLastByte) {
  std::string text;
  for (size_t n = 1; n <= 40; ++n) {
    text.push_back(char(n % 2 ? 0x7F : 0x01 + n));
    for (TextWidth w : {TextWidth::Bytes, TextWidth::Utf16}) {
      const Bytes in = w == TextWidth::Bytes ? bytes_of(text) : utf16_of(text);
      auto packed = edbgen::ese::compress_7bit(in, w);
      ASSERT_TRUE(packed) << n;
      EXPECT_EQ(packed->size(), 1 + (n * 7 + 7) / 8);
      EXPECT_EQ(unpack_7bit(*packed), in) << n;
      EXPECT_EQ(quorvine::ese::decompress_seven_bit(*packed), in) << n;
    }
  }
}

TEST(EseSevenBit, RefusesWhatItCannotPack) {
  EXPECT_FALSE(edbgen::ese::compress_7bit(bytes_of("caf\xe9"), TextWidth::Bytes));
  EXPECT_FALSE(edbgen::ese::compress_7bit(Bytes{}, TextWidth::Bytes));
  EXPECT_FALSE(edbgen::ese::compress_7bit(Bytes{'a', 0, 'b'}, TextWidth::Utf16));   // odd size
  EXPECT_FALSE(edbgen::ese::compress_7bit(Bytes{'a', 0, 'b', 1}, TextWidth::Utf16));  // U+0162
}

Bytes repeated(size_t n, uint8_t v) { return Bytes(n, v); }

TEST(EseXpress, EveryMatchLengthEncodingRoundTrips) {
  // Runs reaching each length form: token only, nibble, extra byte, 16-bit and 32-bit.
  std::mt19937 rng(3);
  std::vector<Bytes> inputs;
  for (size_t run : {1, 3, 9, 10, 11, 24, 25, 26, 40, 280, 281, 5000, 65535, 70000, 300000}) {
    Bytes b = {'x', 'y'};
    Bytes r = repeated(run, 'a');
    b.insert(b.end(), r.begin(), r.end());
    b.push_back('z');
    inputs.push_back(b);
  }
  Bytes random(20000);
  for (auto& c : random) c = uint8_t(rng());
  inputs.push_back(random);
  // Repeats at the greatest distance the format allows, and just beyond it.
  Bytes far(8192, 0);
  for (auto& c : far) c = uint8_t(rng());
  Bytes far_twice = far;
  far_twice.insert(far_twice.end(), far.begin(), far.end());
  inputs.push_back(far_twice);
  Bytes text;
  for (int i = 0; i < 3000; ++i) {
    std::string s = "Subject: meeting " + std::to_string(i % 17) + "\r\n";
    text.insert(text.end(), s.begin(), s.end());
  }
  inputs.push_back(text);
  for (const Bytes& in : inputs) {
    Bytes stream = edbgen::ese::xpress_stream(in);
    bool end_marker = false;
    EXPECT_EQ(unpack_lz77(stream, 0, end_marker), in) << in.size();
    EXPECT_TRUE(end_marker) << in.size();
    EXPECT_EQ(quorvine::ese::decompress_plain_lz77(stream, in.size()), in) << in.size();
  }
  // The end marker also when the items fill the last flag word exactly.
  for (size_t n = 30; n <= 34; ++n) {
    Bytes in(n);
    for (size_t i = 0; i < n; ++i) in[i] = uint8_t(i * 37);
    bool end_marker = false;
    EXPECT_EQ(unpack_lz77(edbgen::ese::xpress_stream(in), 0, end_marker), in);
    EXPECT_TRUE(end_marker) << n;
  }
}

TEST(EseXpress, ValueHeaderCarriesSchemeAndLength) {
  Bytes in = utf16_of(std::string(3000, 'R') + "ecord");
  auto v = edbgen::ese::compress_xpress(in);
  ASSERT_TRUE(v);
  EXPECT_EQ((*v)[0], 0x18);
  EXPECT_EQ(size_t((*v)[1] | (*v)[2] << 8), in.size());
  EXPECT_LT(v->size(), in.size() / 10);
  EXPECT_EQ(quorvine::ese::compression_scheme(*v), quorvine::ese::CompressionScheme::Xpress);
  EXPECT_EQ(quorvine::ese::decompress_value(*v), in);
  EXPECT_FALSE(edbgen::ese::compress_xpress(Bytes(65536, 'a')));  // length must fit 16 bits
  EXPECT_FALSE(edbgen::ese::compress_xpress(Bytes{}));
  EXPECT_TRUE(edbgen::ese::compress_xpress(Bytes(65535, 'a')));
}

}  // namespace
