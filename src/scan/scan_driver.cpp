#include "scan/scan_driver.hpp"

#include <fstream>

#include "scan/catalog_walk.hpp"
#include "scan/folder_key.hpp"
#include "scan/folder_tables_2010.hpp"
#include "scan/folder_tree_2007.hpp"
#include "scan/table_scanner.hpp"
#include "scan/work_folders.hpp"

namespace quorvine::scan {
namespace {

constexpr std::string_view caption_done = "  Quorvine EDB to MBOX Converter              ";
constexpr std::string_view caption_failed = "  Quorvine EDB to MBOX Converter                 ";

void set_window_controls(ScanObserver& observer, bool enabled) {
  observer.control_enabled(Control::BrowseButton, enabled);
  observer.control_enabled(Control::SaveMailboxButton, enabled);
  observer.control_enabled(Control::OpenCommand, enabled);
  observer.control_enabled(Control::SaveMailboxCommand, enabled);
}

int open_failed(ScanSession& session, ScanObserver& observer, std::string reason) {
  session.outcome = ScanOutcome::OpenFailed;
  session.failure_reason = std::move(reason);
  observer.status("Unable to Recover Exchange Database ");
  observer.message_box("Unable to Recover Exchange Database               ", caption_failed);
  observer.control_enabled(Control::BrowseButton, true);
  observer.control_enabled(Control::OpenCommand, true);
  return 1;
}

void warn(ScanSession& session, ScanObserver& observer, std::string text) {
  observer.warning(text);
  session.warnings.push_back(std::move(text));
}

// Tables named "Folders-<a>-<b>": scanned newest first, as the list they were kept in.
void collect_folder_tables_2010(ScanSession& session) {
  for (const TableFile& file : session.tables)
    if (split(file.tableName, '-').front() == "Folders")
      session.folder_tables_2010.insert(session.folder_tables_2010.begin(), FolderTableName2010{file.tableName});
}

void scan_2007(ScanSession& session, ScanObserver& observer, const ese::PassControl& control) {
  observer.status("Status: (Step 4/7) Rebuild mailbox folders informations (please wait..) ");
  scan_tables_named(session, observer, "Folders", control);
  if (control.stop.stop_requested()) return;
  // Copied: the tree build reads the mailbox while adding to other lists.
  const std::vector<MailboxRecord> mailboxes = session.mailboxes;
  for (const MailboxRecord& mailbox : mailboxes) build_folder_tree_2007(session, observer, mailbox);
  warn_orphan_folders(session, observer);
  warn_unreached_contents_tables(session, observer);

  observer.status("Status : (Step 5/7) Extract mailbox email informations (please wait..) ");
  const std::filesystem::path& work = session.settings.work_folder;
  std::ofstream log;
  if (!work.empty()) {
    session.store_list_file = work / "files.txt";
    log.open(session.store_list_file, std::ios::binary | std::ios::app);
  }
  // The index is scanned even when the list file cannot be written: the message lists
  // depend on it, the list file does not.
  scan_tables_named(session, observer, "Msg", control);
  observer.status(
      "Status: (Step 5/7) Extract mailbox email attachment informations (please wait..) ");
  if (!session.attachment_table_name.empty())
    scan_tables_named(session, observer, session.attachment_table_name, control);
  if (log) {
    log << session.settings.database_file.string() << ',' << session.message_index_file.string() << ','
        << session.attachment_index_file.string() << ",\r\n";
  } else {
    warn(session, observer,
         "cannot append to the database list file " + session.store_list_file.string());
  }
}

void scan_2010(ScanSession& session, ScanObserver& observer, const ese::PassControl& control) {
  observer.status("2010");
  collect_folder_tables_2010(session);
  for (const FolderTableName2010& folder : session.folder_tables_2010) {
    if (control.stop.stop_requested()) return;
    if (folder.tableName.empty()) continue;
    observer.status("Status: Extract Exchange 2010 Folder Information.  " + folder.tableName);
    scan_folder_table_2010(session, observer, folder.tableName, control);
  }
  observer.status("Status: Analysis Completed ");
}

void scan_2013(ScanSession& session, ScanObserver& observer, const ese::PassControl& control) {
  const std::vector<MailboxRecord> mailboxes = session.mailboxes;
  for (const MailboxRecord& mailbox : mailboxes) {
    if (control.stop.stop_requested()) return;
    scan_folder_table_2013(session, observer, "Folder_" + mailbox.mailboxId, control);
  }
}

}  // namespace

int scan_store(ScanSession& session, ScanObserver& observer, const ese::PassControl& control,
               std::optional<ese::Database> already_open) {
  session.reset();
  set_window_controls(observer, false);
  observer.status("Status: (Step 1/7) initialize Exchange EDB File (please wait..) ");
  observer.preview_notice(
      "<div align=\"center\"><br><br><h1 >Please wait...</h1><br><h3>Scanning process "
      "started<h3><br></div>");

  if (!already_open)
    if (std::string refused = check_store_file(session.settings.database_file); !refused.empty())
      return open_failed(session, observer, std::move(refused));
  try {
    session.database = already_open ? std::move(already_open)
                                    : ese::Database::open(session.settings.database_file);
  } catch (const ese::EseError& error) {
    return open_failed(session, observer, error.what());
  }
  const ese::DatabaseHeader& header = session.database->header();
  session.attachment_table_name = find_attachment_table_name(session.database->tables());
  session.format_version = header.creation_format_version;
  session.format_revision = header.creation_format_revision;
  session.format_version = header.format_version;
  session.format_revision = header.format_revision;
  if (header.from_shadow_copy)
    warn(session, observer, "the file header is damaged; its shadow copy was read instead");
  if (!header.clean())
    warn(session, observer,
         std::string("the database was not shut down cleanly (state: ") +
             ese::to_string(header.state) + "); it is scanned as it is");

  const size_t warnings_before = session.warnings.size();
  session.catalog_result = list_catalog_tables(session);
  for (size_t i = warnings_before; i < session.warnings.size(); ++i)
    observer.warning(session.warnings[i]);
  if (session.catalog_result == -1) observer.status("Status: Unable to Recover Exchange Database ");
  observer.control_enabled(Control::Tree, false);
  if (session.catalog_result == 1)
    observer.status("Status: (Step 2/7) Scan MsysObject table (please wait..) ");

  for (const TableFile& file : session.tables) {
    if (file.tableName == "Mailbox") session.store_kind = "private";
    if (file.tableName == "Msg" && session.format_revision > 16) session.format_revision = 15;
  }
  session.page_size_version = header.page_size;

  const decode::Generation version = session.settings.generation;
  session.decode_context.generation = version;
  session.decode_context.format_revision = session.format_revision;
  session.decode_context.temp_folder = session.settings.temp_folder;

  if (session.store_kind == "private") {
    observer.status("Status: (Step 3/7) Scan exchange store informations (please wait..) ");
    scan_tables_named(session, observer, "Mailbox", control);
  } else {
    session.store_kind = "public";
    MailboxRecord box;
    box.mailboxId = "public_folder";
    box.mailboxId2010 = "public_folder";
    box.displayName = "ExPublic Folder";
    box.ownerName = "ExPublic Folder";
    box.treeItem = session.tree.add(root_tree_item, box.displayName, "");
    observer.tree_item_added(session.tree.added(box.treeItem));
    session.mailboxes.push_back(std::move(box));
  }

  switch (version) {
    case decode::Generation::V2013: scan_2013(session, observer, control); break;
    case decode::Generation::V2007: scan_2007(session, observer, control); break;
    case decode::Generation::V2010: scan_2010(session, observer, control); break;
    case decode::Generation::Unset: break;
  }
  if (control.stop.stop_requested()) {
    observer.status("Status: Scanning stopped ");
    if (session.catalog_result == 1) observer.control_enabled(Control::Tree, true);
    set_window_controls(observer, true);
    session.outcome = ScanOutcome::Stopped;
    return 1;
  }

  warn_damaged_message_tables(session, observer, control);
  if (const uint64_t damaged = session.damaged_values->values.load(); damaged > 0)
    warn(session, observer,
         std::to_string(damaged) + " damaged value(s) could not be read and were left empty");
  observer.status("Status: Analysis Completed ");
  if (session.catalog_result == 1) observer.control_enabled(Control::Tree, true);
  observer.preview_notice("<div align=\"center\"><br><br><h1 >Analysis Completed ...</h1><br><br></div>");
  set_window_controls(observer, true);
  observer.message_box("Analysis Completed successfully               ", caption_done);
  observer.status("");
  session.outcome = ScanOutcome::Completed;
  return 1;
}

}  // namespace quorvine::scan
