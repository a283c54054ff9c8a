#pragma once
// Which Exchange generation a store comes from. The user's choice decides how the scan reads
// the store; guess_exchange_version only serves the command line's "auto".
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
// "Folder_<n>"/"Message_<n>" tables mean 2013, "Folders-..."/"MsgHeader-..." tables mean
// 2010, anything else (a single "Folders" and "Msg") 2003/2007.
ExchangeVersion guess_exchange_version(const std::vector<std::string>& table_names);

}  // namespace quorvine::scan
