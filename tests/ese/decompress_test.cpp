#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ese/compressed_value.hpp"
#include "ese/error.hpp"
#include "ese/seven_bit.hpp"
#include "ese/xpress.hpp"

namespace quorvine::ese {
namespace {

using Bytes = std::vector<uint8_t>;

std::string str(const Bytes& b) { return {b.begin(), b.end()}; }

Bytes flag_word(uint32_t w) { return {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)}; }

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// "Record          0" as stored by the engine, 7-bit ASCII (header 0x0e) and the same bits
// read as 7-bit Unicode (header 0x16).
const Bytes kRecordAscii = {0x0e, 0xd2, 0xf2, 0xf8, 0x2d, 0x27, 0x83, 0x40,
                            0x20, 0x10, 0x08, 0x04, 0x02, 0x81, 0x40, 0x30};

TEST(SevenBit, AsciiAndUnicodeSchemesFromTheSameBits) {
  EXPECT_EQ(str(decompress_seven_bit(kRecordAscii)), "Record          0");
  Bytes unicode = kRecordAscii;
  unicode[0] = 0x16;
  Bytes wide = decompress_seven_bit(unicode);
  ASSERT_EQ(wide.size(), 34u);
  for (size_t i = 0; i < 17; ++i) {
    EXPECT_EQ(wide[2 * i], static_cast<uint8_t>("Record          0"[i]));
    EXPECT_EQ(wide[2 * i + 1], 0);
  }
}

TEST(SevenBit, LastByteBitCountDecidesTheCharacterCount) {
  // 'A' (0x41) alone: 7 bits in one byte, header says 7 bits used.
  EXPECT_EQ(str(decompress_seven_bit(Bytes{0x0e, 0x41})), "A");
  // Same data byte, header says only 6 bits used: no whole character.
  EXPECT_EQ(str(decompress_seven_bit(Bytes{0x0d, 0x41})), "");
  // "AB": 14 bits over two bytes, 6 bits of the second used.
  EXPECT_EQ(str(decompress_seven_bit(Bytes{0x0d, 0x41, 0x21})), "AB");
}

TEST(SevenBit, RejectsShortAndForeignInput) {
  EXPECT_THROW(decompress_seven_bit(Bytes{0x0e}), EseError);
  EXPECT_THROW(decompress_seven_bit(Bytes{}), EseError);
  EXPECT_THROW(decompress_seven_bit(Bytes{0x18, 0x41}), EseError);
}

TEST(Xpress, LiteralsAndOverlappingMatch) {
  // a b c, then distance 3 length 6; the unused flag bits are 1, the end marker.
  Bytes stream = cat({flag_word(0x1FFFFFFF), {'a', 'b', 'c', 0x13, 0x00}});
  EXPECT_EQ(str(decompress_plain_lz77(stream, 9)), "abcabcabc");
  // The stated length stops output inside the match.
  EXPECT_EQ(str(decompress_plain_lz77(stream, 5)), "abcab");
  // And the whole ESE value form with its 3-byte header.
  Bytes value = cat({{0x18, 9, 0}, stream});
  EXPECT_EQ(str(decompress_xpress(value)), "abcabcabc");
  EXPECT_EQ(str(decompress_value(value)), "abcabcabc");
}

TEST(Xpress, LengthNibblesAreSharedByTwoMatches) {
  // "abcd", a match of code 7 at distance 4, 'X', a match of code 7 at distance 1. The first
  // match takes the low nibble (2) of the byte after its token, the second the high nibble
  // (5): lengths 12 and 15. Read the other way round, the text would change.
  Bytes stream = cat({flag_word(0x0BFFFFFF), {'a', 'b', 'c', 'd', 0x1F, 0x00, 0x52, 'X', 0x07, 0x00}});
  EXPECT_EQ(str(decompress_plain_lz77(stream, 32)), "abcd" "abcdabcdabcd" "X" + std::string(15, 'X'));
}

TEST(Xpress, ExtendedLengthsOfOneTwoAndFourBytes) {
  // nibble 15, then a byte 100: length 100 + 22 + 3.
  Bytes one = cat({flag_word(0x7FFFFFFF), {'x', 0x07, 0x00, 0x0F, 100}});
  EXPECT_EQ(decompress_plain_lz77(one, 126).size(), 126u);
  // byte 255, then 16 bits: the length minus 3 itself.
  Bytes two = cat({flag_word(0x7FFFFFFF), {'x', 0x07, 0x00, 0x0F, 0xFF, 0xE8, 0x03}});
  EXPECT_EQ(decompress_plain_lz77(two, 1004), Bytes(1004, 'x'));
  // 16 bits of 0, then 32 bits.
  Bytes four = cat({flag_word(0x7FFFFFFF), {'x', 0x07, 0x00, 0x0F, 0xFF, 0x00, 0x00, 0x10, 0x27, 0, 0}});
  EXPECT_EQ(decompress_plain_lz77(four, 10004).size(), 10004u);
  // A 16-bit length below 22 cannot be encoded this way.
  Bytes bad = cat({flag_word(0x7FFFFFFF), {'x', 0x07, 0x00, 0x0F, 0xFF, 0x05, 0x00}});
  EXPECT_THROW(decompress_plain_lz77(bad, 100), EseError);
}

TEST(Xpress, RejectsMatchesBeforeTheStartAndStreamsThatEndEarly) {
  // A match as the very first item.
  EXPECT_THROW(decompress_plain_lz77(cat({flag_word(0xFFFFFFFF), {0x00, 0x00}}), 3), EseError);
  // Distance 4 after three literals.
  EXPECT_THROW(decompress_plain_lz77(cat({flag_word(0x1FFFFFFF), {'a', 'b', 'c', 0x18, 0x00}}), 9), EseError);
  // Fewer literals than stated, a cut flag word, a cut token, an empty value.
  EXPECT_THROW(decompress_plain_lz77(cat({flag_word(0x0FFFFFFF), {'a', 'b'}}), 5), EseError);
  EXPECT_THROW(decompress_plain_lz77(Bytes{0x00, 0x00}, 1), EseError);
  EXPECT_THROW(decompress_plain_lz77(cat({flag_word(0x7FFFFFFF), {'a', 0x07}}), 5), EseError);
  EXPECT_THROW(decompress_xpress(Bytes{0x18, 0x05}), EseError);
  EXPECT_THROW(decompress_xpress(Bytes{0x10, 0x01, 0x00, 0, 0, 0, 0, 'a'}), EseError);
  EXPECT_TRUE(decompress_plain_lz77(Bytes{}, 0).empty());
}

TEST(CompressedValue, SchemeByteDispatchAndUnknownSchemes) {
  EXPECT_EQ(compression_scheme(kRecordAscii), CompressionScheme::SevenBitAscii);
  EXPECT_EQ(compression_scheme(Bytes{0x16}), CompressionScheme::SevenBitUnicode);
  EXPECT_EQ(compression_scheme(Bytes{0x18}), CompressionScheme::Xpress);
  EXPECT_EQ(compression_scheme(Bytes{0x28}), CompressionScheme::None);
  EXPECT_EQ(compression_scheme(Bytes{}), CompressionScheme::None);
  EXPECT_THROW(decompress_value(Bytes{0x28, 1, 2}), EseError);
  EXPECT_FALSE(try_decompress_value(Bytes{0x41, 0x42}).has_value());
  EXPECT_FALSE(try_decompress_value(Bytes{0x18, 0x05}).has_value());
  EXPECT_EQ(str(*try_decompress_value(kRecordAscii)), "Record          0");
}

TEST(CompressedValue, RandomInputNeverOverrunsTheStatedLength) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round) {
    Bytes value(1 + rng() % 64);
    for (auto& b : value) b = static_cast<uint8_t>(rng());
    value[0] = static_cast<uint8_t>((1 + rng() % 3) << 3 | (rng() & 7));
    try {
      Bytes out = decompress_value(value);
      if (value[0] >> 3 == 3) EXPECT_EQ(out.size(), size_t(value.size() >= 3 ? value[1] | value[2] << 8 : 0));
      else EXPECT_LE(out.size(), 2 * (value.size() * 8 / 7 + 1));
    } catch (const EseError&) {
      // damaged input is reported, never read past
    }
  }
}

}  // namespace
}  // namespace quorvine::ese
