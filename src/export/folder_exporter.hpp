#pragma once
// Writing one folder: its rows read (2003/2007 from its contents table, 2010 from its entries
// in the header list), each message gathered, composed and written to the folder's output,
// its items gathered into the card and calendar files, and every loss counted in its tally.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ese/pass_control.hpp"
#include "export/export_report.hpp"
#include "export/folder_items.hpp"
#include "export/folder_jobs.hpp"
#include "export/lists_2010.hpp"
#include "export/message_gathering.hpp"
#include "export/message_output.hpp"
#include "listing/message_list_row.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

// Shared by the workers of one run: the observer and the progress, one call at a time.
class RunReport {
 public:
  RunReport(ExportObserver& observer, const ese::PassControl& control, uint64_t total)
      : observer_(observer), throttle_(control.progress), total_(total) {}
  void folder_started(const FolderJob& job);
  void log(std::string_view text);
  void loss(std::string_view sentence);
  void message_done();
  void finish();

 private:
  std::mutex mutex_;
  ExportObserver& observer_;
  ese::ProgressThrottle throttle_;
  uint64_t total_;
  uint64_t done_ = 0;
};

// The rows a folder's export goes through.
struct FolderRows {
  std::vector<listing::MessageListRow> rows;
  std::unordered_map<std::string, std::string> bodies;  // 2003/2007: message id -> body
};

// Exports folders one after another on one thread, with that thread's session.
class FolderExporter {
 public:
  // `work` is where long values are spilled.
  FolderExporter(const scan::ScanSession& session, const Lookups2010* lookups, const std::filesystem::path& work,
                 const ese::PassControl& control, RunReport& report)
      : session_(session), lists_(lookups && lookups->lists ? *lookups->lists : session.lists2010),
        gatherer_(session, lookups, work), records_(session, lookups), lookups_(lookups), work_(work),
        control_(control), report_(report) {}

  ExportSummary run(const FolderJob& job);

 private:
  void note_uncounted(FolderTally& tally, const std::string& why);
  void lose(ExportSummary& summary, FolderTally& tally, const std::string& reason, uint64_t count,
            const std::string& sentence);
  void lose_folder(ExportSummary& summary, FolderTally& tally, const std::string& sentence, const std::string& reason);
  FolderRows read_rows(const FolderJob& job, FolderTally& tally, ExportSummary& summary);
  std::vector<const listing::MessageListRow*> choose(const FolderJob& job, const std::vector<listing::MessageListRow>& rows,
                                                     ExportSummary& summary);
  void skip(ExportSummary& summary, FolderTally& tally, const std::string& reason);
  bool export_message(const FolderJob& job, const listing::MessageListRow& row, const std::string& cached_body,
                      MessageOutput& out, FolderItems* items, ExportSummary& summary, FolderTally& tally);

  const scan::ScanSession& session_;
  const scan::MessageLists2010& lists_;
  MessageGatherer gatherer_;
  ItemRecordReader records_;
  const Lookups2010* lookups_;
  std::filesystem::path work_;
  const ese::PassControl& control_;
  RunReport& report_;
};

}  // namespace quorvine::exporting
