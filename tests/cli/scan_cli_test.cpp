// `quorvine scan` end to end on edbgen stores: the printed tree equals the manifest's, the
// generation pick, the text form, and the exit statuses.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <nlohmann/json.hpp>

#include "cli_support.hpp"
#include "support/test_support.hpp"

using quorvine::testing::CommandResult;
using quorvine::testing::ScratchDir;
using quorvine::testing::run_command;
using namespace cli_test;

namespace {

nlohmann::json manifest_of(const std::filesystem::path& store) {
  auto path = store;
  path.replace_extension(".manifest.json");
  std::ifstream in(path);
  return nlohmann::json::parse(in);
}

struct Case {
  std::string scenario;
  std::string exchange;
  bool is_public;
};

// Failure output names the case instead of dumping the struct's bytes.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.scenario << " (Exchange " << c.exchange << (c.is_public ? ", public" : "") << ")";
}

class ScanMatchesManifest : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(ScanMatchesManifest, TreeFolderForFolderInOrder) {
  const Case& c = GetParam();
  ScratchDir dir;
  const auto store = make_store(dir, c.scenario, c.exchange, c.is_public);
  const auto manifest = manifest_of(store);

  // Auto pick: the generation comes from the table names.
  const CommandResult picked = run_quorvine(dir, "scan " + quote(store) + " --json");
  ASSERT_EQ(picked.status, 0) << stderr_of(dir);
  const auto out = nlohmann::json::parse(picked.out);
  EXPECT_EQ(out["exchange"], c.exchange);
  EXPECT_EQ(out["exchange_picked"], "auto");
  EXPECT_NE(stderr_of(dir).find("Exchange " + c.exchange), std::string::npos);
  EXPECT_EQ(out["kind"], c.is_public ? "public" : "private");
  EXPECT_EQ(out["state"], "clean shutdown");
  EXPECT_EQ(out["database"], store.string());
  EXPECT_EQ(out["page_size"], manifest["page_size"]);
  EXPECT_EQ(out["format_version"], manifest["format_version"]);
  EXPECT_EQ(out["tree"], manifest["tree"]);

  // Explicit choice, same tree.
  const CommandResult chosen = run_quorvine(dir, "scan " + quote(store) + " --exchange " + c.exchange + " --json");
  ASSERT_EQ(chosen.status, 0) << stderr_of(dir);
  const auto explicit_out = nlohmann::json::parse(chosen.out);
  EXPECT_EQ(explicit_out["exchange_picked"], "explicit");
  EXPECT_EQ(explicit_out["tree"], manifest["tree"]);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ScanMatchesManifest,
    ::testing::Values(Case{"basic2007", "2007", false}, Case{"edge2007", "2007", false},
                      Case{"demo", "2007", false}, Case{"public", "2007", true},
                      Case{"basic2010", "2010", false}, Case{"edge2007", "2010", false},
                      Case{"public", "2010", true}, Case{"basic2013", "2013", false},
                      Case{"edge2007", "2013", false}, Case{"public", "2013", true}),
    [](const auto& info) {
      return info.param.scenario + "_" + info.param.exchange + (info.param.is_public ? "_public" : "");
    });

TEST(ScanCommand, TextTreeAndWorkFiles) {
  ScratchDir dir;
  const auto store = make_store(dir, "basic2007", "2007", false);
  const CommandResult result = run_quorvine(dir, "scan " + quote(store));
  ASSERT_EQ(result.status, 0) << stderr_of(dir);
  const auto manifest = manifest_of(store);
  const auto& box = manifest["tree"].at(0);
  const auto& folder = box["children"].at(0);
  // Root, then two blanks per level, folders with their class.
  const std::string expected_start = store.string() + "\n  " + box["label"].get<std::string>() +
                                     "\n    " + folder["label"].get<std::string>() + " [" +
                                     folder["class"].get<std::string>() + "]\n";
  EXPECT_EQ(result.out.substr(0, expected_start.size()), expected_start);
  // A plain run keeps the scan's status texts to itself; --verbose shows them.
  EXPECT_EQ(stderr_of(dir).find("Status:"), std::string::npos) << stderr_of(dir);
  EXPECT_NE(stderr_of(dir).find("database state: clean shutdown"), std::string::npos);
  ASSERT_EQ(run_quorvine(dir, "scan " + quote(store) + " --verbose").out, result.out);
  EXPECT_NE(stderr_of(dir).find("Status: (Step 1/7) initialize Exchange EDB File (please wait..)"), std::string::npos);
  // The work folder is named after the database, without its extension, and keyed by it.
  std::filesystem::path work;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "data" / "quorvine"))
    if (entry.path().filename().string().starts_with("basic2007_2007-")) work = entry.path();
  EXPECT_TRUE(std::filesystem::exists(work / "files.txt"));
  EXPECT_TRUE(std::filesystem::exists(work / "Msg.txt"));
}

TEST(ScanCommand, PublicStoreUnder2013HasNoFolders) {
  ScratchDir dir;
  const auto store = make_store(dir, "public", "2007", true);
  const CommandResult result = run_quorvine(dir, "scan " + quote(store) + " --exchange 2013 --json");
  ASSERT_EQ(result.status, 0) << stderr_of(dir);
  const auto out = nlohmann::json::parse(result.out);
  ASSERT_EQ(out["tree"].size(), 1u);
  EXPECT_EQ(out["tree"][0]["label"], "ExPublic Folder");
  EXPECT_TRUE(out["tree"][0]["children"].empty());
  EXPECT_EQ(out["exchange"], "2013");
}

TEST(ScanCommand, StoresThatCannotBeOpenedExitTwoWithTheReason) {
  ScratchDir dir;
  {
    std::ofstream text(dir / "notes.edb");
    text << "not a database\n";
  }
  std::ofstream(dir / "empty.edb").close();
  for (const auto& target : {dir / "notes.edb", dir / "empty.edb", dir / "missing.edb", dir.path()}) {
    const CommandResult result = run_quorvine(dir, "scan " + quote(target) + " --json");
    EXPECT_EQ(result.status, 2) << target;
    EXPECT_EQ(result.out, "") << target;
    const std::string err = stderr_of(dir);
    EXPECT_NE(err.find("Unable to Recover Exchange Database"), std::string::npos) << err;
    EXPECT_NE(err.find(target.filename().string()), std::string::npos) << err;
  }
}

TEST(ScanCommand, UsageErrorsExitOne) {
  ScratchDir dir;
  for (const std::string args : {"scan", "scan a.edb --exchange 2016",
                                 "scan a.edb --exchange", "scan a.edb --jsn", "frobnicate"}) {
    const CommandResult result = run_quorvine(dir, args);
    EXPECT_EQ(result.status, 1) << args;
    EXPECT_NE(stderr_of(dir).find("usage"), std::string::npos) << args;
  }
  const CommandResult version = run_quorvine(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("quorvine ", 0), 0u);
}
