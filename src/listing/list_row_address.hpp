#pragma once
// The address helpers the row builder uses, under names that say what they do.
#include <string>

namespace quorvine::render {

// The addresses found in `text`, lower case, each followed by ","; the leftover text when
// there is none.
std::string extract_addresses(const std::string& text);
// More than one "." or "@" in the text.
bool email_looks_valid(const std::string& text);
// Spaces that split an address closed up.
std::string close_up_spaces(const std::string& text);

}  // namespace quorvine::render
