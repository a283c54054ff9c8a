// The writer's compressors, decoded by the product's own decoders (separate code) and checked
// against values taken from engine-written files.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "edbgen/ese_compress.hpp"
#include "ese/compressed_value.hpp"
#include "ese/seven_bit.hpp"
#include "ese/xpress.hpp"

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

uint32_t le32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
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
    EXPECT_EQ(quorvine::ese::decompress_plain_lz77(stream, in.size()), in) << in.size();
  }
}

TEST(EseXpress, LastFlagWordEndsWithTheEndMarker) {
  // n distinct bytes are n literals: a flag word before every 32 of them, and the bits of
  // the last word not used by an item set to 1 (a whole word of ones when n % 32 == 0).
  for (size_t n : {1, 5, 31, 32, 33, 64, 100}) {
    Bytes in(n);
    for (size_t i = 0; i < n; ++i) in[i] = uint8_t(i);
    Bytes stream = edbgen::ese::xpress_stream(in);
    ASSERT_EQ(stream.size(), n + 4 * (n / 32 + 1)) << n;
    const size_t last_word_at = (n / 32) * 36;
    const size_t used = n % 32;
    const uint32_t unused_mask = used == 0 ? 0xFFFFFFFFu : (1u << (32 - used)) - 1;
    EXPECT_EQ(le32(stream, last_word_at), unused_mask) << n;  // used bits are 0: literals
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
