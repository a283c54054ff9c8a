#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "ese/database.hpp"
#include "ese/database_header.hpp"
#include "support/test_support.hpp"

namespace quorvine::ese {
namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// Two header copies of a 4 KiB-page database, with sound checksums.
Bytes make_header(uint32_t page_size = 4096, uint32_t revision = 0x14, uint32_t state = 3) {
  Bytes file(2 * page_size, 0);
  for (size_t base : {size_t{0}, size_t{page_size}}) {
    put32(file, base + 4, 0x89ABCDEF);
    put32(file, base + 8, 0x620);
    put32(file, base + 52, state);
    put32(file, base + 232, revision);
    put32(file, base + 236, page_size);
    put32(file, base + 340, 0x620);
    put32(file, base + 344, 0x0c);
    put32(file, base + 0, header_checksum(std::span<const uint8_t>(file).subspan(base, page_size)));
  }
  return file;
}

TEST(DatabaseHeader, ReadsFieldsAndSumsTheWholePage) {
  Bytes file = make_header(8192, 0x12c, 2);
  // Newer engines write bytes past libesedb's 668; they count in the checksum.
  for (size_t base : {size_t{0}, size_t{8192}}) {
    file[base + 672] = 0x5A;
    put32(file, base, header_checksum(std::span<const uint8_t>(file).subspan(base, 8192)));
  }
  DatabaseHeader h = parse_database_header(file);
  EXPECT_EQ(h.page_size, 8192u);
  EXPECT_EQ(h.format_version, 0x620u);
  EXPECT_EQ(h.format_revision, 0x12cu);
  EXPECT_EQ(h.creation_format_revision, 0x0cu);
  EXPECT_EQ(h.state, DatabaseState::DirtyShutdown);
  EXPECT_FALSE(h.clean());
  EXPECT_FALSE(h.from_shadow_copy);
  EXPECT_STREQ(to_string(h.state), "dirty shutdown");
}

TEST(DatabaseHeader, FallsBackToTheShadowCopyAndFailsWhenBothAreBad) {
  Bytes file = make_header();
  file[100] ^= 0xFF;  // primary damaged
  DatabaseHeader h = parse_database_header(file);
  EXPECT_TRUE(h.from_shadow_copy);
  EXPECT_EQ(h.page_size, 4096u);
  file[4096 + 100] ^= 0xFF;  // shadow damaged too
  EXPECT_THROW(parse_database_header(file), EseError);
}

TEST(DatabaseHeader, RejectsForeignFilesAndUnsupportedPageSizes) {
  Bytes file = make_header();
  file[4] = 0;
  file[4096 + 4] = 0;
  EXPECT_THROW(parse_database_header(file), EseError);
  EXPECT_THROW(parse_database_header(Bytes(100, 0)), EseError);
  Bytes odd = make_header();
  for (size_t base : {size_t{0}, size_t{4096}}) {
    put32(odd, base + 236, 2048);
    put32(odd, base, header_checksum(std::span<const uint8_t>(odd).subspan(base, 4096)));
  }
  try {
    parse_database_header(odd);
    FAIL() << "a 2048-byte page size was accepted";
  } catch (const EseError& e) {
    EXPECT_NE(std::string(e.what()).find("page size 2048"), std::string::npos) << e.what();
  }
  // 16 and 32 KiB pages take the 80-byte page header from revision 0x11.
  DatabaseHeader big;
  big.page_size = 32768;
  big.format_revision = 0x11;
  EXPECT_TRUE(big.extended_page_header());
  big.format_revision = 0x0c;
  EXPECT_FALSE(big.extended_page_header());
}

class OpenErrors : public ::testing::Test {
 protected:
  testing::ScratchDir dir;
  std::string open_error(const std::filesystem::path& p) {
    try {
      Database::open(p);
    } catch (const EseError& e) {
      return e.what();
    }
    return "opened";
  }
  void write(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  }
};

TEST_F(OpenErrors, EachFaultIsOneSentenceNamingTheFile) {
  auto missing = dir / "missing.edb";
  std::string e = open_error(missing);
  EXPECT_NE(e.find(missing.string()), std::string::npos) << e;
  EXPECT_NE(e.find("does not exist"), std::string::npos) << e;

  EXPECT_NE(open_error(dir.path()).find("directory"), std::string::npos);

  write(dir / "empty.edb", {});
  EXPECT_NE(open_error(dir / "empty.edb").find("empty"), std::string::npos);

  write(dir / "text.edb", Bytes(8192, 'x'));
  EXPECT_NE(open_error(dir / "text.edb").find("not an ESE database"), std::string::npos);

  Bytes short_header(300, 0);
  put32(short_header, 4, 0x89ABCDEF);
  write(dir / "short.edb", short_header);
  EXPECT_NE(open_error(dir / "short.edb").find("truncated"), std::string::npos);
  write(dir / "tiny.txt", Bytes(300, 'x'));
  EXPECT_NE(open_error(dir / "tiny.txt").find("not an ESE database"), std::string::npos);

  if (::geteuid() != 0) {  // root reads anything
    write(dir / "locked.edb", make_header());
    std::filesystem::permissions(dir / "locked.edb", std::filesystem::perms::none);
    EXPECT_NE(open_error(dir / "locked.edb").find("Permission denied"), std::string::npos);
  }

  // Sound header copies, but the file ends before the catalog.
  write(dir / "cut.edb", make_header());
  std::string cut = open_error(dir / "cut.edb");
  EXPECT_NE(cut.find("truncated"), std::string::npos) << cut;
  EXPECT_NE(cut.find((dir / "cut.edb").string()), std::string::npos) << cut;
  EXPECT_EQ(std::count(cut.begin(), cut.end(), '\n'), 0);
}

}  // namespace
}  // namespace quorvine::ese
