#pragma once
// The two date texts. Stage 1 is the UTC text of a FILETIME in exactly the 20-character
// form "Mar,07 2011 14:05:09" (or "(0x........ 0x........)" when it cannot be shown);
// stage 2 is that moment in the local time zone, in the environment's locale.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvine::decode {

// The 8 bytes as a number, in byte_order 'l' (little-endian) or 'b' (big-endian); nothing for
// another size or byte order.
std::optional<uint64_t> read_u64(std::span<const uint8_t> bytes, char byte_order);

// Stage 1.
std::string filetime_utc_text(uint64_t filetime);
// Stage 1 of 8 bytes holding a FILETIME; byte_order 'l' little-endian or 'b' big-endian.
// nothing for another size or byte order.
std::optional<std::string> filetime_utc_text(std::span<const uint8_t> bytes, char byte_order);

// Stage 2 of a stage-1 text: texts longer than 22 characters are cut to 21 first; a text
// that does not parse comes back as it is (after the cut).
std::string convert_date(std::string_view utc_text);
// Parses "Mon,DD YYYY HH:MM:SS" as UTC and formats it in local time ("%x %X" of the
// environment's locale); the text unchanged when it does not parse.
std::string utc_text_to_local(std::string_view utc_text);

// Both stages.
inline std::string filetime_local_text(uint64_t filetime) {
  return convert_date(filetime_utc_text(filetime));
}

// Seconds since 1970-01-01 UTC of a stage-1 text, or nothing when it does not parse.
std::optional<int64_t> parse_utc_text(std::string_view utc_text);

}  // namespace quorvine::decode
