#pragma once
// A folder's rows as the command line prints them.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "listing/message_list_row.hpp"

namespace quorvine::render {

// A JSON array with all eleven list columns of every row, in column order. Text need not be
// valid UTF-8: dump it with the replacing error handler.
nlohmann::ordered_json rows_to_json(const std::vector<scan::MessageListRow>& rows);
// A table of From, Subject, Date and Att for people.
std::string rows_to_table(const std::vector<scan::MessageListRow>& rows);
// The same table handed to `write` line by line, so a big folder's text is never held whole.
void write_rows_table(const std::vector<scan::MessageListRow>& rows, const std::function<void(std::string_view)>& write);

}  // namespace quorvine::render
