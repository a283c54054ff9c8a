#include "scan/scan_session.hpp"

namespace quorvine::scan {

void ScanSession::reset() {
  msgtable.reset();
  attachmenttable.reset();
  TableFileDump.clear();
  database.reset();
  exchangedatabase.clear();
  format_version = 0;
  format_revision = 0;
  page_size_version = 0;
  AtName.clear();
  catalog_result = 0;
  tree.clear(settings.strFileDir.string());
  MailBoxDetailsDump.clear();
  FolderDetailsDump.clear();
  foldertreeDump.clear();
  tempFolderDump.clear();
  folderTree2010Dump.clear();
  // A new database must not find the old one's messages: record numbers would point into
  // the wrong file.
  index.clear();
  decode_context = decode::DecodeContext{};
  damaged_values = std::make_shared<decode::DamageTally>();
  decode_context.damage = damaged_values.get();
  lists2010.clear();
  msgTablePath.clear();
  AttTablePath.clear();
  fileLogPath.clear();
  outcome = ScanOutcome::NotRun;
  failure_reason.clear();
  warnings.clear();
  losses.clear();
  orphanFolderIds.clear();
  ++scan_generation;
}

const ese::Table* ScanSession::kept_table(std::string_view name) const {
  for (const TableFile& file : TableFileDump)
    if (file.tableName == name && file.table) return &*file.table;
  return nullptr;
}

std::vector<const TableFile*> ScanSession::tables_named(std::string_view name) const {
  std::vector<const TableFile*> found;
  for (const TableFile& file : TableFileDump)
    if (file.tableName == name) found.push_back(&file);
  return found;
}

const TableFile* ScanSession::table_with_folder_key(std::string_view key) const {
  if (key.empty()) return nullptr;
  for (const TableFile& file : TableFileDump)
    if (file.folderKey == key) return &file;
  return nullptr;
}

const MailBoxDetails* ScanSession::mailbox(std::string_view mailboxId) const {
  for (const MailBoxDetails& box : MailBoxDetailsDump)
    if (box.mailboxId == mailboxId) return &box;
  return nullptr;
}

}  // namespace quorvine::scan
