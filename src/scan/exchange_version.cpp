#include "scan/exchange_version.hpp"

namespace quorvine::scan {

std::string_view to_string(ExchangeVersion version) {
  switch (version) {
    case ExchangeVersion::V2007: return "2007";
    case ExchangeVersion::V2010: return "2010";
    case ExchangeVersion::V2013: return "2013";
    case ExchangeVersion::Unset: break;
  }
  return "";
}

std::optional<ExchangeVersion> parse_exchange_version(std::string_view text) {
  if (text == "2007" || text == "2003") return ExchangeVersion::V2007;
  if (text == "2010") return ExchangeVersion::V2010;
  if (text == "2013") return ExchangeVersion::V2013;
  return std::nullopt;
}

std::optional<ExchangeVersion> exchange_version_from_tables(const std::vector<std::string>& table_names) {
  bool has_2010 = false, has_2007 = false;
  for (const std::string& name : table_names) {
    if (name.starts_with("Folder_") || name.starts_with("Message_")) return ExchangeVersion::V2013;
    has_2010 = has_2010 || name.starts_with("Folders-") || name.starts_with("MsgHeader-");
    has_2007 = has_2007 || name == "Msg" || name == "Folders";
  }
  if (has_2010) return ExchangeVersion::V2010;
  if (has_2007) return ExchangeVersion::V2007;
  return std::nullopt;
}

}  // namespace quorvine::scan
