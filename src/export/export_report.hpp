#pragma once
// What an export tells its front end while it runs (through ExportObserver) and at its end
// (ExportSummary).
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::exporting {

// Called from the export's worker threads, one call at a time.
class ExportObserver {
 public:
  virtual ~ExportObserver() = default;
  // A folder's export begins: the mailbox and the folder path shown in the dialog's fields.
  virtual void folder_started(std::string_view mailbox, std::string_view folder_path) = 0;
  // A line of the export log.
  virtual void log(std::string_view text) = 0;
};

class SilentExportObserver final : public ExportObserver {
 public:
  void folder_started(std::string_view, std::string_view) override {}
  void log(std::string_view) override {}
};

struct ExportSummary {
  uint64_t folders = 0;           // MBOX files written
  uint64_t messages_written = 0;  // records in them
  uint64_t bytes = 0;             // bytes of those MBOX files
  // Messages left out on purpose, by reason ("contact items are not exported as mail", ...).
  std::map<std::string, uint64_t> skipped;
  // Items written to vCard and iCalendar files, by kind ("contacts", "appointments", ...).
  std::map<std::string, uint64_t> items_written;
  uint64_t recurring_items = 0;  // written as their first occurrence
  // What could not be exported, one sentence each (a folder, a message).
  std::vector<std::string> failures;
  uint64_t messages_failed = 0;
  bool aborted = false;      // stopped by the user before the end
  std::string refused;       // why nothing was exported at all ("" when the run went ahead)

  void add(const ExportSummary& other);
};

}  // namespace quorvine::exporting
