#pragma once
// Small text edits shared by the listing and the row builder.
#include <string>
#include <string_view>

namespace quorvine::scan {

// Replaces every non-overlapping occurrence of `from`, left to right. An empty `from`
// changes nothing.
std::string replace_all(std::string text, std::string_view from, std::string_view to);
bool starts_with(std::string_view text, std::string_view prefix);
// Leading and trailing blanks, tabs, CR and LF removed.
std::string trim(std::string_view text);
// The decimal integer at the start of `text` (after blanks, with an optional sign), as a
// C-style parse would take it: 0 when there is none, saturated at the int range.
int leading_int(std::string_view text);

}  // namespace quorvine::scan
