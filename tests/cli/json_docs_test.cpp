// docs/json.md names every key that the JSON of scan, list and show carries, and every
// document says its schema.
#include <gtest/gtest.h>

#include <functional>
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

// Key order as printed, so the test sees which key comes first.
using Json = nlohmann::ordered_json;

void collect_keys(const Json& value, std::set<std::string>& keys) {
  if (value.is_object()) {
    for (const auto& [key, child] : value.items()) {
      keys.insert(key);
      collect_keys(child, keys);
    }
  } else if (value.is_array()) {
    for (const auto& child : value) collect_keys(child, keys);
  }
}

// Each line of `out` that holds a document (JSON Lines or one indented document).
std::vector<Json> documents(const std::string& out, bool lines) {
  if (!lines) return {Json::parse(out)};
  std::vector<Json> all;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) all.push_back(Json::parse(line));
  return all;
}

}  // namespace

TEST(JsonDocs, EveryKeyTheCommandsEmitIsDocumented) {
  ScratchDir dir;
  const fs::path s2007 = make_store(dir, "basic2007", "2007"), s2010 = make_store(dir, "basic2010", "2010");
  const fs::path broken = dir / "broken.edb";
  quorvine::testing::write_file(broken, "not a store");

  struct Run {
    std::string args;
    bool lines;
  };
  const std::vector<Run> runs = {
      {"scan --json " + quote(s2007), false},
      {"scan --json " + quote(s2007) + " " + quote(s2010) + " " + quote(broken), true},
      {"list --json " + quote(s2007) + " --folder 'Alice Smith/Inbox'", false},
      {"list --json " + quote(s2010) + " --folder 'Alice Smith/Inbox'", false},
      {"show --json " + quote(s2007) + " --folder 'Alice Smith/Inbox' --row 1 --out " + quote(dir / "p1"), false},
      {"show --json " + quote(s2010) + " --folder 'Alice Smith/Inbox' --row 1 --out " + quote(dir / "p2"), false},
  };
  std::set<std::string> keys;
  for (const Run& run : runs) {
    const CommandResult result = run_quorvine(dir, run.args);
    ASSERT_FALSE(result.out.empty()) << run.args << "\n" << stderr_of(dir);
    for (const auto& document : documents(result.out, run.lines)) {
      ASSERT_TRUE(document.is_object()) << run.args;
      EXPECT_EQ(document.value("schema", 0), 1) << run.args;
      EXPECT_EQ(document.begin().key(), "schema") << run.args;
      collect_keys(document, keys);
    }
  }
  // The runs reach the nested documents too: tree nodes, rows, fields, body, attachments.
  for (const char* nested : {"children", "rows", "message_id", "fields", "mail_body_type", "size", "error"})
    EXPECT_TRUE(keys.count(nested)) << nested;

  const std::string docs = quorvine::testing::read_file(quorvine::testing::source_dir() / "docs" / "json.md");
  ASSERT_FALSE(docs.empty());
  for (const std::string& key : keys)
    EXPECT_TRUE(docs.find("`\"" + key + "\"`") != std::string::npos || docs.find("`" + key + "`") != std::string::npos)
        << "docs/json.md does not name \"" << key << "\"";
}
