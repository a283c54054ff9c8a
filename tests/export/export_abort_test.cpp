// A stop request ends the whole-mailbox export at the next message: every MBOX file under a
// final name is complete (the same bytes a full run writes), the folder in progress leaves
// nothing, and the summary says the run was aborted.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "export/mailbox_export.hpp"
#include "export_test_support.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;

std::map<fs::path, std::string> files_below(const fs::path& root) {
  std::map<fs::path, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    files[fs::relative(entry.path(), root)] = text.str();
  }
  return files;
}

// Requests the stop once `limit` messages are done.
class StopAfter final : public ese::ProgressObserver {
 public:
  StopAfter(std::stop_source& source, uint64_t limit) : source_(source), limit_(limit) {}
  void progress(uint64_t done, uint64_t) override {
    if (done >= limit_) source_.request_stop();
  }

 private:
  std::stop_source& source_;
  uint64_t limit_;
};

class ExportAbort : public ::testing::TestWithParam<std::pair<const char*, decode::Generation>> {};

TEST_P(ExportAbort, StopLeavesOnlyWholeFiles) {
  if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
  ScratchDir dir;
  const fs::path scenario = quorvine::testing::source_dir() / "tests" / "data" / "basic2010.json";
  const fs::path store = dir / "store.edb";
  ASSERT_NO_FATAL_FAILURE(make_store(scenario, GetParam().first, store));
  scan::ScanSession session;
  ASSERT_NO_FATAL_FAILURE(scan_store(store, dir.path(), GetParam().second, session));
  MailboxExportRequest request;
  for (scan::TreeItem item = 1; item < session.tree.size(); ++item) request.checked.push_back(item);
  SilentExportObserver silent;

  request.destination = dir / "full";
  const ExportSummary full = export_mailboxes(session, request, ese::PassControl{}, silent);
  ASSERT_FALSE(full.aborted);
  ASSERT_TRUE(full.failures.empty()) << full.failures.front();

  // Progress is throttled: only the first report is sure to come before the run ends.
  std::stop_source stop;
  StopAfter observer(stop, 1);
  request.destination = dir / "stopped";
  const ExportSummary stopped = export_mailboxes(session, request, ese::PassControl{stop.get_token(), nullptr, &observer},
                                                silent);
  EXPECT_TRUE(stopped.aborted);
  EXPECT_LT(stopped.folders, full.folders);
  const auto complete = files_below(dir / "full"), partial = files_below(dir / "stopped");
  EXPECT_LT(partial.size(), complete.size());
  for (const auto& [name, bytes] : partial) {
    ASSERT_TRUE(complete.count(name)) << name;
    EXPECT_EQ(bytes, complete.at(name)) << name;
  }
  // The work folder holds nothing after either run.
  EXPECT_TRUE(fs::is_empty(session.settings.temp_folder));
}

INSTANTIATE_TEST_SUITE_P(Generations, ExportAbort,
                         ::testing::Values(std::make_pair("2007", decode::Generation::V2007),
                                           std::make_pair("2010", decode::Generation::V2010)));

}  // namespace
}  // namespace quorvine::exporting
