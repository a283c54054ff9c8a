// Several stores in one run of scan and export: each as if alone, a damaged one reported on
// its own without stopping the others, the exit status the worst of the runs; and find -0
// feeding them through xargs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli_support.hpp"
#include "support/test_support.hpp"

using quorvine::testing::CommandResult;
using quorvine::testing::ScratchDir;
using namespace cli_test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Two good stores of different generations and a copy of one cut short, so it cannot be
// opened.
struct ThreeStores {
  ScratchDir dir;
  fs::path good2007, good2010, damaged;

  ThreeStores() {
    good2007 = make_store(dir, "basic2007", "2007");
    good2010 = make_store(dir, "basic2010", "2010");
    fs::create_directory(dir / "damaged");
    damaged = dir / "damaged" / "basic2007_2007.edb";  // the same file name as a good one
    fs::copy_file(good2007, damaged);
    fs::resize_file(damaged, 3000);
  }
  std::string all() const { return quote(good2007) + " " + quote(damaged) + " " + quote(good2010); }
};

// The store's document when scanned alone, in one line.
std::string single_scan(const ScratchDir& dir, const fs::path& store) {
  const CommandResult alone = run_quorvine(dir, "scan " + quote(store) + " --json");
  EXPECT_EQ(alone.status, 0) << stderr_of(dir);
  return nlohmann::ordered_json::parse(alone.out).dump();
}

}  // namespace

TEST(SeveralStores, ScanJsonGivesOneLinePerStoreAndTheDamagedOnesError) {
  ThreeStores stores;
  const CommandResult run = run_quorvine(stores.dir, "scan --json " + stores.all());
  EXPECT_EQ(run.status, 2) << stderr_of(stores.dir);
  const auto lines = lines_of(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;

  // The good ones: the same document as a run on that store alone, compact.
  EXPECT_EQ(lines[0], single_scan(stores.dir, stores.good2007));
  EXPECT_EQ(lines[2], single_scan(stores.dir, stores.good2010));

  const auto error = nlohmann::json::parse(lines[1]);
  EXPECT_EQ(error["schema"], 1);
  EXPECT_EQ(error["database"], stores.damaged.string());
  EXPECT_EQ(error["status"], 2);
  EXPECT_NE(error["error"].get<std::string>().find(stores.damaged.string()), std::string::npos) << error.dump();
}

TEST(SeveralStores, ScanTextPrintsEachTreeAndOneStoreKeepsItsIndentedJson) {
  ThreeStores stores;
  const CommandResult text = run_quorvine(stores.dir, "scan " + quote(stores.good2007) + " " + quote(stores.good2010));
  EXPECT_EQ(text.status, 0) << stderr_of(stores.dir);
  const std::string first = run_quorvine(stores.dir, "scan " + quote(stores.good2007)).out;
  const std::string second = run_quorvine(stores.dir, "scan " + quote(stores.good2010)).out;
  EXPECT_EQ(text.out, first + second);

  const CommandResult one = run_quorvine(stores.dir, "scan --json " + quote(stores.good2007));
  EXPECT_NE(one.out.find("\n  \"database\""), std::string::npos) << "a single store's document is indented";
}

TEST(SeveralStores, ExportWritesOneFolderPerStoreAndGoesOnPastTheDamagedOne) {
  ThreeStores stores;
  const fs::path out = stores.dir / "out";
  const CommandResult run = run_quorvine(stores.dir, "export --jobs 1 --out " + quote(out) + " " + stores.all());
  EXPECT_EQ(run.status, 2) << stderr_of(stores.dir);
  const std::string err = stderr_of(stores.dir);
  EXPECT_NE(err.find(stores.damaged.string()), std::string::npos) << err;

  // Named after the store files; the second "basic2007_2007" is made unique.
  EXPECT_TRUE(fs::is_directory(out / "basic2007_2007" / "QuorvineRec"));
  EXPECT_TRUE(fs::is_directory(out / "basic2010_2010" / "QuorvineRec"));
  EXPECT_FALSE(fs::exists(out / "basic2007_2007-2" / "QuorvineRec")) << "the damaged store wrote something";
  EXPECT_FALSE(fs::exists(out / "QuorvineRec"));

  // Each good store's folder is byte for byte what it exports alone.
  for (const auto& [store, name] : {std::pair{stores.good2007, "basic2007_2007"}, {stores.good2010, "basic2010_2010"}}) {
    const fs::path alone = stores.dir / ("alone-" + std::string(name));
    ASSERT_EQ(run_quorvine(stores.dir, "export --jobs 1 --out " + quote(alone) + " " + quote(store)).status, 0);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(alone)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      const fs::path twin = out / name / fs::relative(entry.path(), alone);
      EXPECT_EQ(quorvine::testing::read_file(twin), quorvine::testing::read_file(entry.path())) << twin;
    }
    EXPECT_GT(files, 0u) << name;
  }
}

TEST(SeveralStores, FindZeroFeedsScanThroughXargs) {
  ThreeStores stores;
  fs::create_directory(stores.dir / "odd name\nwith a line end");
  const fs::path odd = stores.dir / "odd name\nwith a line end" / "copy.EDB";
  fs::copy_file(stores.good2010, odd);

  const CommandResult found = run_quorvine(stores.dir, "find " + quote(stores.dir.path()) + " --recursive -0");
  ASSERT_EQ(found.status, 0);
  std::vector<std::string> paths;
  for (size_t start = 0, end; (end = found.out.find('\0', start)) != std::string::npos; start = end + 1)
    paths.push_back(found.out.substr(start, end - start));
  EXPECT_EQ(found.out.back(), '\0');
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected = {stores.good2007.string(), stores.good2010.string(), stores.damaged.string(),
                                       odd.string()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);

  const CommandResult piped = quorvine::testing::run_command(
      quote(quorvine::testing::quorvine_program()) + " find " + quote(stores.dir.path()) + " --recursive -0 | " +
      "XDG_DATA_HOME=" + quote(stores.dir / "data") + " TMPDIR=" + quote(stores.dir.path()) + " xargs -0 " +
      quote(quorvine::testing::quorvine_program()) + " scan --json --quiet 2>/dev/null");
  EXPECT_NE(piped.status, 0) << "the damaged store counts";
  const auto lines = lines_of(piped.out);
  ASSERT_EQ(lines.size(), 4u) << piped.out;
  size_t errors = 0;
  for (const auto& line : lines) errors += nlohmann::json::parse(line).contains("error");
  EXPECT_EQ(errors, 1u);
}

TEST(SeveralStores, The2013RefusalNamesTheStoreOnce) {
  ScratchDir dir;
  const fs::path store2013 = make_store(dir, "basic2013", "2013");
  const fs::path store2007 = make_store(dir, "basic2007", "2007");
  const CommandResult run =
      run_quorvine(dir, "export --jobs 1 --out " + quote(dir / "out") + " " + quote(store2007) + " " + quote(store2013));
  EXPECT_EQ(run.status, 3) << stderr_of(dir);
  const std::string err = stderr_of(dir);
  const std::vector<std::string> lines = lines_of(err);
  const auto refusal = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.find("cannot be exported") != std::string::npos; });
  ASSERT_NE(refusal, lines.end()) << err;
  size_t named = 0;
  for (size_t at = refusal->find(store2013.string()); at != std::string::npos;
       at = refusal->find(store2013.string(), at + 1))
    ++named;
  EXPECT_EQ(named, 1u) << *refusal;
}

// The README's batch export: every store below a folder, each into its own folder, stores of
// one file name included, also when xargs splits the list into several runs (-n 3 here, so
// the last run gets a single store) and when the same export runs again. Each folder holds what its store exports alone.
TEST(SeveralStores, FindZeroFeedsExportThroughXargsOneFolderPerStore) {
  ScratchDir dir;
  const fs::path tree = dir / "stores";
  std::vector<fs::path> stores;
  const std::pair<const char*, const char*> made[] = {{"basic2007", "2007"}, {"basic2010", "2010"},
                                                      {"gui", "2007"}, {"fidelity", "2010"}};
  for (size_t i = 0; i < std::size(made); ++i) {
    const fs::path server = tree / ("server" + std::to_string(i));
    fs::create_directories(server);
    stores.push_back(server / (i < 2 ? "Mailbox.edb" : "Other.edb"));  // two pairs of one name
    fs::rename(make_store(dir, made[i].first, made[i].second), stores.back());
  }
  const fs::path out = dir / "out";
  const std::string env = "XDG_DATA_HOME=" + quote(dir / "data") + " TMPDIR=" + quote(dir.path()) + " ";
  const auto batch = [&](const std::string& xargs_options) {
    return quorvine::testing::run_command(
        quote(quorvine::testing::quorvine_program()) + " find " + quote(tree) + " --recursive -0 | " + env +
        "xargs -0 " + xargs_options + " " + quote(quorvine::testing::quorvine_program()) +
        " export --jobs 1 --quiet --out " + quote(out) + " 2>" + quote(dir / "err.txt"));
  };
  ASSERT_EQ(batch("-n 3").status, 0) << stderr_of(dir);
  const auto first = quorvine::testing::run_command("cd " + quote(out) + " && find . -type f | sort").out;
  ASSERT_EQ(batch("").status, 0) << stderr_of(dir);  // again, in one run: the same folders
  EXPECT_EQ(quorvine::testing::run_command("cd " + quote(out) + " && find . -type f | sort").out, first);

  std::set<std::string> folders;
  for (const auto& entry : fs::directory_iterator(out)) folders.insert(entry.path().filename().string());
  EXPECT_EQ(folders, (std::set<std::string>{"Mailbox", "Mailbox-2", "Other", "Other-2"}));
  // Each store's own export matches exactly one of the folders.
  std::set<std::string> matched;
  for (const fs::path& store : stores) {
    const fs::path alone = dir / "alone";
    fs::remove_all(alone);
    ASSERT_EQ(run_quorvine(dir, "export --jobs 1 --quiet --out " + quote(alone) + " " + quote(store)).status, 0);
    for (const std::string& folder : folders) {
      bool same = true;
      size_t files = 0;
      for (const auto& entry : fs::recursive_directory_iterator(alone)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        same = same && quorvine::testing::read_file(out / folder / fs::relative(entry.path(), alone)) ==
                           quorvine::testing::read_file(entry.path());
      }
      if (same && files > 0) EXPECT_TRUE(matched.insert(folder).second) << store << " matches a taken " << folder;
    }
  }
  EXPECT_EQ(matched, folders);
}
