#pragma once
// UTF-8 text (the core's in-memory form) taken apart into code points and UTF-16 units for
// the files that ask for another encoding.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::textfile {

// The code points of `text`; each invalid or truncated sequence gives one U+FFFD.
std::u32string utf8_code_points(std::string_view text);

// `text` as UTF-16LE bytes (surrogate pairs above U+FFFF), without terminator.
std::vector<uint8_t> utf16le_bytes(std::string_view text);

}  // namespace quorvine::textfile
