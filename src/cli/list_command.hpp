#pragma once
// "quorvine list": scans a store quietly, then lists one folder's messages.
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.hpp"
#include "scan/message_list_row.hpp"

namespace quorvine::cli {

Command list_command();

// The existing path nearest to `wanted` by edit distance (the first of equals), or "".
std::string closest_path(std::string_view wanted, const std::vector<std::string>& paths);
// Characters (not bytes) inserted, deleted or substituted to turn `a` into `b`.
size_t edit_distance(std::string_view a, std::string_view b);

// The rows as a JSON array with all eleven list columns.
std::string rows_to_json(const std::vector<scan::MessageListRow>& rows);
// The rows as a table of From, Subject, Date and Att for people.
std::string rows_to_table(const std::vector<scan::MessageListRow>& rows);

}  // namespace quorvine::cli
