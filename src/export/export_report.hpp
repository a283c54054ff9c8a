#pragma once
// What an export tells its front end while it runs (through ExportObserver) and at its end
// (ExportSummary).
#include <cstdint>
#include <map>
#include <optional>
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
  // Something the store held could not be exported: one sentence saying what, where and why.
  virtual void loss(std::string_view sentence) { log(sentence); }
};

class SilentExportObserver final : public ExportObserver {
 public:
  void folder_started(std::string_view, std::string_view) override {}
  void log(std::string_view) override {}
};

// What became of the messages of one folder the export went through.
struct FolderTally {
  std::string path;                      // "Mailbox/Inbox/Sub"
  uint64_t held = 0;                     // messages its tables held, as far as readable pages tell
  std::optional<uint64_t> store_count;   // the message count its folder record keeps
  uint64_t written = 0;
  uint64_t skipped = 0;                  // left out on purpose (kind, date filter, not listed)
  std::map<std::string, uint64_t> lost;  // messages that could not be exported, by reason
  uint64_t attachments_lost = 0;         // left out of messages that were written
  // Damage hid an unknown number of further messages (unreadable pages or tables).
  std::vector<std::string> uncounted;

  uint64_t lost_total() const;
  // The store's own count exceeds what its tables were found to hold. Said in the summary,
  // but no loss by itself: the count also covers items no list shows (hidden classes, items
  // without sender and subject), which a 2010 header list drops before they reach a folder.
  bool short_of_store_count() const { return store_count && *store_count > held; }
  bool lost_anything() const { return lost_total() > 0 || attachments_lost > 0 || !uncounted.empty(); }
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
  // What could not be exported, one sentence each (a folder, a message, an attachment).
  std::vector<std::string> failures;
  uint64_t messages_failed = 0;
  // Messages written whose sender the store names but gives no address for: their From
  // holds the name alone.
  uint64_t senders_without_address = 0;
  // One per folder the export went through, in job order.
  std::vector<FolderTally> tallies;
  // Losses no single folder can be charged with (a mailbox's damaged header records, whose
  // folder is unknown; damaged folder records of the scan), one sentence each.
  std::vector<std::string> store_losses;
  // Asked-for message identifiers the folder does not hold; nothing was written.
  std::vector<std::string> unknown_messages;
  bool aborted = false;      // stopped by the user before the end
  std::string refused;       // why nothing was exported at all ("" when the run went ahead)

  void add(const ExportSummary& other);
  // Anything the store held that this export did not write, for a reason other than a
  // choice of the user.
  bool lost_anything() const;
};

}  // namespace quorvine::exporting
