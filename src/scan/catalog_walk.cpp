#include "scan/catalog_walk.hpp"

#include <string>

#include "scan/folder_key.hpp"

namespace quorvine::scan {
namespace {

constexpr std::string_view attach_callback = "JCB.DLL!EcJcbAttachCallback";

bool kept(const std::string& name, const std::string& attachment_table) {
  return name == "Msg" || name == "Mailbox" || name == "Folders" ||
         (!attachment_table.empty() && name == attachment_table);
}

}  // namespace

std::string find_attachment_table_name(const std::vector<ese::TableInfo>& tables) {
  std::string name;
  for (const ese::TableInfo& table : tables)
    for (const std::string& callback : table.callbacks)
      if (callback == attach_callback) name = table.name;
  return name;
}

int list_catalog_tables(ScanSession& session) {
  if (!session.database) return -1;
  const auto& tables = session.database->tables();
  if (tables.empty()) return 0;
  // A table that cannot be opened is reported and left closed; the walk goes on, so one
  // damaged table does not hide the tables after it.
  int result = 1;
  if (const uint64_t damaged = session.database->damaged_catalog_entries(); damaged > 0) {
    session.warnings.push_back(std::to_string(damaged) +
                               " damaged catalog page(s) or entries were skipped; tables they described may be missing");
    session.losses.push_back(session.warnings.back());
  } else if (const uint64_t restored = session.database->tables_from_shadow_catalog(); restored > 0) {
    session.warnings.push_back(std::to_string(restored) +
                               " table(s) missing from the damaged catalog were read from its shadow copy");
  }
  for (const ese::TableInfo& info : tables) {
    if (info.name.empty()) {
      result = -1;
      continue;
    }
    TableFile file;
    file.tableIndex = static_cast<int32_t>(info.index);
    file.tableName = info.name;
    file.nameSize = static_cast<uint32_t>(info.name.size() + 1);
    if (split(info.name, '-').size() == 2) file.folderKey = folder_key(info.name);
    if (kept(info.name, session.attachment_table_name)) {
      try {
        file.table = session.database->open_table(info.index);
      } catch (const ese::EseError& error) {
        session.warnings.push_back(error.what());
        session.losses.push_back(error.what());
        result = -1;
      }
      if (file.table && info.name == "Msg") session.message_table = file.table;
      if (file.table && info.name == session.attachment_table_name) session.attachment_table = file.table;
    }
    session.tables.push_back(std::move(file));
  }
  return result;
}

}  // namespace quorvine::scan
