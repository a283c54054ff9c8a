// edbgen end to end: every scenario in every generation gives a store that libesedb's own
// tools read without error and that our reading layer lists exactly as esedbinfo does;
// bad input leaves nothing behind.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "edbgen/exchange_ids.hpp"
#include "ese/database.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool have_program(const std::string& name) {
  return run_command("command -v " + name + " >/dev/null 2>&1").status == 0;
}

struct Made {
  int status = -1;
  std::string output;
  fs::path store;
};

Made run_edbgen(const std::string& arguments, const fs::path& store) {
  const auto r = run_command(quoted(quorvine::testing::edbgen_program().string()) + " " + arguments +
                             " --out " + quoted(store.string()) + " 2>&1");
  return {r.status, r.out, store};
}

fs::path scenario(const std::string& name) {
  return quorvine::testing::source_dir() / "tests" / "data" / (name + ".json");
}

// Table name -> column names, in esedbinfo's order.
using Listing = std::map<std::string, std::vector<std::string>>;

Listing esedbinfo_listing(const fs::path& store, int& status) {
  const auto r = run_command("esedbinfo " + quoted(store.string()) + " 2>&1");
  status = r.status;
  Listing out;
  std::istringstream in(r.out);
  std::string line, table;
  const std::regex table_line(R"(^Table: \d+\t+(.*) \(\d+\)$)");
  const std::regex column_line(R"(^\t(\d+)\t(\d+)\t([^\t]+)\t.*$)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, table_line)) {
      table = m[1];
      out[table];
    } else if (!table.empty() && std::regex_match(line, m, column_line)) {
      out[table].push_back(m[3]);
    }
  }
  return out;
}

Listing reader_listing(const fs::path& store) {
  const auto db = quorvine::ese::Database::open(store);
  Listing out;
  for (const auto& t : db.tables()) {
    auto& columns = out[t.name];
    const auto table = db.open_table(t.index);
    for (const auto& c : table.columns()) columns.push_back(c.name);
  }
  return out;
}

struct StoreCase {
  std::string scenario, exchange;
  bool is_public;
};

std::vector<StoreCase> all_cases() {
  std::vector<StoreCase> out;
  for (const char* s : {"basic2007", "edge2007", "basic2010", "basic2013", "demo"})
    for (const char* g : {"2007", "2010", "2013"}) out.push_back({s, g, false});
  for (const char* g : {"2007", "2010", "2013"}) out.push_back({"public", g, true});
  return out;
}

class EveryScenarioAndGeneration : public ::testing::TestWithParam<StoreCase> {};

TEST_P(EveryScenarioAndGeneration, LibesedbToolsAndOurReaderAgree) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  const StoreCase& c = GetParam();
  ScratchDir dir;
  const Made made = run_edbgen("--exchange " + c.exchange + (c.is_public ? " --public" : "") +
                                   " --scenario " + quoted(scenario(c.scenario).string()),
                               dir / "store.edb");
  ASSERT_EQ(made.status, 0) << made.output;
  ASSERT_TRUE(fs::exists(dir / "store.manifest.json"));
  std::ifstream manifest_in(dir / "store.manifest.json");
  const auto manifest = nlohmann::json::parse(manifest_in);
  EXPECT_EQ(manifest.at("exchange"), c.exchange);

  const auto db = quorvine::ese::Database::open(made.store);
  EXPECT_EQ(db.header().page_size, manifest.at("page_size").get<uint32_t>());
  EXPECT_EQ(db.header().format_revision, manifest.at("format_revision").get<uint32_t>());
  EXPECT_EQ(db.find_table("Mailbox").has_value(), !c.is_public);

  if (!have_program("esedbinfo") || !have_program("esedbexport"))
    GTEST_SKIP() << "libesedb-utils not installed";
  int status = -1;
  const Listing theirs = esedbinfo_listing(made.store, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(reader_listing(made.store), theirs);
  const auto exported = run_command("cd " + quoted(dir.path().string()) + " && esedbexport -t out " +
                                    quoted(made.store.string()) + " 2>&1");
  EXPECT_EQ(exported.status, 0) << exported.out;
  EXPECT_NE(exported.out.find("Export completed."), std::string::npos) << exported.out;
}

INSTANTIATE_TEST_SUITE_P(Stores, EveryScenarioAndGeneration, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<StoreCase>& info) {
                           return info.param.scenario + "_" + info.param.exchange;
                         });

// What readers rely on beyond the listing: page sizes and revisions per generation, the
// attachment table found by its callback, a contents table per folder, headers stored as a
// separate long value, compressed columns in 2010.
TEST(ExchangeLayouts, GenerationsAsReadersExpectThem) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  const std::string basic = " --scenario " + quoted(scenario("basic2007").string());
  ASSERT_EQ(run_edbgen("--exchange 2007" + basic, dir / "s07.edb").status, 0);
  ASSERT_EQ(run_edbgen("--exchange 2007 --page-size 4096" + basic, dir / "s03.edb").status, 0);
  ASSERT_EQ(run_edbgen("--exchange 2010" + basic, dir / "s10.edb").status, 0);
  ASSERT_EQ(run_edbgen("--exchange 2013" + basic, dir / "s13.edb").status, 0);

  const auto s07 = quorvine::ese::Database::open(dir / "s07.edb");
  EXPECT_EQ(s07.header().page_size, 8192u);
  EXPECT_EQ(quorvine::ese::Database::open(dir / "s03.edb").header().page_size, 4096u);
  size_t attachment_tables = 0, contents_tables = 0;
  for (const auto& t : s07.tables()) {
    for (const auto& cb : t.callbacks) {
      if (cb != "JCB.DLL!EcJcbAttachCallback") continue;
      ++attachment_tables;
      EXPECT_NE(t.name, "Attachment");  // found by the callback, not by a usual name
    }
    if (t.name.rfind("1-", 0) == 0) ++contents_tables;
  }
  EXPECT_EQ(attachment_tables, 1u);
  EXPECT_EQ(contents_tables, 12u);  // every folder of both mailboxes
  const auto msg = s07.open_table(*s07.find_table("Msg"));
  const size_t s7d = *msg.column_index("S7d");
  const auto record = msg.read_record(0, std::vector<size_t>{s7d});
  ASSERT_NE(record.stored(s7d), nullptr);
  EXPECT_TRUE(record.stored(s7d)->flags & quorvine::ese::value_flags::long_value);
  const auto headers = record.text(s7d);
  ASSERT_TRUE(headers.has_value());
  EXPECT_NE(headers->find("To: Alice Smith <alice.smith@example.com>\r\n"), std::string::npos);

  // Every folder identifier read back finds its contents table by the readers' folder key.
  std::set<std::string> keys;
  for (const auto& t : s07.tables()) keys.insert(edbgen::folder_key(t.name));
  const auto folders07 = s07.open_table(*s07.find_table("Folders"));
  const size_t fid = *folders07.column_index("Q6748"), path = *folders07.column_index("S6707");
  size_t matched = 0;
  for (uint64_t r = 0; r < folders07.record_count(); ++r) {
    const auto rec = folders07.read_record(r, std::vector<size_t>{fid, path});
    const auto id = rec.bytes(fid).value();
    ASSERT_EQ(id.size(), 8u);
    uint64_t value = 0;
    for (uint8_t b : id) value = value << 8 | b;
    std::string text = edbgen::identifier_text(value);
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (rec.text(path).value() == "/NON_IPM_SUBTREE") continue;  // mailbox roots hold no mail
    EXPECT_TRUE(keys.count(text)) << text;
    ++matched;
  }
  EXPECT_EQ(matched, 12u);

  const auto s10 = quorvine::ese::Database::open(dir / "s10.edb");
  EXPECT_EQ(s10.header().page_size, 32768u);
  EXPECT_EQ(s10.header().format_revision, 0x11u);
  ASSERT_TRUE(s10.find_table("Folders-101-1").has_value());
  ASSERT_TRUE(s10.find_table("MsgHeader-101-1").has_value());
  const auto body = s10.open_table(*s10.find_table("Body-101-1"));
  const size_t text_body = *body.column_index("S1000");
  EXPECT_TRUE(body.columns()[text_body].compressed());
  size_t compressed_values = 0;
  for (uint64_t r = 0; r < body.record_count(); ++r) {
    const auto rec = body.read_record(r, std::vector<size_t>{text_body});
    if (const auto* v = rec.stored(text_body); v && (v->flags & quorvine::ese::value_flags::compressed))
      ++compressed_values;
  }
  EXPECT_GT(compressed_values, 0u);

  const auto s13 = quorvine::ese::Database::open(dir / "s13.edb");
  EXPECT_TRUE(s13.find_table("Folder_101").has_value());
  EXPECT_TRUE(s13.find_table("Message_4660").has_value());
  // Attachments of 2013 messages: mailbox 101 has one, mailbox 4660 none.
  EXPECT_EQ(s13.open_table(*s13.find_table("Attachment_101")).record_count(), 1u);
  EXPECT_EQ(s13.open_table(*s13.find_table("Attachment_4660")).record_count(), 0u);
  const auto folders = s13.open_table(*s13.find_table("Folder_101"));
  const size_t parent = *folders.column_index("ParentFolderId");
  const auto root = folders.read_record(0, std::vector<size_t>{parent});
  EXPECT_EQ(root.bytes(parent).value(), quorvine::ese::Bytes(26, 0));  // the root comes first
}

TEST(EdbgenBadInput, OneLineErrorExitOneAndNothingLeftBehind) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  {
    std::ofstream(dir / "broken.json") << "{\"mailboxes\": [ {\"number\": 1,";
  }
  const auto check = [&](const std::string& args, const std::string& expect_in_message) {
    const Made made = run_edbgen(args, dir / "out" / "store.edb");
    EXPECT_EQ(made.status, 1) << args;
    EXPECT_EQ(std::count(made.output.begin(), made.output.end(), '\n'), 1) << made.output;
    EXPECT_NE(made.output.find(expect_in_message), std::string::npos) << made.output;
    EXPECT_FALSE(fs::exists(dir / "out" / "store.edb"));
    EXPECT_FALSE(fs::exists(dir / "out" / "store.manifest.json"));
  };
  fs::create_directory(dir / "out");
  check("--exchange 2007 --scenario " + quoted((dir / "broken.json").string()), "not valid JSON");
  check("--exchange 2016 --scenario " + quoted(scenario("basic2007").string()), "unknown layout");
  check("--exchange 2007 --scenario " + quoted(scenario("public").string()), "needs \"mailboxes\"");
  check("--exchange 2007 --scale 0", "--scale");
  check("--exchange 2010 --page-size 5000 --scale 10", "--page-size");
  check("--exchange 2007 --scale 10 --big-mailbox 100", "--big-mailbox");
  check("--exchange 2007 --public --scale 10 --big-mailbox 50", "--big-mailbox");
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  // An output folder that does not exist, and one that cannot be written.
  const Made missing = run_edbgen("--exchange 2007 --scenario " + quoted(scenario("basic2007").string()),
                                  dir / "nowhere" / "store.edb");
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (run_command("test -w " + quoted((dir / "locked").string())).status != 0) {
    const Made locked = run_edbgen("--exchange 2007 --scenario " + quoted(scenario("basic2007").string()),
                                   dir / "locked" / "store.edb");
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(std::count(locked.output.begin(), locked.output.end(), '\n'), 1) << locked.output;
  }
  fs::permissions(dir / "locked", fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty(dir / "locked"));
}

TEST(EdbgenScale, SameNumberGivesTheSameStoreAndCountsAddUp) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  ASSERT_EQ(run_edbgen("--exchange 2010 --scale 300", dir / "a.edb").status, 0);
  ASSERT_EQ(run_edbgen("--exchange 2010 --scale 300", dir / "b.edb").status, 0);
  // Past the header and its shadow (two 32 KiB pages, which carry the time of writing).
  const auto same = run_command("cmp -s -i 65536 " + quoted((dir / "a.edb").string()) + " " +
                                quoted((dir / "b.edb").string()));
  EXPECT_EQ(same.status, 0) << "two runs of --scale 300 differ";
  EXPECT_EQ(run_command("cmp -s " + quoted((dir / "a.manifest.json").string()) + " " +
                        quoted((dir / "b.manifest.json").string()))
                .status,
            0);
  std::ifstream in(dir / "a.manifest.json");
  const auto manifest = nlohmann::json::parse(in);
  uint64_t total = 0;
  for (const auto& f : manifest.at("folders")) {
    total += f.at("row_count").get<uint64_t>();
    EXPECT_FALSE(f.at("rows_complete").get<bool>());
    EXPECT_LE(f.at("rows").size(), 3u);
  }
  EXPECT_EQ(total, 300u);
  EXPECT_GE(manifest.at("tree").size(), 2u);
  // The reader sees every message in the header tables.
  const auto db = quorvine::ese::Database::open(dir / "a.edb");
  uint64_t headers = 0;
  for (const auto& t : db.tables())
    if (t.name.rfind("MsgHeader-", 0) == 0) headers += db.open_table(t.index).record_count();
  EXPECT_EQ(headers, 300u);
}

TEST(EdbgenScale, BigMailboxManifestMatchesTheTables) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  ASSERT_EQ(run_edbgen("--exchange 2007 --scale 1000 --big-mailbox 90", dir / "big.edb").status, 0);
  std::ifstream in(dir / "big.manifest.json");
  const auto manifest = nlohmann::json::parse(in);
  EXPECT_EQ(manifest.at("big_mailbox_percent"), 90);
  uint64_t total = 0, biggest = 0;
  std::vector<uint64_t> biggest_rows;
  for (const auto& f : manifest.at("folders")) {
    const uint64_t n = f.at("row_count").get<uint64_t>();
    total += n;
    if (n > biggest) {
      biggest = n;
      biggest_rows.clear();
      for (const auto& r : f.at("rows")) biggest_rows.push_back(r.at("index").get<uint64_t>());
    }
  }
  EXPECT_EQ(total, 1000u);
  EXPECT_GE(biggest, 600u);
  // 2007 lists oldest first: the sample rows are the folder's first messages.
  ASSERT_EQ(biggest_rows.size(), 3u);
  EXPECT_EQ(biggest_rows, (std::vector<uint64_t>{0, 1, 2}));
  const auto db = quorvine::ese::Database::open(dir / "big.edb");
  uint64_t messages = 0, biggest_contents = 0;
  for (const auto& t : db.tables()) {
    const uint64_t n = db.open_table(t.index).record_count();
    if (t.name == "Msg") messages = n;
    if (t.name.rfind("1-", 0) == 0) biggest_contents = std::max(biggest_contents, n);
  }
  EXPECT_EQ(messages, 1000u);
  EXPECT_EQ(biggest_contents, biggest);
}

}  // namespace
