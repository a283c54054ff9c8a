#include "listing/message_list_2007.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include "scan/record_pass.hpp"
#include "scan/columns.hpp"

namespace quorvine::listing {

ContentsColumns map_contents_columns(const ese::Table& table) {
  ContentsColumns c;
  auto map = [&](std::optional<size_t>& slot, std::string_view name) {
    slot = table.column_index(name);
    c.wanted.add(slot);
  };
  map(c.sender_name, scan::columns::sender_name);
  map(c.S4031, "S4031");
  map(c.N67bd, "N67bd");
  map(c.N67be, "N67be");
  map(c.message_class, scan::columns::message_class);
  map(c.delivery_time, scan::columns::delivery_time);
  map(c.creation_time, scan::columns::creation_time);
  map(c.submit_time, scan::columns::submit_time);
  map(c.text_body, scan::columns::text_body);
  map(c.message_id, scan::columns::message_id);
  map(c.subject, scan::columns::subject);
  map(c.subject_prefix, scan::columns::subject_prefix);
  map(c.has_attachments, scan::columns::has_attachments);
  map(c.Le23, "Le23");
  map(c.N67b9, "N67b9");
  map(c.N67ba, "N67ba");
  c.wanted.recompute();
  return c;
}

std::optional<ese::Table> open_contents_table(const scan::ScanSession& session, const scan::Folder2007& folder) {
  if (!session.database || folder.folderId.empty()) return std::nullopt;
  std::string key = folder.folderId;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char ch) { return std::toupper(ch); });
  const scan::TableFile* file = session.table_with_folder_key(key);
  if (!file) return std::nullopt;
  if (file->table) return file->table;
  return session.database->open_table(static_cast<size_t>(file->tableIndex));
}

uint64_t for_each_contents_record(const ese::Table& table, const ContentsColumns& columns, scan::ScanObserver& observer,
                                  const ese::PassControl& control,
                                  const std::function<void(const ese::Record&, uint64_t)>& visit) {
  return scan::run_record_pass(table, columns.wanted, observer, scan::ProgressRule::Capped, control, visit).skipped;
}

}  // namespace quorvine::listing
