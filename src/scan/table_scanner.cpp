#include "scan/table_scanner.hpp"

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>

#include "scan/column_maps.hpp"
#include "scan/partial_record.hpp"
#include "scan/record_pass.hpp"
#include "scan/record_handlers.hpp"
#include "scan/columns.hpp"

namespace quorvine::scan {
namespace {

enum class TableKind { None, Mailbox, Folders, Msg, Attachment };

TableKind kind_of(const ScanSession& session, std::string_view name) {
  if (!session.attachment_table_name.empty() && name == session.attachment_table_name) return TableKind::Attachment;
  if (name.size() == 3 && name.starts_with("Msg")) return TableKind::Msg;
  if (name.size() == 7 && name.starts_with("Folders")) return TableKind::Folders;
  if (name.size() == 7 && name.starts_with("Mailbox")) return TableKind::Mailbox;
  return TableKind::None;
}

// Creates (or empties) a work file; the index lives in memory, the file only marks the scan.
void create_work_file(ScanSession& session, ScanObserver& observer,
                      const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    const std::string text = "cannot create the work file " + path.string();
    session.warnings.push_back(text);
    observer.warning(text);
  }
}

// A warning that says messages were passed over: the exports report it as a loss.
void warn_loss(ScanSession& session, ScanObserver& observer, const std::string& text) {
  session.warnings.push_back(text);
  session.losses.push_back(text);
  observer.warning(text);
}

std::string upper_key(std::string key) {
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  return key;
}

// The records a contents table holds; nothing when it cannot be read.
std::optional<uint64_t> records_held(const ScanSession& session, const TableFile& file) {
  try {
    return file.table ? file.table->record_count()
                      : session.database->open_table(static_cast<size_t>(file.tableIndex)).record_count();
  } catch (const ese::EseError&) {
    return std::nullopt;
  }
}

}  // namespace

void warn_skipped_records(ScanSession& session, ScanObserver& observer,
                          std::string_view table_name, uint64_t skipped) {
  if (skipped == 0) return;
  const std::string text = std::to_string(skipped) + " damaged record(s) of table \"" +
                           std::string(table_name) + "\" were skipped";
  warn_loss(session, observer, text);
}

void warn_damaged_message_tables(ScanSession& session, ScanObserver& observer, const ese::PassControl& control) {
  if (!session.database) return;
  const bool contents = session.settings.generation == decode::Generation::V2007;
  for (const TableFile& file : session.tables) {
    if (!control.checkpoint()) return;
    const bool holds_messages = contents ? !file.folderKey.empty() : file.tableName.starts_with("MsgHeader");
    if (!holds_messages) continue;
    std::string text;
    try {
      const ese::Table table = session.database->open_table(static_cast<size_t>(file.tableIndex));
      if (const uint64_t damaged = table.damaged_pages(); damaged > 0)
        text = std::to_string(damaged) + " damaged page(s) of table \"" + file.tableName +
               "\" were skipped; the messages on them cannot be listed or exported";
    } catch (const ese::EseError& error) {
      text = "the messages of table \"" + file.tableName + "\" cannot be listed or exported: " + error.what();
    }
    if (text.empty()) continue;
    session.warnings.push_back(text);
    observer.warning(text);
  }
}

void warn_orphan_folders(ScanSession& session, ScanObserver& observer) {
  if (!session.database) return;
  uint64_t folders = 0, messages = 0;
  for (const std::string& key : session.orphan_folder_ids) {
    const TableFile* file = session.table_with_folder_key(upper_key(key));
    if (!file) continue;
    const uint64_t held = records_held(session, *file).value_or(1);  // an unreadable table may hold anything
    if (held == 0) continue;
    ++folders;
    messages += held;
  }
  if (folders == 0) return;
  const std::string text = std::to_string(folders) + " folder record(s) of table \"Folders\" name a mailbox the " +
                           "store does not list; the " + std::to_string(messages) +
                           " message(s) of their contents tables cannot be listed or exported";
  warn_loss(session, observer, text);
}

void warn_unreached_contents_tables(ScanSession& session, ScanObserver& observer) {
  if (!session.database) return;
  // Folders the tree leaves out by design (the store's root, folders without a path) and
  // those reported as orphans have records; only tables that no record names are lost here.
  std::set<std::string> reached;
  for (const FolderRecord2007& folder : session.folder_records) reached.insert(upper_key(folder.folderId));
  for (const std::string& key : session.orphan_folder_ids) reached.insert(upper_key(key));
  uint64_t tables = 0, messages = 0;
  for (const TableFile& file : session.tables) {
    if (file.folderKey.empty() || reached.count(file.folderKey)) continue;
    // An unreadable table is reported as one whose messages cannot be listed.
    const uint64_t held = records_held(session, file).value_or(0);
    if (held == 0) continue;
    ++tables;
    messages += held;
  }
  if (tables == 0) return;
  const std::string text = std::to_string(tables) + " contents table(s) belong to no folder record (damaged or " +
                           "missing records of table \"Folders\"); their " + std::to_string(messages) +
                           " message(s) cannot be listed or exported";
  warn_loss(session, observer, text);
}

int scan_table(ScanSession& session, ScanObserver& observer,
                               const ese::Table& table, std::string_view table_name,
                               const ese::PassControl& control) {
  const TableKind kind = kind_of(session, table_name);
  WantedColumns wanted;
  MailboxColumns mailbox_columns;
  FolderColumns folder_columns;
  MsgColumns msg_columns;
  AttachmentColumns attachment_columns;
  const std::filesystem::path& work = session.settings.work_folder;
  switch (kind) {
    case TableKind::Mailbox:
      mailbox_columns = map_mailbox_columns(table);
      wanted.add(mailbox_columns.mailboxid);
      wanted.add(mailbox_columns.mailboxshortname);
      wanted.add(mailbox_columns.mailboxname);
      break;
    case TableKind::Folders:
      folder_columns = map_folder_columns(table);
      for (ColumnIndex c : {folder_columns.Q6748, folder_columns.Q6749, folder_columns.Q6764,
                            folder_columns.S3001, folder_columns.S3613, folder_columns.L3602,
                            folder_columns.Ne58})
        wanted.add(c);
      break;
    case TableKind::Msg:
      msg_columns = map_msg_columns(table);
      // Only the two index columns are read: bodies and headers stay in the file.
      wanted.add(msg_columns.N67b0);
      wanted.add(msg_columns.N67b3);
      session.decode_context.spilled_column =
          msg_columns.m[scan::columns::transport_headers] ? static_cast<int64_t>(*msg_columns.m[scan::columns::transport_headers]) : -1;
      if (!work.empty()) {
        session.message_index_file = work / (std::string(table_name) + ".txt");
        create_work_file(session, observer, session.message_index_file);
      }
      break;
    case TableKind::Attachment:
      attachment_columns = map_attachment_columns(table);
      // The data column is not listed: the index needs names and identifiers only.
      wanted.add(attachment_columns.att_Q3f88);
      wanted.add(attachment_columns.att_S3001);
      wanted.add(attachment_columns.att_S3704);
      if (!work.empty()) {
        session.attachment_index_file = work / "Att.txt";
        create_work_file(session, observer, session.attachment_index_file);
      }
      break;
    case TableKind::None:
      break;
  }
  wanted.recompute();

  if (kind == TableKind::None) return 1;
  const ese::PassResult pass = run_record_pass(
      table, wanted, observer, ProgressRule::RecordCountWithText, control,
      [&](const ese::Record& record, uint64_t number) {
        switch (kind) {
          case TableKind::Mailbox:
            read_mailbox_record(session, observer, mailbox_columns, record);
            break;
          case TableKind::Folders:
            read_folder_record(session, folder_columns, record, number);
            break;
          case TableKind::Msg:
            index_message_record(session, msg_columns, record, number);
            break;
          case TableKind::Attachment:
            index_attachment_record(session, attachment_columns, record, number);
            break;
          case TableKind::None:
            break;
        }
      });
  const uint64_t skipped = pass.skipped;
  warn_skipped_records(session, observer, table_name, skipped);
  return 1;
}

int scan_tables_named(ScanSession& session, ScanObserver& observer,
                                          std::string_view name, const ese::PassControl& control) {
  if (!session.database) return -1;
  for (const TableFile& file : session.tables)
    if (file.tableName == name && file.table)
      scan_table(session, observer, *file.table, file.tableName, control);
  return 1;
}

}  // namespace quorvine::scan
