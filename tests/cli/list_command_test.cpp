// "quorvine list" end to end on stores made by edbgen: every folder of the manifest lists
// exactly the manifest's rows, in order; and the command's own errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "decode/date_text.hpp"
#include "listing/message_list_kind.hpp"
#include "support/test_support.hpp"

namespace quorvine::cli {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct StoreCase {
  std::string scenario;
  std::string exchange;
  bool is_public = false;
};

// Failure output names the case instead of dumping the struct's bytes.
void PrintTo(const StoreCase& c, std::ostream* os) {
  *os << c.scenario << " (Exchange " << c.exchange << (c.is_public ? ", public" : "") << ")";
}

std::string case_name(const ::testing::TestParamInfo<StoreCase>& info) {
  return info.param.scenario + "_" + info.param.exchange + (info.param.is_public ? "_public" : "");
}

// Makes the store of a case; empty path (and a skip reason) when the tooling is missing.
fs::path make_store(const StoreCase& c, const ScratchDir& dir, std::string& skip) {
  const fs::path scenario = quorvine::testing::source_dir() / "tests" / "data" / (c.scenario + ".json");
  if (!fs::exists(scenario)) {
    skip = "scenario " + scenario.filename().string() + " not present";
    return {};
  }
  if (!fs::exists(quorvine::testing::edbgen_program())) {
    skip = "edbgen not built";
    return {};
  }
  const fs::path store = dir / "store.edb";
  const std::string command = quoted(quorvine::testing::edbgen_program().string()) + " --exchange " + c.exchange +
                              (c.is_public ? " --public" : "") + " --scenario " + quoted(scenario.string()) +
                              " --out " + quoted(store.string()) + " 2>&1";
  auto made = run_command(command);
  if (made.status != 0) {
    ADD_FAILURE() << "edbgen failed: " << made.out;
    return {};
  }
  return store;
}

nlohmann::json run_list_json(const fs::path& store, const std::string& exchange, const std::string& folder,
                             int& status) {
  const std::string command = "TZ=UTC LC_ALL=C " + quoted(quorvine::testing::quorvine_program().string()) +
                              " list " + quoted(store.string()) + " --exchange " + exchange + " --folder " +
                              quoted(folder) + " --json 2>/dev/null";
  auto result = run_command(command);
  status = result.status;
  if (status != 0) return nlohmann::json();
  return nlohmann::json::parse(result.out).at("rows");
}

// The list's date for a manifest row: stage 2 of the stored date in UTC and the C locale
// (2013 stores show the stage-1 text itself); an undecodable date shows empty.
std::string expected_date(const nlohmann::json& row, const std::string& exchange) {
  const std::string utc = row.value("date_utc", "");
  if (utc.empty() || utc.rfind("(0x", 0) == 0) return "";
  if (exchange == "2013") return utc;
  return decode::convert_date(utc);
}

class ListMatchesManifest : public ::testing::TestWithParam<StoreCase> {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_P(ListMatchesManifest, EveryFolderListsTheManifestRowsInOrder) {
  const StoreCase& c = GetParam();
  ScratchDir dir;
  std::string skip;
  const fs::path store = make_store(c, dir, skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  ASSERT_FALSE(store.empty());
  fs::path manifest_path = store;
  manifest_path.replace_extension(".manifest.json");
  std::ifstream in(manifest_path);
  ASSERT_TRUE(in) << "no manifest beside the store";
  const nlohmann::json manifest = nlohmann::json::parse(in);
  const listing::KindTable kinds = c.exchange == "2007"   ? listing::KindTable::Contents2007
                                : c.exchange == "2010" ? listing::KindTable::Header2010
                                                       : listing::KindTable::Header2013;
  size_t folders = 0, rows_seen = 0;
  for (const auto& folder : manifest.at("folders")) {
    const std::string path = folder.at("path");
    SCOPED_TRACE("folder " + path);
    int status = -1;
    const nlohmann::json listed = run_list_json(store, c.exchange, path, status);
    ASSERT_EQ(status, 0);
    const auto& expected = folder.at("rows");
    ASSERT_EQ(listed.size(), expected.size());
    ++folders;
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i));
      const auto& want = expected[i];
      const auto& got = listed[i];
      ASSERT_EQ(got.size(), 11u);
      EXPECT_EQ(got.at("kind"), want.at("kind"));
      EXPECT_FALSE(listing::is_hidden_message_class(got.at("kind").get<std::string>(), kinds));
      EXPECT_EQ(got.at("from"), want.at("from"));
      EXPECT_EQ(got.at("subject"), want.at("subject"));
      EXPECT_EQ(got.at("date"), expected_date(want, c.exchange));
      EXPECT_EQ(got.at("attachment"), want.at("attachment").get<bool>() ? "true" : "false");
      if (c.exchange == "2007") {
        EXPECT_EQ(got.at("to"), want.value("to", ""));
        EXPECT_EQ(got.at("cc"), want.value("cc", ""));
        EXPECT_EQ(got.at("bcc"), want.value("bcc", ""));
      } else {
        EXPECT_EQ(got.at("mail_number"), std::to_string(i + 1));
      }
      ++rows_seen;
    }
  }
  // A public 2013 store has no folders; every other store lists some.
  if (!(c.is_public && c.exchange == "2013")) EXPECT_GT(folders, 0u);
  RecordProperty("rows", static_cast<int>(rows_seen));
}

// Every scenario works with every generation.
std::vector<StoreCase> all_cases() {
  std::vector<StoreCase> cases;
  for (const char* scenario : {"basic2007", "basic2010", "basic2013", "edge2007"})
    for (const char* exchange : {"2007", "2010", "2013"}) cases.push_back({scenario, exchange, false});
  for (const char* exchange : {"2007", "2010", "2013"}) cases.push_back({"public", exchange, true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Stores, ListMatchesManifest, ::testing::ValuesIn(all_cases()), case_name);

TEST(ListCommand, UnknownFolderNamesTheClosestPathAndExitsOne) {
  ScratchDir dir;
  std::string skip;
  const fs::path store = make_store(StoreCase{"basic2007", "2007"}, dir, skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  ASSERT_FALSE(store.empty());
  const std::string program = quoted(quorvine::testing::quorvine_program().string());
  auto scanned = run_command(program + " scan " + quoted(store.string()) + " --exchange 2007 --json 2>/dev/null");
  ASSERT_EQ(scanned.status, 0);
  const auto tree = nlohmann::json::parse(scanned.out).at("tree");
  ASSERT_FALSE(tree.empty());
  ASSERT_FALSE(tree[0].at("children").empty());
  const std::string real = tree[0].at("label").get<std::string>() + "/" +
                           tree[0].at("children")[0].at("label").get<std::string>();
  const std::string typo = real + "x";
  auto result = run_command(program + " list " + quoted(store.string()) + " --exchange 2007 --folder " +
                            quoted(typo) + " 2>&1 >/dev/null");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
  EXPECT_NE(result.out.find("\"" + real + "\""), std::string::npos) << result.out;

  auto missing = run_command(program + " list " + quoted(store.string()) + " 2>&1 >/dev/null");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("--folder"), std::string::npos);
}

TEST(ListCommand, StoreThatCannotBeOpenedExitsTwo) {
  ScratchDir dir;
  const fs::path bogus = dir / "bogus.edb";
  std::ofstream(bogus) << "not a database";
  auto result = run_command(quoted(quorvine::testing::quorvine_program().string()) + " list " +
                            quoted(bogus.string()) + " --exchange 2007 --folder X 2>&1 >/dev/null");
  EXPECT_EQ(result.status, 2);
}

}  // namespace
}  // namespace quorvine::cli
