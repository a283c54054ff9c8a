#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "decode/rtf_to_text.hpp"
#include "support/test_support.hpp"

namespace quorvine::decode {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(testing::source_dir() / "tests" / "data" / "rtf" / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RtfToText, EmptyInputGivesEmptyText) {
  EXPECT_EQ(rtf_plain_text(""), "");
  EXPECT_FALSE(read_rtf("").html);
}

TEST(RtfToText, ParagraphsLinesAndTabsAndNoControlWords) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\deff0 {\\b Bold} text\\par second\\line third\\tab x\\par}"),
            "Bold text\r\nsecond\r\nthird\tx\r\n");
}

TEST(RtfToText, FontColourTablesStarDestinationsAndPicturesAreSkipped) {
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\froman Times;}{\\f1 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\generator Writer;}"
      "{\\*\\unknowndest secret}{\\pict\\pngblip 89504e47}visible{\\*\\bkmkstart b}\\par}";
  EXPECT_EQ(rtf_plain_text(rtf), "visible\r\n");
}

TEST(RtfToText, HiddenTextIsLeftOutUntilSwitchedOffOrTheGroupEnds) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}"), "abd");
  EXPECT_EQ(rtf_plain_text("{\\rtf1 a\\v x\\plain y}"), "ay");
}

TEST(RtfToText, HexEscapesAreDecodedThroughTheDocumentCodePage) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\ansicpg1251 \\'c6}"), "\xD0\x96");
}

// RTF is 7-bit, but some writers put bytes of their code page raw. Passed through they
// would make the text and the recovered HTML invalid UTF-8.
TEST(RtfToText, RawEightBitBytesAreReadThroughTheCodePageLikeHexEscapes) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\ansicpg1252 caf\xE9 \x80}"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\ansicpg936 \xD6\\'d0}"), "\xE4\xB8\xAD");
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\uc1\\u1046\xE9x}"), "\xD0\x96x");  // a raw fallback byte is skipped
  const RtfContent html = read_rtf("{\\rtf1\\ansi\\ansicpg1251\\fromhtml1 {\\*\\htmltag <p title='\xC6'>}\xC6}");
  ASSERT_TRUE(html.html);
  EXPECT_EQ(*html.html, "<p title='\xD0\x96'>\xD0\x96");
}

TEST(RtfToText, FontCharsetSelectsTheCodePageOfItsText) {
  const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}"
                          "\\f0\\'e9{\\f1\\'e9}\\'e9}";
  EXPECT_EQ(rtf_plain_text(rtf), "\xC3\xA9\xD0\xB9\xC3\xA9");
}

TEST(RtfToText, DoubleByteCodePagesJoinConsecutiveHexEscapes) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}"), "\xE4\xB8\xAD");
}

TEST(RtfToText, UnicodeEscapesSkipTheirFallbackCharacters) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\uc1 \\u1046?x}"), "\xD0\x96x");
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\uc2 \\u20013\\'d6\\'d0y}"), "\xE4\xB8\xAD" "y");
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\uc0 \\u-4064 z}"), "\xEF\x80\xA0z");
  // A surrogate pair, each half with its fallback.
  EXPECT_EQ(rtf_plain_text("{\\rtf1\\u-10179?\\u-8704?}"), "\xF0\x9F\x98\x80");
  // The fallback count ends with the group.
  EXPECT_EQ(rtf_plain_text("{\\rtf1{\\uc3\\u1046}abc}"), "\xD0\x96" "abc");
}

TEST(RtfToText, EscapedBracesBackslashesAndSpecialCharacters) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1 \\{x\\} \\\\ \\emdash\\~\\ldblquote q\\rdblquote}"),
            "{x} \\ \xE2\x80\x94\xC2\xA0\xE2\x80\x9Cq\xE2\x80\x9D");
}

TEST(RtfToText, BinaryDataIsSkippedByItsCount) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1 a{\\pict\\bin4 }{\\}}b}"), "ab");
  // A count beyond the end of the input stops there.
  EXPECT_EQ(rtf_plain_text("{\\rtf1 a\\bin999999 zz"), "a");
}

TEST(RtfToText, DamagedInputGivesWhatCanBeRead) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1 unclosed {group"), "unclosed group");
  EXPECT_EQ(rtf_plain_text("}}} stray {\\rtf1 x}"), " stray x");
  EXPECT_EQ(rtf_plain_text("{\\rtf1 trailing\\"), "trailing");
  EXPECT_EQ(rtf_plain_text("{\\rtf1 bad\\'zz hex\\'4"), "badzz hex4");
}

TEST(RtfToText, FieldsShowTheirResultNotTheirInstruction) {
  EXPECT_EQ(rtf_plain_text("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}}"), "link");
}

TEST(RtfHtml, EncapsulatedHtmlIsRecoveredAndTheRtfOnlyPartsLeftOut) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
      "{\\*\\htmltag19 <html>}{\\*\\htmltag50 <body>}\\htmlrtf {\\f0\\htmlrtf0 "
      "{\\*\\htmltag64 <p>}Caf\\'e9 \\{1\\}\\htmlrtf\\par\\htmlrtf0{\\*\\htmltag72 </p>}\\par"
      "{\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}}}";
  const RtfContent content = read_rtf(rtf);
  ASSERT_TRUE(content.html);
  EXPECT_EQ(*content.html, "<html><body><p>Caf\xC3\xA9 {1}</p>\r\n</body></html>");
  EXPECT_EQ(content.text, "Caf\xC3\xA9 {1}\r\n\r\n");
}

TEST(RtfHtml, PlainRtfHasNoHtmlAndHtmltagIsSkippedThere) {
  const RtfContent content = read_rtf("{\\rtf1 a{\\*\\htmltag <b>}b}");
  EXPECT_FALSE(content.html);
  EXPECT_EQ(content.text, "ab");
}

// Documents written by real programs, kept in tests/data/rtf.
TEST(RtfFixtures, WordPadStyleDocument) {
  const std::string text = rtf_plain_text(fixture("handwritten_wordpad.rtf"));
  EXPECT_EQ(text, "First paragraph with bold and italic.\r\nZweiter Absatz: Gr\xC3\xBC\xC3\x9F" "e.\r\n"
                  "Tab\there.\r\n");
}

// Written by LibreOffice Writer 7.4 (soffice --headless --convert-to rtf) from HTML and text.
TEST(RtfFixtures, LibreOfficeParagraphsWithUnicodeAndFallbacks) {
  EXPECT_EQ(rtf_plain_text(fixture("libreoffice_paragraphs.rtf")),
            "First paragraph from Writer.\r\nSecond: caf\xC3\xA9 \xD0\x96\xE4\xB8\xAD \xE2\x82\xAC\r\n"
            "Third with tab.\r\n");
}

TEST(RtfFixtures, LibreOfficeTextLinesKeepTheEmptyParagraph) {
  EXPECT_EQ(rtf_plain_text(fixture("libreoffice_text_lines.rtf")),
            "Line one of a text file.\r\nLine two with Umlaut \xC3\xA4.\r\n\r\nAfter an empty line.\r\n");
}

TEST(RtfFixtures, LibreOfficeTableLinkAndList) {
  EXPECT_EQ(rtf_plain_text(fixture("libreoffice_table_link_list.rtf")),
            "Before the link after.\r\nA1\tB1\t\r\nA2\tB2\t\r\n\xE2\x80\xA2\tbullet one\r\n");
}

TEST(RtfFixtures, OutlookHtmlEncapsulation) {
  const RtfContent content = read_rtf(fixture("handwritten_fromhtml.rtf"));
  ASSERT_TRUE(content.html);
  EXPECT_NE(content.html->find("<p class=MsoNormal>Hello <b>world</b></p>"), std::string::npos) << *content.html;
  EXPECT_NE(content.html->find("<style>"), std::string::npos);
  EXPECT_EQ(content.html->find("htmlrtf"), std::string::npos);
  EXPECT_NE(content.text.find("Hello world"), std::string::npos);
}

}  // namespace
}  // namespace quorvine::decode
