// Inputs a script or a damaged disk may hand the command line: special files, odd names,
// unusable folders and damaged tables. Each gets a clear message and never a hang or abort.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "cli_support.hpp"
#include "ese/database.hpp"
#include "ese/page_reader.hpp"
#include "ese/byte_source.hpp"
#include "ese/error.hpp"

using namespace cli_test;
using quorvine::testing::ScratchDir;
namespace fs = std::filesystem;

namespace {

// The signal that ended a shell command shows as a status above 128.
void expect_clean_exit(const quorvine::testing::CommandResult& result, const ScratchDir& dir) {
  EXPECT_LT(result.status, 124) << stderr_of(dir);
}

}  // namespace

TEST(HostileInput, AFifoIsRefusedWithoutBlocking) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.edb").c_str(), 0600), 0);
  const auto result = run_quorvine(dir, "scan " + quote(dir / "pipe.edb"), "timeout 20");
  EXPECT_EQ(result.status, 2) << stderr_of(dir);
  EXPECT_NE(stderr_of(dir).find("not a regular file"), std::string::npos) << stderr_of(dir);
}

TEST(HostileInput, AStoreNamedWithDotsKeepsItsWorkFilesInsideTheWorkFolder) {
  ScratchDir dir;
  const fs::path made = make_store(dir, "basic2007", "2007");
  fs::rename(made, dir / "...edb");
  const auto result = run_quorvine(dir, "scan " + quote(dir / "...edb") + " --exchange 2007");
  ASSERT_EQ(result.status, 0) << stderr_of(dir);
  EXPECT_FALSE(fs::exists(dir / "data" / "files.txt"));
  size_t inside = 0;
  for (const auto& entry : fs::directory_iterator(dir / "data" / "quorvine"))
    inside += entry.path().filename().string().starts_with("___-") && fs::exists(entry.path() / "files.txt");
  EXPECT_EQ(inside, 1u);
}

TEST(HostileInput, NamesThatAreNotUtf8StillGiveJson) {
  ScratchDir dir;
  const fs::path odd = dir / "st\xff\xfe.edb";
  fs::rename(make_store(dir, "basic2010", "2010"), odd);
  const auto result = run_quorvine(dir, "scan " + quote(odd) + " --json");
  ASSERT_EQ(result.status, 0) << stderr_of(dir);
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_NE(json["database"].get<std::string>().find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(HostileInput, ListSaysWhenTheWorkFolderCannotBeMade) {
  ScratchDir dir;
  const fs::path store = make_store(dir, "basic2010", "2010");
  std::ofstream(dir / "not-a-folder") << "x";
  const auto result = run_quorvine(dir, "list " + quote(store) + " --folder 'Alice Smith/Inbox'",
                                   "XDG_DATA_HOME=" + quote(dir / "not-a-folder"));
  expect_clean_exit(result, dir);
  EXPECT_NE(stderr_of(dir).find("cannot create the work folder"), std::string::npos) << stderr_of(dir);
}

TEST(HostileInput, ADamagedContentsTableIsReportedNotFatal) {
  ScratchDir dir;
  const fs::path store = make_store(dir, "basic2007", "2007");
  std::string folder_table;
  uint32_t object_id = 0, page_size = 0, revision = 0;
  {
    const auto db = quorvine::ese::Database::open(store);
    page_size = db.header().page_size;
    revision = db.header().format_revision;
    uint64_t most = 0;
    for (const auto& info : db.tables()) {
      if (info.name.rfind("1-", 0) != 0) continue;
      const uint64_t records = db.open_table(info.index).record_count();
      if (records > most) most = records, folder_table = info.name, object_id = info.object_id;
    }
  }
  ASSERT_NE(object_id, 0u);
  std::vector<uint8_t> bytes;
  {
    std::ifstream in(store, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  // Every page of the contents table's tree is zeroed.
  quorvine::ese::detail::PageReader reader(std::make_shared<quorvine::ese::detail::MemorySource>(bytes),
                                           quorvine::ese::detail::PageLayout{page_size, revision});
  int zeroed = 0;
  for (uint32_t n = 1; n <= reader.page_count(); ++n) {
    try {
      if (reader.read(n).fdp_object_id != object_id) continue;
    } catch (const quorvine::ese::EseError&) {
      continue;
    }
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>((n + 1ull) * page_size), page_size, 0);
    ++zeroed;
  }
  ASSERT_GT(zeroed, 0);
  std::ofstream(store, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  const auto scanned = run_quorvine(dir, "scan " + quote(store) + " --exchange 2007 --json");
  ASSERT_EQ(scanned.status, 0) << stderr_of(dir);
  // Every folder of the tree is listed; the damaged one says so instead of aborting.
  std::vector<std::string> paths;
  std::function<void(const nlohmann::json&, const std::string&)> walk = [&](const nlohmann::json& node,
                                                                           const std::string& prefix) {
    for (const auto& child : node.is_array() ? node : node["children"]) {
      const std::string path = prefix.empty() ? child["label"].get<std::string>()
                                              : prefix + "/" + child["label"].get<std::string>();
      paths.push_back(path);
      walk(child, path);
    }
  };
  walk(nlohmann::json::parse(scanned.out)["tree"], "");
  ASSERT_FALSE(paths.empty());
  bool damage_reported = false;
  for (const std::string& path : paths) {
    const auto listed = run_quorvine(dir, "list " + quote(store) + " --exchange 2007 --folder " + quote(path));
    expect_clean_exit(listed, dir);
    damage_reported = damage_reported || !stderr_of(dir).empty();
  }
  EXPECT_TRUE(damage_reported) << "no listing mentioned the damaged table " << folder_table;
}

TEST(HostileInput, ATemporaryFolderOwnedBySomeoneElseIsNotUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  ScratchDir dir;
  const fs::path store = make_store(dir, "basic2010", "2010");
  const passwd* me = ::getpwuid(::geteuid());
  ASSERT_NE(me, nullptr);
  const fs::path planted = dir / ("Quorvine-" + std::string(me->pw_name));
  fs::create_directory(planted);
  ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
  const auto result = run_quorvine(dir, "show " + quote(store) + " --folder 'Alice Smith/Inbox' --row 1");
  const std::string err = stderr_of(dir);
  EXPECT_NE(err.find("not a directory owned by this user"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_empty(planted)) << "the planted folder was written to";
  (void)result;
}

// Databases that Windows writes for itself: "auto" refuses them in one sentence naming some
// of their own tables (held against the catalog) and writes nothing; a generation given
// explicitly still reads them as before.
TEST(HostileInput, DatabasesWithoutExchangeTablesAreRefusedUnderAuto) {
  QUORVINE_REQUIRE_SAMPLES();
  ScratchDir dir;
  for (const char* sample : {"museum_srum_win10_SRUDB.dat", "museum_winsearch_win10_clean_Windows.edb",
                             "plaso_filehistory_Catalog1.edb"}) {
    const fs::path file = quorvine::testing::ese_sample(sample);
    std::vector<std::string> tables;
    const auto database = quorvine::ese::Database::open(file);
    for (const auto& table : database.tables()) tables.push_back(table.name);
    for (const std::string& command :
         std::vector<std::string>{"scan ", "list --folder x ", "export --out " + quote(dir / "out") + " "}) {
      const auto result = run_quorvine(dir, command + quote(file));
      EXPECT_EQ(result.status, 2) << sample << ": " << command;
      const std::string err = stderr_of(dir);
      const std::string start = "quorvine: " + file.string() + " is not an Exchange store: it has none of the "
                                "Exchange tables, only ";
      ASSERT_EQ(err.rfind(start, 0), 0u) << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      size_t named = 0;
      for (size_t open = err.find('"', start.size()); open != std::string::npos && open < err.find(';');
           open = err.find('"', err.find('"', open + 1) + 1)) {
        const std::string name = err.substr(open + 1, err.find('"', open + 1) - open - 1);
        EXPECT_NE(std::find(tables.begin(), tables.end(), name), tables.end()) << name;
        EXPECT_FALSE(name.starts_with("MSys")) << name;
        ++named;
      }
      EXPECT_GE(named, 2u) << err;
    }
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
  const auto explicit_choice = run_quorvine(
      dir, "scan " + quote(quorvine::testing::ese_sample("museum_srum_win10_SRUDB.dat")) + " --exchange 2007");
  EXPECT_EQ(explicit_choice.status, 0) << stderr_of(dir);
  EXPECT_NE(explicit_choice.out.find("ExPublic Folder"), std::string::npos) << explicit_choice.out;
}
