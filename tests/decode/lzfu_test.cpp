#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/lzfu.hpp"

namespace quorvine::decode {
namespace {

using Bytes = std::vector<uint8_t>;

void put_le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A token of a hand-made stream: a literal byte or a (offset, length) reference.
struct Token {
  bool reference = false;
  uint8_t literal = 0;
  uint16_t offset = 0;
  uint8_t length = 2;
};
Token lit(char c) { return {false, static_cast<uint8_t>(c), 0, 0}; }
Token ref(uint16_t offset, uint8_t length) { return {true, 0, offset, length}; }

// Control bytes and tokens, with the header (CRC correct unless `crc` is given).
Bytes stream(const std::vector<Token>& tokens, uint32_t raw_size, std::optional<uint32_t> crc = {}) {
  Bytes data;
  for (size_t i = 0; i < tokens.size(); i += 8) {
    uint8_t control = 0;
    Bytes group;
    for (size_t k = 0; k < 8 && i + k < tokens.size(); ++k) {
      const Token& t = tokens[i + k];
      if (t.reference) {
        control |= 1u << k;
        const uint16_t word = static_cast<uint16_t>(t.offset << 4 | (t.length - 2));
        group.push_back(static_cast<uint8_t>(word >> 8));
        group.push_back(static_cast<uint8_t>(word & 0xFF));
      } else {
        group.push_back(t.literal);
      }
    }
    data.push_back(control);
    data.insert(data.end(), group.begin(), group.end());
  }
  Bytes out;
  put_le32(out, static_cast<uint32_t>(data.size() + 12));
  put_le32(out, raw_size);
  put_le32(out, 0x75465A4C);
  put_le32(out, crc.value_or(lzfu_crc(data)));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST(Lzfu, FirstDocumentedExampleDecodesToItsRtf) {
  const Bytes input = {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5, 0xc7,
                       0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a,
                       0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d,
                       0x0a, 0x80, 0x0f, 0xa0};
  const auto result = lzfu_decompress(input);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
  EXPECT_TRUE(result->crc_ok);
  EXPECT_TRUE(result->complete);
  EXPECT_EQ(result->raw_size, result->rtf.size());
}

TEST(Lzfu, SecondDocumentedExampleRepeatsThroughAnOverlappingReference) {
  const Bytes input = {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b,
                       0x51, 0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
  const auto result = lzfu_decompress(input);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
  EXPECT_TRUE(result->crc_ok);
  EXPECT_TRUE(result->complete);
}

TEST(Lzfu, TheLastBytesOfAStreamAreDecoded) {
  // Literals right up to the end of the data, with no end marker: nothing may be cut off.
  const auto result = lzfu_decompress(stream({lit('a'), lit('b'), lit('c'), lit('d'), lit('e'), lit('f')}, 6));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, "abcdef");
  EXPECT_FALSE(result->complete);
}

TEST(Lzfu, ReferencesIntoThePresetDictionaryCopyFromIt) {
  // Offset 0 is "{\rtf1", offset 207 is where writing starts: the end marker.
  const auto result = lzfu_decompress(stream({ref(0, 6), lit('X'), ref(214, 2)}, 7));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, "{\\rtf1X");
  EXPECT_TRUE(result->complete);
}

TEST(Lzfu, OverlappingReferenceTakesEachByteAfterThePreviousWasWritten) {
  // "ab" at 207-208, then 10 bytes from 207: the copy reads what it has just written.
  const auto result = lzfu_decompress(stream({lit('a'), lit('b'), ref(207, 10), ref(219, 2)}, 12));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, "abababababab");
}

TEST(Lzfu, ReferencesWrapAroundTheDictionaryEnd) {
  std::vector<Token> tokens;
  std::string expected;
  for (int i = 0; i < 3900; ++i) {  // 207 + 3900 = 4107: the write position has wrapped to 11
    tokens.push_back(lit(static_cast<char>('a' + i % 26)));
    expected.push_back(static_cast<char>('a' + i % 26));
  }
  tokens.push_back(ref(4094, 4));  // the bytes at 4094, 4095, 0 and 1 of the ring
  const char at4094 = static_cast<char>('a' + (4094 - 207) % 26), at4095 = static_cast<char>('a' + (4095 - 207) % 26);
  expected += std::string{at4094, at4095, static_cast<char>('a' + (4096 - 207) % 26), static_cast<char>('a' + (4097 - 207) % 26)};
  const auto result = lzfu_decompress(stream(tokens, static_cast<uint32_t>(expected.size())));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rtf, expected);
}

TEST(Lzfu, CrcMismatchIsReportedAndTheTextStillReturned) {
  const auto result = lzfu_decompress(stream({lit('h'), lit('i'), ref(209, 2)}, 2, 0x12345678));
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->crc_ok);
  EXPECT_EQ(result->rtf, "hi");
}

TEST(Lzfu, HeaderLongerThanTheInputGivesNoResult) {
  Bytes input = stream({lit('h'), lit('i')}, 2);
  input.pop_back();
  EXPECT_FALSE(lzfu_decompress(input));
  EXPECT_FALSE(lzfu_decompress(Bytes(15, 0)));
  Bytes bad_type = stream({lit('h')}, 1);
  bad_type[8] = 'X';
  EXPECT_FALSE(lzfu_decompress(bad_type));
}

TEST(Lzfu, ARawSizeThatLiesNeitherTruncatesNorOverflows) {
  // Announced raw size 1, real output 40 bytes: the whole stream is decoded.
  std::vector<Token> tokens = {lit('x')};
  for (int i = 0; i < 4; ++i) tokens.push_back(ref(207, 10));
  const auto small = lzfu_decompress(stream(tokens, 1));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->rtf, std::string(41, 'x'));
  // Announced 4 GB, a few bytes real: no huge allocation, the real bytes come back.
  const auto huge = lzfu_decompress(stream({lit('y')}, 0xFFFFFFFF));
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->rtf, "y");
}

TEST(Lzfu, StoredFormHoldsTheRtfUncompressed) {
  Bytes input;
  const std::string rtf = "{\\rtf1 plain}";
  put_le32(input, static_cast<uint32_t>(rtf.size() + 12));
  put_le32(input, static_cast<uint32_t>(rtf.size()));
  put_le32(input, 0x414C454D);
  put_le32(input, 0);
  input.insert(input.end(), rtf.begin(), rtf.end());
  const auto result = lzfu_decompress(input);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->compressed);
  EXPECT_EQ(result->rtf, rtf);
}

}  // namespace
}  // namespace quorvine::decode
