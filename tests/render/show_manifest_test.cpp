// "quorvine show" on every message of the edbgen scenarios, compared with the manifests:
// header fields, body text and attachment digests.
#include <gtest/gtest.h>

#include <cstdlib>

#include "decode/date_text.hpp"
#include "edbgen/exchange_sha256.hpp"
#include "render/render_fixture.hpp"

namespace quorvine::render {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using render_test::read_file;

// CR LF and a leading byte-order mark do not count; trailing line ends neither.
std::string normalized(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::string out;
  for (char c : text)
    if (c != '\r') out.push_back(c);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string field(const json& shown, const std::string& label) {
  for (const auto& f : shown["fields"])
    if (f["label"] == label) return f["value"];
  return "<no " + label + ">";
}

struct Case {
  std::string scenario;
  std::string exchange;
  bool is_public;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.scenario << " as " << c.exchange << (c.is_public ? " public" : ""); }

class ShowMatchesManifest : public ::testing::TestWithParam<Case> {};

TEST_P(ShowMatchesManifest, EveryMessage) {
  const Case c = GetParam();
  testing::ScratchDir dir;
  const json scenario = json::parse(read_file(testing::source_dir() / "tests" / "data" / c.scenario));
  const fs::path store = render_test::make_store(scenario, c.exchange, dir, c.is_public ? "--public" : "");
  ASSERT_FALSE(store.empty());
  fs::path manifest_path = store;
  manifest_path.replace_extension(".manifest.json");
  const json manifest = json::parse(read_file(manifest_path));
  ::setenv("TZ", "UTC", 1);
  ::tzset();

  size_t messages = 0, attachments = 0, bodies = 0;
  for (const auto& folder : manifest["folders"]) {
    const auto& rows = folder["rows"];
    for (size_t i = 0; i < rows.size(); ++i) {
      const json& row = rows[i];
      if (!row.contains("message")) continue;
      const json& message = row["message"];
      const fs::path out = dir / ("show-" + std::to_string(messages));
      const auto run = testing::run_command(
          "TZ=UTC '" + testing::quorvine_program().string() + "' show '" + store.string() + "' --exchange " +
          c.exchange + " --folder '" + std::string(folder["path"]) + "' --row " + std::to_string(i + 1) +
          " --out '" + out.string() + "' --json 2>/dev/null");
      ASSERT_EQ(run.status, 0) << folder["path"] << " row " << i + 1;
      const json shown = json::parse(run.out);
      SCOPED_TRACE(std::string(folder["path"]) + " row " + std::to_string(i + 1) + ": " + std::string(row["subject"]));
      ++messages;

      // Header fields of the page: the row's own values.
      const std::string renderer = shown["renderer"];
      const std::string from_label = renderer == "contact" ? "From:" : "From :";
      if (!std::string(row["from"]).empty() && !shown["fields"].empty()) {
        EXPECT_EQ(field(shown, from_label).rfind(std::string(row["from"]), 0), 0u) << field(shown, from_label);
      }
      if (renderer == "mail") {
        EXPECT_EQ(field(shown, "Subject: "), row["subject"]);
        EXPECT_EQ(field(shown, "Date:"), row["date_utc"] == "" ? "" : decode::convert_date(std::string(row["date_utc"])));
        if (c.exchange == "2007") {
          std::string to = row["to"];
          for (size_t at = 0; (at = to.find(',', at)) != std::string::npos; at += 2) to.replace(at, 1, ", ");
          EXPECT_EQ(field(shown, "To:"), to);
          EXPECT_EQ(field(shown, "Cc: "), row["cc"]);
          EXPECT_EQ(field(shown, "Bcc: "), row["bcc"]);
        }
      }
      const std::string header = read_file(std::string(shown["header_page"]));
      if (renderer != "notes" || c.exchange == "2007") EXPECT_EQ(header.substr(0, 2), "\xFF\xFE");

      // The body file holds the manifest's body text.
      const std::string expected_body = message["body_text"];
      if (!expected_body.empty() && renderer != "distlist") {
        ++bodies;
        EXPECT_EQ(normalized(read_file(std::string(shown["body"]["file"]))), normalized(expected_body));
      }

      // Attachment files carry the manifest's digests, in order, for the kinds that write them.
      if (renderer == "mail" || renderer == "appointment" || renderer == "activity") {
        const auto& expected = message["attachments"];
        ASSERT_EQ(shown["attachments"].size(), expected.size());
        for (size_t k = 0; k < expected.size(); ++k) {
          const std::string data = read_file(std::string(shown["attachments"][k]["file"]));
          std::string name = expected[k]["name"];
          // The 2003/2007 index already replaces the characters Windows refuses in names.
          if (c.exchange == "2007")
            for (char& ch : name)
              if (std::string_view("\\/:?*<>|\"").find(ch) != std::string_view::npos) ch = '_';
          EXPECT_EQ(shown["attachments"][k]["name"], name);
          const fs::path file = std::string(shown["attachments"][k]["file"]);
          EXPECT_EQ(file.parent_path(), out);
          EXPECT_EQ(edbgen::sha256_hex(std::vector<uint8_t>(data.begin(), data.end())), expected[k]["sha256"]);
          ++attachments;
        }
      }
    }
  }
  EXPECT_GT(messages, 0u);
  EXPECT_GT(bodies, 0u);
  std::printf("%zu messages, %zu bodies, %zu attachments compared\n", messages, bodies, attachments);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ShowMatchesManifest,
                         ::testing::Values(Case{"basic2007.json", "2007", false}, Case{"basic2010.json", "2010", false},
                                           Case{"edge2007.json", "2007", false}, Case{"edge2007.json", "2010", false},
                                           Case{"public.json", "2007", true}, Case{"public.json", "2010", true}),
                         [](const auto& info) {
                           std::string name = info.param.scenario.substr(0, info.param.scenario.find('.')) + "_" +
                                              info.param.exchange + (info.param.is_public ? "_public" : "");
                           return name;
                         });

}  // namespace
}  // namespace quorvine::render
