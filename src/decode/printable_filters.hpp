#pragma once
// Byte-to-text filters. The two printable filters keep e-mail addresses whole inside
// binary values while the surrounding binary turns into commas, for the address extractor.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvine::decode {

// Printable filter 1: NULs dropped, separators and bytes 0x7F-0xFE become ",", the rest
// is kept; the result read as UTF-8 (0xFF becomes U+FFFD).
std::string printable_bytes(std::span<const uint8_t> bytes);

// Printable filter 2: a narrower set of bytes kept, control separators become ",",
// everything else dropped.
std::string strict_printable_bytes(std::span<const uint8_t> bytes);

// Two lowercase hex digits per byte.
std::string hex_bytes(std::span<const uint8_t> bytes);

// Text forms over decoded (UTF-8) text: a NUL becomes a space ...
std::string nuls_as_spaces(std::string_view text);
// ... or is skipped.
std::string without_nuls(std::string_view text);
// The text up to its first NUL.
std::string_view text_before_nul(std::string_view text);

// Bytes 1 to 125 only (the printable part of transport headers).
std::string preview_text(std::span<const uint8_t> bytes);

}  // namespace quorvine::decode
