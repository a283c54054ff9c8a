#include <fstream>

#include <gtest/gtest.h>

#include "discovery/file_finder.hpp"
#include "discovery/path_info.hpp"
#include "support/test_support.hpp"

namespace quorvine::discovery {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, size_t size) { std::ofstream(path, std::ios::binary) << std::string(size, 'x'); }

std::vector<std::string> names(const FileFinder& finder) {
  std::vector<std::string> out;
  for (size_t i = 0; i < finder.file_count(); ++i) out.push_back(finder.file_path(i).filename().string());
  return out;
}

FileFinder::SearchOptions edb_options(const fs::path& base) {
  FileFinder::SearchOptions opts;
  opts.base_folder = base;
  opts.file_mask = "*.edb";
  opts.flags = FileFinder::find_attributes;
  opts.attributes = FileFinder::attribute_archive;
  return opts;
}

TEST(FileFinder, SubfoldersFirstMaskIgnoresCaseAndFoldersAreNotFiles) {
  testing::ScratchDir dir;
  fs::create_directories(dir / "sub" / "folder.edb");
  write(dir / "top.edb", 5);
  write(dir / "sub" / "Low.EDB", 5);
  write(dir / "sub" / "other.txt", 5);
  FileFinder finder;
  std::vector<FileFinder::Event> events;
  finder.set_callback([&](FileFinder&, FileFinder::Event e) { events.push_back(e); });
  auto opts = edb_options(dir.path());
  EXPECT_EQ(finder.find(opts), 1u);  // this folder only
  EXPECT_EQ(names(finder), std::vector<std::string>{"top.edb"});
  finder.clear();
  opts.subfolders = true;
  finder.find(opts);
  EXPECT_EQ(names(finder), (std::vector<std::string>{"Low.EDB", "top.edb"}));
  EXPECT_EQ(finder.file_path(7), fs::path());
  // The folder named like a database is looked at and rejected: it carries no archive flag.
  EXPECT_NE(std::find(events.begin(), events.end(), FileFinder::Event::Rejected), events.end());
}

TEST(FileFinder, SizeWindowIsInclusive) {
  testing::ScratchDir dir;
  write(dir / "exact.edb", 1024);
  write(dir / "over.edb", 1025);
  FileFinder finder;
  auto opts = edb_options(dir.path());
  opts.flags |= FileFinder::find_size;
  opts.min_size = opts.max_size = 1024;
  EXPECT_EQ(finder.find(opts), 1u);
  EXPECT_EQ(names(finder), std::vector<std::string>{"exact.edb"});
}

TEST(FileFinder, StopEndsTheSearchAndLinkLoopsAreNotFollowed) {
  testing::ScratchDir dir;
  for (int i = 0; i < 20; ++i) write(dir / ("m" + std::to_string(i) + ".edb"), 1);
  fs::create_directory_symlink(dir.path(), dir / "loop");
  FileFinder finder;
  finder.set_callback([](FileFinder& f, FileFinder::Event e) {
    if (e == FileFinder::Event::Accepted && f.file_count() == 3) f.stop_search();
  });
  auto opts = edb_options(dir.path());
  opts.subfolders = true;
  EXPECT_EQ(finder.find(opts), 3u);
  finder.set_callback(nullptr);
  finder.clear();
  EXPECT_EQ(finder.find(opts), 20u);
}

TEST(PathInfo, TextsOfSizesTimesAndLocations) {
  EXPECT_EQ(size_text(10239), "10239 B");
  EXPECT_EQ(size_text(10240), "10 KB");
  EXPECT_EQ(modified_text(1299506709), "07-03-2011 02:05 PM");
  EXPECT_EQ(FoundFile("/data/Mail.edb").location(), "/data/");
  EXPECT_EQ(FoundFile("/data/Mail.edb").file_name(), "Mail.edb");
  EXPECT_FALSE(FoundFile("/no/such/file.edb").file_size().has_value());
  EXPECT_EQ(with_trailing_separator("a\\"), "a\\");
  EXPECT_EQ(with_trailing_separator("a"), "a/");
}

}  // namespace
}  // namespace quorvine::discovery
