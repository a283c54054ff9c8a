#include "listing/message_list_2007.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include "scan/record_pass.hpp"

namespace quorvine::scan {

ContentsColumns map_contents_columns(const ese::Table& table) {
  ContentsColumns c;
  auto map = [&](std::optional<size_t>& slot, std::string_view name) {
    slot = table.column_index(name);
    c.wanted.add(slot);
  };
  map(c.S42, "S42");
  map(c.S4031, "S4031");
  map(c.N67bd, "N67bd");
  map(c.N67be, "N67be");
  map(c.S1a, "S1a");
  map(c.Te06, "Te06");
  map(c.T3007, "T3007");
  map(c.T39, "T39");
  map(c.S1000, "S1000");
  map(c.N67b0, "N67b0");
  map(c.Se1d, "Se1d");
  map(c.S3d, "S3d");
  map(c.Be1b, "Be1b");
  map(c.Le23, "Le23");
  map(c.N67b9, "N67b9");
  map(c.N67ba, "N67ba");
  c.wanted.recompute();
  return c;
}

std::optional<ese::Table> open_contents_table(const ScanSession& session, const Folder2007& folder) {
  if (!session.database || folder.folderId.empty()) return std::nullopt;
  std::string key = folder.folderId;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char ch) { return std::toupper(ch); });
  const TableFile* file = session.table_with_folder_key(key);
  if (!file) return std::nullopt;
  if (file->table) return file->table;
  return session.database->open_table(static_cast<size_t>(file->tableIndex));
}

uint64_t for_each_contents_record(const ese::Table& table, const ContentsColumns& columns, ScanObserver& observer,
                                  const ese::PassControl& control,
                                  const std::function<void(const ese::Record&, uint64_t)>& visit) {
  return run_record_pass(table, columns.wanted, observer, ProgressRule::Capped, control, visit).skipped;
}

}  // namespace quorvine::scan
