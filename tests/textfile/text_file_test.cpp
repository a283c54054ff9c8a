#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/test_support.hpp"
#include "textfile/code_page_text.hpp"
#include "textfile/encoded_text_file.hpp"
#include "textfile/utf16_text_file.hpp"

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
  Utf16TextFile file;
  ASSERT_TRUE(file.open(dir / "a.html", create_write));
  file.write("A");
  file.write("B");
  file.close();
  EXPECT_EQ(file_bytes(dir / "a.html"), (Bytes{0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}));
}

TEST(Utf16File, LineEndsPassUntranslatedAndCharactersAboveFfffBecomeSurrogatePairs) {
  testing::ScratchDir dir;
  Utf16TextFile file;
  ASSERT_TRUE(file.open(dir / "b.txt", create_write));
  file.write("\r\n\n\xC3\xA9\xF0\x9F\x98\x80");  // CR LF, LF, e-acute, U+1F600
  file.close();
  EXPECT_EQ(file_bytes(dir / "b.txt"), (Bytes{0xFF, 0xFE, 0x0D, 0, 0x0A, 0, 0x0A, 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(Utf16File, CreatedAndClosedWithoutWriteIsEmptyAndReopeningEmptiesIt) {
  testing::ScratchDir dir;
  {
    Utf16TextFile file;
    ASSERT_TRUE(file.open(dir / "c.txt", create_write));
    file.write("old text");
    file.close();
  }
  Utf16TextFile file;
  ASSERT_TRUE(file.open(dir / "c.txt", create_write));
  file.close();
  EXPECT_TRUE(std::filesystem::exists(dir / "c.txt"));
  EXPECT_EQ(std::filesystem::file_size(dir / "c.txt"), 0u);
}

TEST(Utf16File, OpenReportsAFolderThatDoesNotExist) {
  testing::ScratchDir dir;
  Utf16TextFile file;
  std::error_code error;
  EXPECT_FALSE(file.open(dir / "missing" / "x.txt", create_write, &error));
  EXPECT_TRUE(error);
}

TEST(StdioFileEx, UnicodeModeClosedAtOnceLeavesAnEmptyFile) {
  testing::ScratchDir dir;
  EncodedTextFile file;
  ASSERT_TRUE(file.open(dir / "u.txt", create_write | EncodedTextFile::modeWriteUnicode));
  file.close();
  EXPECT_EQ(std::filesystem::file_size(dir / "u.txt"), 0u);
}

TEST(StdioFileEx, UnicodeModeWritesTheMarkOnceBeforeBothTexts) {
  testing::ScratchDir dir;
  EncodedTextFile file;
  ASSERT_TRUE(file.open(dir / "u.txt", create_write | open_flags::typeText | EncodedTextFile::modeWriteUnicode));
  EXPECT_TRUE(file.is_unicode());
  file.write("a\n");
  file.write("b");
  file.close();
  EXPECT_EQ(file_bytes(dir / "u.txt"), (Bytes{0xFF, 0xFE, 'a', 0, '\n', 0, 'b', 0}));
}

TEST(StdioFileEx, Utf8CodePageWritesItsMarkAndTheTextUnchanged) {
  testing::ScratchDir dir;
  EncodedTextFile file;
  file.set_code_page(65001);
  ASSERT_TRUE(file.open(dir / "8.txt", create_write));
  file.write("\xC3\xA9\r\n");
  file.write("x");
  file.close();
  EXPECT_EQ(file_bytes(dir / "8.txt"), (Bytes{0xEF, 0xBB, 0xBF, 0xC3, 0xA9, '\r', '\n', 'x'}));
}

TEST(StdioFileEx, SystemCodePageIsWindows1252WithHashForUnmappableCharacters) {
  testing::ScratchDir dir;
  EncodedTextFile file;
  ASSERT_TRUE(file.open(dir / "a.txt", create_write));
  file.write("\xE2\x82\xAC\xC3\xA9\xD0\x96!");  // euro sign, e-acute, Cyrillic Zhe
  file.close();
  EXPECT_EQ(file_bytes(dir / "a.txt"), (Bytes{0x80, 0xE9, '#', '!'}));
}

TEST(StdioFileEx, NoMarkWhenTheFlagIsCleared) {
  testing::ScratchDir dir;
  EncodedTextFile file;
  file.set_write_byte_order_mark(false);
  ASSERT_TRUE(file.open(dir / "n.txt", create_write | EncodedTextFile::modeWriteUnicode));
  file.write("z");
  file.close();
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
