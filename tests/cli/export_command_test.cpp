// "quorvine export" end to end on stores made by edbgen: the exported tree and every MBOX
// file read back by Python's mailbox/email packages, GMime's mbox parser and formail, against
// the manifest; the edge cases of the output tree, the date filter and failures.
#include <fcntl.h>
#include <unistd.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

void PrintTo(const StoreCase& c, std::ostream* os) {
  *os << c.scenario << " (Exchange " << c.exchange << (c.is_public ? ", public" : "") << ")";
}

std::string case_name(const ::testing::TestParamInfo<StoreCase>& info) {
  return info.param.scenario + "_" + info.param.exchange + (info.param.is_public ? "_public" : "");
}

bool tools_present() {
  return fs::exists(quorvine::testing::edbgen_program()) && fs::exists(quorvine::testing::quorvine_program());
}

fs::path make_store(const fs::path& scenario, const std::string& exchange, bool is_public, const fs::path& store) {
  const std::string command = quoted(quorvine::testing::edbgen_program().string()) + " --exchange " + exchange +
                              (is_public ? " --public" : "") + " --scenario " + quoted(scenario.string()) +
                              " --out " + quoted(store.string()) + " 2>&1";
  auto made = run_command(command);
  EXPECT_EQ(made.status, 0) << made.out;
  return store;
}

fs::path scenario_file(const std::string& name) {
  return quorvine::testing::source_dir() / "tests" / "data" / (name + ".json");
}

// Runs the export; returns its status, standard output in `out`, standard error in `err`.
int run_export(const fs::path& store, const std::string& arguments, std::string* err = nullptr,
               std::string* out = nullptr) {
  ScratchDir logs;
  const std::string command = quoted(quorvine::testing::quorvine_program().string()) + " export " +
                              quoted(store.string()) + " " + arguments + " 2>" + quoted((logs / "err").string());
  auto result = run_command(command);
  if (err) {
    std::ifstream in(logs / "err");
    std::stringstream text;
    text << in.rdbuf();
    *err = text.str();
  }
  if (out) *out = result.out;
  return result.status;
}

std::string verify(const fs::path& manifest, const fs::path& out, const std::string& extra = "") {
  const fs::path script = quorvine::testing::source_dir() / "tests" / "export" / "verify_export.py";
  auto result = run_command("python3 " + quoted(script.string()) + " " + quoted(manifest.string()) + " " +
                            quoted(out.string()) + " " + extra + " 2>&1");
  return result.status == 0 ? std::string() : result.out;
}

std::vector<fs::path> mbox_files(const fs::path& root) {
  std::vector<fs::path> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Messages GMime's parser finds in an MBOX file.
int gmime_message_count(const fs::path& file) {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
  GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr);
  if (!stream) return -1;
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  g_mime_parser_set_format(parser, GMIME_FORMAT_MBOX);
  int count = 0;
  while (!g_mime_parser_eos(parser)) {
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    if (!message) break;
    ++count;
    g_object_unref(message);
  }
  g_object_unref(parser);
  g_object_unref(stream);
  return count;
}

int python_message_count(const fs::path& file) {
  auto result = run_command("python3 -c 'import mailbox,sys; print(len(mailbox.mbox(sys.argv[1])))' " +
                            quoted(file.string()));
  return result.status == 0 ? std::stoi(result.out) : -1;
}

class ExportMatchesManifest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(ExportMatchesManifest, EveryMboxReadsBackAsTheManifestSays) {
  if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
  const StoreCase& c = GetParam();
  ScratchDir dir;
  const fs::path store = make_store(scenario_file(c.scenario), c.exchange, c.is_public, dir / "store.edb");
  std::string err;
  ASSERT_EQ(run_export(store, "--out " + quoted((dir / "out").string()) + " --jobs 2", &err), 0) << err;
  EXPECT_EQ(verify(dir / "store.manifest.json", dir / "out"), "");
  const bool formail = run_command("command -v formail >/dev/null").status == 0;
  for (const fs::path& file : mbox_files(dir / "out")) {
    SCOPED_TRACE(file.string());
    const int count = python_message_count(file);
    EXPECT_EQ(gmime_message_count(file), count);
    if (formail && count > 0) {
      auto split = run_command("formail -s echo message < " + quoted(file.string()) + " | wc -l");
      EXPECT_EQ(std::stoi(split.out), count);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ExportMatchesManifest,
                         ::testing::Values(StoreCase{"basic2007", "2007"}, StoreCase{"basic2010", "2010"},
                                           StoreCase{"edge2007", "2007"}, StoreCase{"edge2007", "2010"},
                                           StoreCase{"public", "2007", true}, StoreCase{"public", "2010", true},
                                           StoreCase{"demo", "2007"}, StoreCase{"demo", "2010"},
                                           StoreCase{"fidelity", "2007"}, StoreCase{"fidelity", "2010"}),
                         case_name);

TEST(ExportCommand, OutputIsTheSameForAnyNumberOfJobs) {
  if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
  for (const char* exchange : {"2007", "2010"}) {
    ScratchDir dir;
    const fs::path store = make_store(scenario_file("edge2007"), exchange, false, dir / "store.edb");
    ASSERT_EQ(run_export(store, "--out " + quoted((dir / "one").string()) + " --jobs 1"), 0);
    ASSERT_EQ(run_export(store, "--out " + quoted((dir / "three").string()) + " --jobs 3"), 0);
    const auto one = mbox_files(dir / "one"), three = mbox_files(dir / "three");
    ASSERT_EQ(one.size(), three.size());
    for (size_t i = 0; i < one.size(); ++i) {
      EXPECT_EQ(fs::relative(one[i], dir / "one"), fs::relative(three[i], dir / "three"));
      EXPECT_EQ(contents(one[i]), contents(three[i])) << one[i];
    }
  }
}

// A small store for the tree's edge cases: a colon in the mailbox name, "Deleted Items", a
// contacts-only folder, and three mails a day apart.
const char* kEdgeScenario = R"({
 "mailboxes": [ { "number": 9, "display_name": "Sales: West", "folders": [
  { "name": "Inbox", "class": "IPF.Note", "messages": [
    { "subject": "one", "sender_name": "A", "sender_address": "a@example.com", "to": ["b@example.com"],
      "date": "2011-03-07T14:05:09Z", "body": "first\r\nFrom here on, quoted\r\n" },
    { "subject": "two", "sender_name": "A", "sender_address": "a@example.com", "to": ["b@example.com"],
      "date": "2011-03-08T09:30:00Z", "body": "second" },
    { "subject": "three", "sender_name": "A", "sender_address": "a@example.com", "to": ["b@example.com"],
      "date": "2011-03-09T17:45:30Z", "body": "third" } ] },
  { "name": "Deleted Items", "class": "IPF.Note", "messages": [
    { "subject": "gone", "sender_name": "A", "sender_address": "a@example.com", "date": "2011-01-01T00:00:00Z",
      "body": "bye" } ] },
  { "name": "Contacts", "class": "IPF.Contact", "messages": [
    { "class": "IPM.Contact", "subject": "Bob", "sender_name": "A", "date": "2011-01-01T00:00:00Z" } ] }
 ] } ] })";

class ExportEdgeCases : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
    std::ofstream(dir_ / "edge.json") << kEdgeScenario;
    store_ = make_store(dir_ / "edge.json", GetParam(), false, dir_ / "store.edb");
    mailbox_ = dir_ / "out" / "QuorvineRec" / "Sales_ West";
  }
  ScratchDir dir_;
  fs::path store_, mailbox_;
};

TEST_P(ExportEdgeCases, TreeNamesDeletedItemsAndContactsOnlyFolder) {
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string())), 0);
  EXPECT_TRUE(fs::is_regular_file(mailbox_ / "Inbox" / "Inbox"));
  EXPECT_TRUE(fs::is_regular_file(mailbox_ / "Deleted-Items" / "Deleted Items"));
  EXPECT_TRUE(fs::is_directory(mailbox_ / "Deleted Items"));
  EXPECT_TRUE(fs::is_empty(mailbox_ / "Deleted Items"));
  EXPECT_TRUE(fs::is_regular_file(mailbox_ / "Contacts" / "Contacts"));
  EXPECT_EQ(fs::file_size(mailbox_ / "Contacts" / "Contacts"), 0u);
  EXPECT_EQ(verify(dir_ / "store.manifest.json", dir_ / "out"), "");
  // mboxrd: the body line beginning "From " is quoted in the file only where it is not encoded.
  const std::string inbox = contents(mailbox_ / "Inbox" / "Inbox");
  EXPECT_EQ(inbox.rfind("From - Mon Mar  7 14:05:09 2011\n", 0), 0u);
  EXPECT_EQ(inbox.find("\r"), std::string::npos);
}

TEST_P(ExportEdgeCases, DateFilterBoundsHoldWithTheTimeOfDay) {
  // 2011-03-07 14:05:09 is in; 2011-03-09 17:45:30 is one second past the upper bound.
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) +
                                   " --from 2011-03-07T14:05:09 --to 2011-03-09T17:45:29"),
            0);
  EXPECT_EQ(python_message_count(mailbox_ / "Inbox" / "Inbox"), 2);
  EXPECT_EQ(verify(dir_ / "store.manifest.json", dir_ / "out", "1299506709 1299692729"), "");
  ScratchDir later;
  ASSERT_EQ(run_export(store_, "--out " + quoted(later.path().string()) + " --from 2011-03-07T14:05:10 --to 2011-03-09"),
            0);
  EXPECT_EQ(python_message_count(later.path() / "QuorvineRec" / "Sales_ West" / "Inbox" / "Inbox"), 2);
}

TEST_P(ExportEdgeCases, FilterThatExcludesEverythingLeavesEmptyFiles) {
  std::string out;
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) + " --from 2020-01-01 --to 2020-12-31",
                       nullptr, &out),
            0);
  const auto files = mbox_files(dir_ / "out");
  EXPECT_EQ(files.size(), 3u);
  for (const fs::path& file : files) EXPECT_EQ(fs::file_size(file), 0u) << file;
  EXPECT_NE(out.find("outside the date filter"), std::string::npos) << out;
}

TEST_P(ExportEdgeCases, ExportingTwiceReplacesTheEarlierFiles) {
  const std::string args = "--out " + quoted((dir_ / "out").string());
  ASSERT_EQ(run_export(store_, args), 0);
  const std::string first = contents(mailbox_ / "Inbox" / "Inbox");
  std::ofstream(mailbox_ / "Inbox" / "Inbox", std::ios::app) << "junk\n";
  ASSERT_EQ(run_export(store_, args), 0);
  EXPECT_EQ(contents(mailbox_ / "Inbox" / "Inbox"), first);
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "out"))
    EXPECT_EQ(entry.path().filename().string().find(".partial-"), std::string::npos) << entry.path();
}

TEST_P(ExportEdgeCases, TwoCheckedFoldersOfOneMailbox) {
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) +
                                   " --folder 'Sales: West/Inbox' --folder 'Sales: West/Contacts'"),
            0);
  const auto files = mbox_files(dir_ / "out");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], mailbox_ / "Contacts" / "Contacts");
  EXPECT_EQ(files[1], mailbox_ / "Contacts" / "Contacts.vcf");  // the contacts, beside their folder's MBOX file
  EXPECT_EQ(files[2], mailbox_ / "Inbox" / "Inbox");
}

TEST_P(ExportEdgeCases, SelectedItemsGoToOneFile) {
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) + " --folder 'Sales: West/Inbox' --selected"),
            0);
  const fs::path file = dir_ / "out" / "Quorvine" / "Sales: West" / "Inbox" / "Inbox";
  EXPECT_EQ(python_message_count(file), 3);
  EXPECT_EQ(mbox_files(dir_ / "out").size(), 1u);
}

TEST_P(ExportEdgeCases, ChosenMessagesByIdentifier) {
  const auto listed = run_command(quoted(quorvine::testing::quorvine_program().string()) + " list " +
                                  quoted(store_.string()) + " --folder 'Sales: West/Inbox' --json 2>/dev/null");
  ASSERT_EQ(listed.status, 0);
  const auto rows = nlohmann::json::parse(listed.out).at("rows");
  ASSERT_EQ(rows.size(), 3u);
  const std::string id = rows[1].at("message_id");
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) +
                                   " --folder 'Sales: West/Inbox' --message " + quoted(id)),
            0);
  const fs::path file = dir_ / "out" / "Quorvine" / "Sales: West" / "Inbox" / "Inbox";
  EXPECT_EQ(python_message_count(file), 1);
  EXPECT_NE(contents(file).find("Subject: " + rows[1].at("subject").get<std::string>() + "\n"), std::string::npos);
  // An identifier the folder lacks is a usage error, and nothing is written, not even with
  // a known identifier beside it.
  std::string err;
  EXPECT_EQ(run_export(store_, "--out " + quoted((dir_ / "other").string()) + " --folder 'Sales: West/Inbox' --message " +
                                   quoted(id) + " --message no-such-id",
                       &err),
            1);
  EXPECT_NE(err.find("no message no-such-id"), std::string::npos) << err;
  EXPECT_TRUE(mbox_files(dir_ / "other").empty());
}

// The summary counts each folder's messages as the listing sees them, and says nothing was lost.
TEST_P(ExportEdgeCases, JsonSummaryAgreesWithTheListing) {
  std::string out;
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string()) + " --json", nullptr, &out), 0);
  const auto summary = nlohmann::json::parse(out);
  EXPECT_EQ(summary.at("status"), 0);
  ASSERT_EQ(summary.at("folders").size(), 3u);
  for (const auto& folder : summary.at("folders")) {
    const std::string path = folder.at("path");
    const auto listed = run_command(quoted(quorvine::testing::quorvine_program().string()) + " list " +
                                    quoted(store_.string()) + " --folder " + quoted(path) + " --json 2>/dev/null");
    ASSERT_EQ(listed.status, 0) << path;
    const size_t rows = nlohmann::json::parse(listed.out).at("rows").size();
    EXPECT_EQ(folder.at("written").get<size_t>() + folder.at("skipped").get<size_t>(), rows) << path;
    EXPECT_EQ(folder.at("held"), rows) << path;
    EXPECT_EQ(folder.at("store_count"), rows) << path;
    EXPECT_EQ(folder.at("lost"), 0) << path;
  }
}

// Temporary files that killed exports left are removed; a running process's file and names
// that are not the writer's pattern are left alone.
TEST_P(ExportEdgeCases, StaleTemporaryFilesOfAKilledExportAreRemoved) {
  const fs::path inbox = mailbox_ / "Inbox";
  fs::create_directories(inbox);
  const std::string dead = "." + std::string("Inbox.partial-4194305-17");  // above any pid_max
  const std::string alive = ".Inbox.partial-" + std::to_string(::getpid()) + "-3";
  for (const std::string& name : {dead, alive, std::string(".Inbox.partial-x-1"), std::string("Inbox.partial-4194305-1")})
    std::ofstream(inbox / name) << "half a message";
  ASSERT_EQ(run_export(store_, "--out " + quoted((dir_ / "out").string())), 0);
  EXPECT_FALSE(fs::exists(inbox / dead));
  EXPECT_TRUE(fs::exists(inbox / alive));
  EXPECT_TRUE(fs::exists(inbox / ".Inbox.partial-x-1"));
  EXPECT_TRUE(fs::exists(inbox / "Inbox.partial-4194305-1"));
}

TEST_P(ExportEdgeCases, UnwritableDestinationFailsClearly) {
  std::ofstream(dir_ / "plain-file") << "x";
  std::string err;
  EXPECT_EQ(run_export(store_, "--out " + quoted((dir_ / "plain-file").string()), &err), 3);
  EXPECT_NE(err.find("cannot create the folder"), std::string::npos) << err;
  // A mailbox folder that cannot be made: the folder's MBOX is not written and the run says so.
  fs::create_directories(dir_ / "out2" / "QuorvineRec");
  std::ofstream(dir_ / "out2" / "QuorvineRec" / "Sales_ West") << "in the way";
  EXPECT_EQ(run_export(store_, "--out " + quoted((dir_ / "out2").string()), &err), 3);
  EXPECT_NE(err.find("was not exported"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Generations, ExportEdgeCases, ::testing::Values("2007", "2010"));

TEST(ExportCommand, Exchange2013StoresAreRefused) {
  if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
  ScratchDir dir;
  const fs::path store = make_store(scenario_file("basic2013"), "2013", false, dir / "store.edb");
  std::string err;
  EXPECT_EQ(run_export(store, "--out " + quoted((dir / "out").string()), &err), 3);
  EXPECT_NE(err.find("2013"), std::string::npos) << err;
  EXPECT_TRUE(mbox_files(dir / "out").empty());
}

TEST(ExportCommand, UsageErrors) {
  if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
  ScratchDir dir;
  const fs::path store = make_store(scenario_file("basic2007"), "2007", false, dir / "store.edb");
  EXPECT_EQ(run_export(store, ""), 1);
  EXPECT_EQ(run_export(store, "--out x --from 2011-01-01"), 1);
  EXPECT_EQ(run_export(store, "--out x --jobs 0"), 1);
  EXPECT_EQ(run_export(store, "--out x --message 1"), 1);
  // Only the documented date forms, and a range that does not end before it starts.
  for (const char* range : {"--from 2011-03-07T14:05 --to 2011-03-01", "--from '2011-03-07 14:05' --to 2012-01-01",
                            "--from 2011-3-7 --to 2012-01-01", "--from 1600-12-31 --to 2012-01-01",
                            "--from 2011-03-07T14:05Z --to 2012-01-01", "--from 2011-03-07 --to 10000-01-01"}) {
    std::string err;
    EXPECT_EQ(run_export(store, "--out " + quoted((dir / "d").string()) + " " + range, &err), 1) << range;
    EXPECT_FALSE(err.empty()) << range;
  }
  EXPECT_FALSE(fs::exists(dir / "d"));
  std::string err;
  EXPECT_EQ(run_export(store, "--out " + quoted((dir / "o").string()) + " --folder 'Alice Smith/Inbx'", &err), 1);
  EXPECT_NE(err.find("Alice Smith/Inbox"), std::string::npos) << err;
}

}  // namespace
}  // namespace quorvine::cli

namespace quorvine::cli {
namespace {

// A full disk, simulated with a small tmpfs (skipped where mounting is not allowed): the
// export fails with exit 3 and a clear message, and every file left under a final name is
// the complete file a roomy export writes.
TEST(ExportCommand, FullDiskLeavesNoTruncatedFile) {
  if (!tools_present()) GTEST_SKIP() << "quorvine or edbgen not built";
  ScratchDir dir;
  const fs::path store = make_store(scenario_file("edge2007"), "2007", false, dir / "store.edb");
  fs::create_directories(dir / "small");
  if (run_command("mount -t tmpfs -o size=64k tmpfs " + quoted((dir / "small").string()) + " 2>/dev/null").status != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  std::string err;
  const int status = run_export(store, "--out " + quoted((dir / "small").string()) + " --jobs 1", &err);
  const auto written = mbox_files(dir / "small");
  std::map<fs::path, std::string> partial;
  for (const fs::path& file : written) partial[fs::relative(file, dir / "small")] = contents(file);
  run_command("umount " + quoted((dir / "small").string()));
  EXPECT_EQ(status, 3);
  EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
  ASSERT_EQ(run_export(store, "--out " + quoted((dir / "roomy").string()) + " --jobs 1"), 0);
  for (const auto& [name, bytes] : partial) {
    EXPECT_EQ(name.filename().string().find(".partial-"), std::string::npos) << name;
    EXPECT_EQ(bytes, contents(dir / "roomy" / name)) << name;
  }
}

}  // namespace
}  // namespace quorvine::cli
