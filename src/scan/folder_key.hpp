#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::scan {

// The key of a table named "a-b" (a 2003/2007 contents table "1-2D5E3"): a, zeros, b, filled
// to 15, 16 or 17 characters for an a of 1, 2 or 3 characters, so that it equals the upper
// case identifier text of the folder. Empty for other names.
std::string folder_key(std::string_view table_name);

// `text` split at every `separator` (empty pieces kept).
std::vector<std::string_view> split(std::string_view text, char separator);

}  // namespace quorvine::scan
