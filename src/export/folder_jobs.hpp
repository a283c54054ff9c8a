#pragma once
// Planning an export: which folders are written, into which file, and what each job knows
// before it runs (its 2010 header entries, why some of its messages may already be missing).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "export/date_filter.hpp"
#include "export/export_report.hpp"
#include "export/item_kinds.hpp"
#include "export/mailbox_export.hpp"
#include "export/message_output.hpp"
#include "listing/message_list_2010.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

// One folder's output file to write.
struct FolderJob {
  std::string mailbox;
  std::string display_path;  // "Mailbox/Inbox/Sub"
  std::filesystem::path mbox;
  const scan::Folder2007* folder2007 = nullptr;
  const scan::Folder2010* folder2010 = nullptr;
  std::string header_table, body_table;
  std::vector<size_t> header_entries;  // the 2010 folder's entries in the header list, in list order
  bool whole_mailbox = true;
  std::set<std::string> only;  // message identifiers; empty: all
  std::optional<DateRange> filter;
  // Why messages of this folder may be missing before it is exported (its mailbox's header
  // table could not be read).
  std::vector<std::string> uncounted;
  OutputFormat format = OutputFormat::Mbox;
  ItemSelection items;
};

listing::HeaderFolderRef folder_ref(const scan::Folder2010& folder);

// False (with the reason in `summary.refused`) when the store's generation cannot be exported.
bool exportable_generation(const scan::ScanSession& session, ExportSummary& summary);

// The job of the folder whose tree item is `item`; neither folder record set when the item is
// no folder that holds messages.
FolderJob folder_job(const scan::ScanSession& session, scan::TreeItem item);

// The jobs of every checked folder: mailboxes in tree order, each mailbox's checked folders in
// tree order, files under `root`. Creates the directory tree of the checked folders as named.
std::vector<FolderJob> plan_mailbox_jobs(const scan::ScanSession& session, const MailboxExportRequest& request,
                                         const std::filesystem::path& root, ExportObserver& observer);

// The tree path of a folder item, the mailbox included: "Mailbox/Inbox/Sub".
std::string display_path(const scan::MailboxTree& tree, scan::TreeItem item);

// How many messages each job goes through, as far as can be told before it runs: a contents
// table that cannot be read counts 0 here, and its job says why.
std::vector<uint64_t> job_sizes(const scan::ScanSession& session, const std::vector<FolderJob>& jobs);

}  // namespace quorvine::exporting
