#pragma once
// Small text edits shared by the listing and the row builder.
#include <string>
#include <string_view>

namespace quorvine::listing {

bool starts_with(std::string_view text, std::string_view prefix);
// The decimal integer at the start of `text` (after blanks, with an optional sign), as a
// C-style parse would take it: 0 when there is none, saturated at the int range.
int leading_int(std::string_view text);

}  // namespace quorvine::listing
