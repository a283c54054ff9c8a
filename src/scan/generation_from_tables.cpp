#include "scan/generation_from_tables.hpp"

namespace quorvine::scan {

std::optional<decode::Generation> generation_from_tables(const std::vector<std::string>& table_names) {
  bool has_2010 = false, has_2007 = false;
  for (const std::string& name : table_names) {
    if (name.starts_with("Folder_") || name.starts_with("Message_")) return decode::Generation::V2013;
    has_2010 = has_2010 || name.starts_with("Folders-") || name.starts_with("MsgHeader-");
    has_2007 = has_2007 || name == "Msg" || name == "Folders";
  }
  if (has_2010) return decode::Generation::V2010;
  if (has_2007) return decode::Generation::V2007;
  return std::nullopt;
}

}  // namespace quorvine::scan
