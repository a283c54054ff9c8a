#include "scan/scan_session.hpp"

namespace quorvine::scan {

void ScanSession::reset() {
  message_table.reset();
  attachment_table.reset();
  tables.clear();
  database.reset();
  store_kind.clear();
  format_version = 0;
  format_revision = 0;
  page_size_version = 0;
  attachment_table_name.clear();
  catalog_result = 0;
  tree.clear(settings.database_file.string());
  mailboxes.clear();
  folder_records.clear();
  folders_2007.clear();
  folder_tables_2010.clear();
  folders_2010.clear();
  accounted_folder_ids_2010.clear();
  // A new database must not find the old one's messages: record numbers would point into
  // the wrong file.
  index.clear();
  decode_context = decode::DecodeContext{};
  damaged_values = std::make_shared<decode::DamageTally>();
  decode_context.damage = damaged_values.get();
  lists2010.clear();
  message_index_file.clear();
  attachment_index_file.clear();
  store_list_file.clear();
  outcome = ScanOutcome::NotRun;
  failure_reason.clear();
  warnings.clear();
  losses.clear();
  orphan_folder_ids.clear();
  ++scan_generation;
}

const ese::Table* ScanSession::kept_table(std::string_view name) const {
  for (const TableFile& file : tables)
    if (file.tableName == name && file.table) return &*file.table;
  return nullptr;
}

std::vector<const TableFile*> ScanSession::tables_named(std::string_view name) const {
  std::vector<const TableFile*> found;
  for (const TableFile& file : tables)
    if (file.tableName == name) found.push_back(&file);
  return found;
}

const TableFile* ScanSession::table_with_folder_key(std::string_view key) const {
  if (key.empty()) return nullptr;
  for (const TableFile& file : tables)
    if (file.folderKey == key) return &file;
  return nullptr;
}

const MailboxRecord* ScanSession::mailbox(std::string_view mailboxId) const {
  for (const MailboxRecord& box : mailboxes)
    if (box.mailboxId == mailboxId) return &box;
  return nullptr;
}

}  // namespace quorvine::scan
