#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/test_support.hpp"
#include "textfile/code_page_text.hpp"
#include "textfile/stdio_file_ex.hpp"
#include "textfile/utf16_file.hpp"

namespace quorvine::textfile {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t create_write = open_flags::modeCreate | open_flags::modeWrite;

Bytes file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(Utf16File, FirstWriteCarriesTheMarkLaterWritesOnlyTheirUnits) {
  testing::ScratchDir dir;
  CUTF16File file;
  ASSERT_TRUE(file.Open(dir / "a.html", create_write));
  file.WriteString("A");
  file.WriteString("B");
  file.Close();
  EXPECT_EQ(file_bytes(dir / "a.html"), (Bytes{0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}));
}

TEST(Utf16File, LineEndsPassUntranslatedAndCharactersAboveFfffBecomeSurrogatePairs) {
  testing::ScratchDir dir;
  CUTF16File file;
  ASSERT_TRUE(file.Open(dir / "b.txt", create_write));
  file.WriteString("\r\n\n\xC3\xA9\xF0\x9F\x98\x80");  // CR LF, LF, e-acute, U+1F600
  file.Close();
  EXPECT_EQ(file_bytes(dir / "b.txt"), (Bytes{0xFF, 0xFE, 0x0D, 0, 0x0A, 0, 0x0A, 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(Utf16File, CreatedAndClosedWithoutWriteIsEmptyAndReopeningEmptiesIt) {
  testing::ScratchDir dir;
  {
    CUTF16File file;
    ASSERT_TRUE(file.Open(dir / "c.txt", create_write));
    file.WriteString("old text");
    file.Close();
  }
  CUTF16File file;
  ASSERT_TRUE(file.Open(dir / "c.txt", create_write));
  file.Close();
  EXPECT_TRUE(std::filesystem::exists(dir / "c.txt"));
  EXPECT_EQ(std::filesystem::file_size(dir / "c.txt"), 0u);
}

TEST(Utf16File, OpenReportsAFolderThatDoesNotExist) {
  testing::ScratchDir dir;
  CUTF16File file;
  std::error_code error;
  EXPECT_FALSE(file.Open(dir / "missing" / "x.txt", create_write, &error));
  EXPECT_TRUE(error);
}

TEST(StdioFileEx, UnicodeModeClosedAtOnceLeavesAnEmptyFile) {
  testing::ScratchDir dir;
  CStdioFileEx file;
  ASSERT_TRUE(file.Open(dir / "u.txt", create_write | CStdioFileEx::modeWriteUnicode));
  file.Close();
  EXPECT_EQ(std::filesystem::file_size(dir / "u.txt"), 0u);
}

TEST(StdioFileEx, UnicodeModeWritesTheMarkOnceBeforeBothTexts) {
  testing::ScratchDir dir;
  CStdioFileEx file;
  ASSERT_TRUE(file.Open(dir / "u.txt", create_write | open_flags::typeText | CStdioFileEx::modeWriteUnicode));
  EXPECT_TRUE(file.IsUnicode());
  file.WriteString("a\n");
  file.WriteString("b");
  file.Close();
  EXPECT_EQ(file_bytes(dir / "u.txt"), (Bytes{0xFF, 0xFE, 'a', 0, '\n', 0, 'b', 0}));
}

TEST(StdioFileEx, Utf8CodePageWritesItsMarkAndTheTextUnchanged) {
  testing::ScratchDir dir;
  CStdioFileEx file;
  file.SetCodePage(65001);
  ASSERT_TRUE(file.Open(dir / "8.txt", create_write));
  file.WriteString("\xC3\xA9\r\n");
  file.WriteString("x");
  file.Close();
  EXPECT_EQ(file_bytes(dir / "8.txt"), (Bytes{0xEF, 0xBB, 0xBF, 0xC3, 0xA9, '\r', '\n', 'x'}));
}

TEST(StdioFileEx, SystemCodePageIsWindows1252WithHashForUnmappableCharacters) {
  testing::ScratchDir dir;
  CStdioFileEx file;
  ASSERT_TRUE(file.Open(dir / "a.txt", create_write));
  file.WriteString("\xE2\x82\xAC\xC3\xA9\xD0\x96!");  // euro sign, e-acute, Cyrillic Zhe
  file.Close();
  EXPECT_EQ(file_bytes(dir / "a.txt"), (Bytes{0x80, 0xE9, '#', '!'}));
}

TEST(StdioFileEx, NoMarkWhenTheFlagIsCleared) {
  testing::ScratchDir dir;
  CStdioFileEx file;
  file.SetWriteByteOrderMark(false);
  ASSERT_TRUE(file.Open(dir / "n.txt", create_write | CStdioFileEx::modeWriteUnicode));
  file.WriteString("z");
  file.Close();
  EXPECT_EQ(file_bytes(dir / "n.txt"), (Bytes{'z', 0}));
}

TEST(CodePageText, OtherCodePagesGoThroughIconvOneCharacterAtATime) {
  EXPECT_EQ(to_code_page("\xD0\x96z\xE2\x82\xAC", 1251, '#'), std::string("\xC6z\x88"));
  EXPECT_EQ(to_code_page("\xE4\xB8\xAD", 1251, '#'), "#");
  EXPECT_THROW(to_code_page("x", 99999, '#'), std::invalid_argument);
}

TEST(CodePageText, InvalidUtf8BecomesTheReplacementCharacterThenHash) {
  EXPECT_EQ(to_code_page("a\xFF" "b\xC3", 1252, '#'), "a#b#");
}

}  // namespace
}  // namespace quorvine::textfile
