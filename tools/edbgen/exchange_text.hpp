#pragma once
// Byte and text encodings the Exchange layouts store: UTF-16LE text, little-endian
// integers, FILETIME dates and their text forms, transport-header text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edbgen {

using Bytes = std::vector<uint8_t>;

Bytes utf16le(std::string_view utf8);  // throws std::invalid_argument on bad UTF-8
Bytes le16(uint16_t v);
Bytes le32(uint32_t v);
Bytes le64(uint64_t v);
Bytes be64(uint64_t v);
Bytes bytes_of(std::string_view s);

// Lowercase hex of every byte, no separators.
std::string hex_bytes(const Bytes& b);

// "2011-03-07T14:05:09Z" (seconds optional fraction not allowed) to FILETIME ticks.
std::optional<uint64_t> filetime_from_iso(std::string_view iso);

// The UTC date text readers show for a FILETIME: "Mar,07 2011 14:05:09", or for a year
// above 9999 the 23-character "(0x%08x 0x%08x)" form of the two 32-bit halves.
std::string filetime_text(uint64_t filetime);
// RFC 5322 date ("Mon, 07 Mar 2011 14:05:09 +0000"), or nothing when the year is > 9999.
std::optional<std::string> rfc5322_date(uint64_t filetime);

std::string base64(const Bytes& data);
// A header value as ASCII: unchanged when it is printable ASCII, else one RFC 2047
// "=?utf-8?B?...?=" word.
std::string header_word(std::string_view utf8);

// Whether every byte is printable ASCII (0x20-0x7E).
bool is_printable_ascii(std::string_view s);

std::string replace_all(std::string s, std::string_view from, std::string_view to);

}  // namespace edbgen
