#pragma once
// Which Exchange generation a store comes from. The user's choice decides how the scan reads
// the store; exchange_version_from_tables only serves the "auto" choice.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::scan {

enum class ExchangeVersion { Unset, V2007, V2010, V2013 };

// "2007" (2003 and 2007 stores), "2010", "2013"; "" for Unset.
std::string_view to_string(ExchangeVersion version);
std::optional<ExchangeVersion> parse_exchange_version(std::string_view text);

// The generation whose table layout the catalog's table names show: per-mailbox
// "Folder_<n>"/"Message_<n>" tables mean 2013, "Folders-..."/"MsgHeader-..." tables 2010,
// a single "Msg" or "Folders" 2003/2007. Nothing when there is none of these.
std::optional<ExchangeVersion> exchange_version_from_tables(const std::vector<std::string>& table_names);

}  // namespace quorvine::scan
