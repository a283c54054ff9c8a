#pragma once
// The two exports. The whole-mailbox export writes every checked folder into
// "<destination>/QuorvineRec/<mailbox>/<folder path>/<folder name>", one MBOX file per folder;
// the selected-items export writes chosen messages of one folder into
// "<destination>/Quorvine/<tree path>/<folder name>/<folder name>". Both run on the caller's
// thread (folders on up to `jobs` threads of their own), stop at the next message when the
// control's stop is requested, and report through the observer and the control's progress.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ese/pass_control.hpp"
#include "export/date_filter.hpp"
#include "export/export_report.hpp"
#include "export/item_kinds.hpp"
#include "export/message_output.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

struct MailboxExportRequest {
  std::filesystem::path destination;
  std::vector<scan::TreeItem> checked;  // checked folder items; mailboxes with none are left out
  std::optional<DateRange> filter;
  unsigned jobs = 1;  // folders exported at once; the output is the same for any number
  OutputFormat format = OutputFormat::Mbox;
  // Contacts go to "<folder>.vcf", appointments, tasks and notes to "<folder>.ics".
  ItemSelection items;
};

// Exports every checked folder. The 2010 header and body lists of the mailboxes concerned are loaded
// into `session` first.
ExportSummary export_mailboxes(scan::ScanSession& session, const MailboxExportRequest& request,
                              const ese::PassControl& control, ExportObserver& observer);

struct SelectedItemsRequest {
  std::filesystem::path destination;
  scan::TreeItem folder = scan::root_tree_item;
  std::vector<std::string> message_ids;  // the checked rows; empty: every row of the folder
  std::optional<DateRange> filter;
  OutputFormat format = OutputFormat::Mbox;
};

// Exports the chosen messages of one folder into one file.
ExportSummary export_selected_messages(scan::ScanSession& session, const SelectedItemsRequest& request,
                        const ese::PassControl& control, ExportObserver& observer);

// The tree path of a folder item as the output tree names it: the labels from the mailbox
// down, the mailbox excluded.
std::vector<std::string> folder_labels(const scan::MailboxTree& tree, scan::TreeItem item);

}  // namespace quorvine::exporting
