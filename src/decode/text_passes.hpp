#pragma once
// Plain search-and-replace passes as the address helpers apply them.
#include <string>
#include <string_view>

namespace quorvine::decode {

// Replaces every non-overlapping occurrence of `from`, left to right; replacements are
// not searched again. Returns whether anything was replaced.
bool replace_all(std::string& text, std::string_view from, std::string_view to);
// The same, on a copy.
std::string replaced(std::string text, std::string_view from, std::string_view to);

// ASCII letters to lower case; other bytes (UTF-8 included) unchanged.
std::string ascii_lower(std::string_view text);

// Leading and trailing characters of `blanks` removed.
std::string_view trim(std::string_view text, std::string_view blanks = " ");

}  // namespace quorvine::decode
