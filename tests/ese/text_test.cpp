#include <gtest/gtest.h>

#include "ese/text.hpp"

namespace quorvine::ese {
namespace {

std::vector<uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(Utf16Text, SurrogatePairsJoinAndBrokenOnesBecomeReplacement) {
  // U+1F98A is D83E DD8A; libesedb 20181229 turns it into U+1F58B.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x3e, 0xd8, 0x8a, 0xdd}), "\xF0\x9F\xA6\x8A");
  // A lone high surrogate at the end, a lone low surrogate, a high one followed by a letter.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x41, 0x00, 0x3e, 0xd8}), "A\xEF\xBF\xBD");
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x8a, 0xdd, 0x41, 0x00}), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x3e, 0xd8, 0x41, 0x00}), "\xEF\xBF\xBD" "A");
}

TEST(Utf16Text, SurrogatesAtTheTopOfTheirRangesJoin) {
  // U+1F3FF (a skin-tone modifier) is D83C DFFF: the low surrogate is the last of its range.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x3c, 0xd8, 0xff, 0xdf}), "\xF0\x9F\x8F\xBF");
  // U+10FC00 is DBFF DC00: the high surrogate is the last of its range.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0xff, 0xdb, 0x00, 0xdc}), "\xF4\x8F\xB0\x80");
  // U+10FFFF, the last code point, is DBFF DFFF.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0xff, 0xdb, 0xff, 0xdf}), "\xF4\x8F\xBF\xBF");
  // Alone, both are still broken halves.
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0xff, 0xdf, 0xff, 0xdb}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf16Text, OddTrailingByteIsIgnoredAndNulIsKept) {
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x41, 0x00, 0x42}), "A");
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0x41, 0x00, 0x00, 0x00}), std::string("A\0", 2));
  EXPECT_EQ(utf16le_to_utf8(std::vector<uint8_t>{0xe9, 0x00, 0xac, 0x20}), "\xC3\xA9\xE2\x82\xAC");
}

TEST(Utf16Text, RoundTripsThroughUtf8IncludingNonBmp) {
  const std::string text = "Fox \xF0\x9F\xA6\x8A, caf\xC3\xA9, \xE2\x82\xAC";
  std::string utf16 = utf8_to_utf16le(text);
  EXPECT_EQ(utf16.size(), 2u * 15);  // 14 characters, the fox takes two units
  EXPECT_EQ(utf16le_to_utf8(bytes(utf16)), text);
  // Invalid UTF-8 (a lone continuation byte, a truncated sequence) becomes U+FFFD.
  EXPECT_EQ(utf8_to_utf16le("\x80"), std::string("\xFD\xFF", 2));
  EXPECT_EQ(utf8_to_utf16le("a\xE2\x82"), std::string("a\0\xFD\xFF\xFD\xFF", 6));
}

TEST(CodePageText, Windows1252HighRangeAndCodePageChoice) {
  EXPECT_EQ(cp1252_to_utf8(std::vector<uint8_t>{0x80, 0x93, 0x94, 0xe9, 0x81}),
            "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D\xC3\xA9\xC2\x81");
  std::vector<uint8_t> utf16{0x41, 0x00};
  EXPECT_EQ(decode_text(utf16, 1200), "A");
  EXPECT_EQ(decode_text(utf16, 1252), std::string("A\0", 2));
  EXPECT_EQ(decode_text(std::vector<uint8_t>{0xe9}, 0), "\xC3\xA9");
}

}  // namespace
}  // namespace quorvine::ese
