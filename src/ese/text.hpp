#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvine::ese {

// Writes the UTF-8 form of code point `cp` (one to four bytes) at `out`; returns its end.
char* write_utf8(char* out, char32_t cp);
// Appends the UTF-8 form of code point `cp`.
void append_utf8(std::string& out, char32_t cp);

// UTF-16LE bytes to UTF-8. Surrogate pairs are joined; an unpaired surrogate becomes
// U+FFFD. A trailing odd byte is ignored. NUL units are kept (callers filter them).
std::string utf16le_to_utf8(std::span<const uint8_t> bytes);
// Windows-1252 bytes to UTF-8 (0x80-0x9F through the code page's table).
std::string cp1252_to_utf8(std::span<const uint8_t> bytes);
// Text stored with a column code page (1200 UTF-16LE, 1252, 20127 ASCII, anything else
// treated as 1252).
std::string decode_text(std::span<const uint8_t> bytes, uint32_t codepage);
// UTF-8 to UTF-16LE bytes, for writers and comparisons.
std::string utf8_to_utf16le(std::string_view utf8);

}  // namespace quorvine::ese
