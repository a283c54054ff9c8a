#pragma once
// The generation a store's table names show. The user's choice decides how the scan reads
// the store; this guess only serves the "auto" choice.
#include <optional>
#include <string>
#include <vector>

#include "decode/generation.hpp"

namespace quorvine::scan {

// Per-mailbox "Folder_<n>"/"Message_<n>" tables mean 2013, "Folders-..."/"MsgHeader-..."
// tables 2010, a single "Msg" or "Folders" 2003/2007. Nothing when there is none of these.
std::optional<decode::Generation> generation_from_tables(const std::vector<std::string>& table_names);

}  // namespace quorvine::scan
