#pragma once
// The 2010 lists an export reads before its folders: each mailbox's header and body lists
// (once per scan) and each job's entries in the header list; with the lookups over them that
// every worker then reads.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/export_report.hpp"
#include "export/folder_jobs.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

// Lookups over the 2010 lists, built once before the folders are exported and only read
// afterwards (by every worker).
struct Lookups2010 {
  std::unordered_map<std::string, size_t> body_by_key;                   // body table, key -> last entry
  std::vector<size_t> body_key_lengths;  // the lengths of those keys, longest first
  std::unordered_map<std::string, std::vector<size_t>> attachments_by_key;  // body table, key -> entries
  // The lists indexed, read by every worker: one copy for all of them.
  const scan::MessageLists2010* lists = nullptr;

  // Indexes the session's body and attachment lists, which must outlive the lookups.
  void index_lists(const scan::MessageLists2010& lists);
  static std::string key(const std::string& table, const std::string& id) { return table + '\n' + id; }
  // The body-list entry of a message of `body_table`: its key is the message identifier or
  // the identifier's longest leading part that is a key.
  std::optional<size_t> body_entry(const std::string& body_table, const std::string& message_id) const;
};

// Loads what the 2010 jobs read into `session` and `lookups`, and gives each job its entries.
// Up to `threads` mailboxes are read at once; the lists are then kept in job order, so they
// are the same whatever the number. What could not be read goes to the summary and to the
// jobs it concerns.
void load_lists_2010(scan::ScanSession& session, std::vector<FolderJob>& jobs, Lookups2010& lookups,
                     unsigned threads, ExportObserver& observer, ExportSummary& summary);

}  // namespace quorvine::exporting
