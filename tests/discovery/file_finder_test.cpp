#include <fstream>

#include <gtest/gtest.h>

#include "discovery/file_finder.hpp"
#include "discovery/path_info.hpp"
#include "support/test_support.hpp"

namespace quorvine::discovery {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, size_t size) { std::ofstream(path, std::ios::binary) << std::string(size, 'x'); }

std::vector<std::string> names(const CFileFinder& finder) {
  std::vector<std::string> out;
  for (size_t i = 0; i < finder.GetFileCount(); ++i) out.push_back(finder.GetFilePath(i).filename().string());
  return out;
}

CFileFinder::CFindOpts edb_options(const fs::path& base) {
  CFileFinder::CFindOpts opts;
  opts.base_folder = base;
  opts.file_mask = "*.edb";
  opts.flags = CFileFinder::find_attributes;
  opts.attributes = CFileFinder::attribute_archive;
  return opts;
}

TEST(FileFinder, SubfoldersFirstMaskIgnoresCaseAndFoldersAreNotFiles) {
  testing::ScratchDir dir;
  fs::create_directories(dir / "sub" / "folder.edb");
  write(dir / "top.edb", 5);
  write(dir / "sub" / "Low.EDB", 5);
  write(dir / "sub" / "other.txt", 5);
  CFileFinder finder;
  std::vector<CFileFinder::Event> events;
  finder.SetCallback([&](CFileFinder&, CFileFinder::Event e) { events.push_back(e); });
  auto opts = edb_options(dir.path());
  EXPECT_EQ(finder.Find(opts), 1u);  // this folder only
  EXPECT_EQ(names(finder), std::vector<std::string>{"top.edb"});
  finder.RemoveAll();
  opts.subfolders = true;
  finder.Find(opts);
  EXPECT_EQ(names(finder), (std::vector<std::string>{"Low.EDB", "top.edb"}));
  EXPECT_EQ(finder.GetFilePath(7), fs::path());
  // The folder named like a database is looked at and rejected: it carries no archive flag.
  EXPECT_NE(std::find(events.begin(), events.end(), CFileFinder::Event::Rejected), events.end());
}

TEST(FileFinder, SizeWindowIsInclusive) {
  testing::ScratchDir dir;
  write(dir / "exact.edb", 1024);
  write(dir / "over.edb", 1025);
  CFileFinder finder;
  auto opts = edb_options(dir.path());
  opts.flags |= CFileFinder::find_size;
  opts.min_size = opts.max_size = 1024;
  EXPECT_EQ(finder.Find(opts), 1u);
  EXPECT_EQ(names(finder), std::vector<std::string>{"exact.edb"});
}

TEST(FileFinder, StopEndsTheSearchAndLinkLoopsAreNotFollowed) {
  testing::ScratchDir dir;
  for (int i = 0; i < 20; ++i) write(dir / ("m" + std::to_string(i) + ".edb"), 1);
  fs::create_directory_symlink(dir.path(), dir / "loop");
  CFileFinder finder;
  finder.SetCallback([](CFileFinder& f, CFileFinder::Event e) {
    if (e == CFileFinder::Event::Accepted && f.GetFileCount() == 3) f.StopSearch();
  });
  auto opts = edb_options(dir.path());
  opts.subfolders = true;
  EXPECT_EQ(finder.Find(opts), 3u);
  finder.SetCallback(nullptr);
  finder.RemoveAll();
  EXPECT_EQ(finder.Find(opts), 20u);
}

TEST(PathInfo, TextsOfSizesTimesAndLocations) {
  EXPECT_EQ(size_text(10239), "10239 B");
  EXPECT_EQ(size_text(10240), "10 KB");
  EXPECT_EQ(modified_text(1299506709), "07-03-2011 02:05 PM");
  EXPECT_EQ(CPath("/data/Mail.edb").GetLocation(), "/data/");
  EXPECT_EQ(CPath("/data/Mail.edb").GetFileName(), "Mail.edb");
  EXPECT_FALSE(CPath("/no/such/file.edb").GetFileSize().has_value());
  EXPECT_EQ(AddBackSlash("a\\"), "a\\");
  EXPECT_EQ(AddBackSlash("a"), "a/");
}

}  // namespace
}  // namespace quorvine::discovery
