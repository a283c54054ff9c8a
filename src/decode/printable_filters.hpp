#pragma once
// Byte-to-text filters. The two printable filters keep e-mail addresses whole inside
// binary values while the surrounding binary turns into commas, for the address extractor.
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace quorvine::decode {

// Printable filter 1: NULs dropped, separators and bytes 0x7F-0xFE become ",", the rest
// is kept; the result read as UTF-8 (0xFF becomes U+FFFD).
std::string ByteToString(std::span<const uint8_t> bytes);
inline std::string export_binary_data1(std::span<const uint8_t> bytes) { return ByteToString(bytes); }

// Printable filter 2: a narrower set of bytes kept, control separators become ",",
// everything else dropped.
std::string export_binary_data(std::span<const uint8_t> bytes);

// Two lowercase hex digits per byte.
std::string export_binary_data_2013(std::span<const uint8_t> bytes);
inline std::string export_binary_data_attachment1(std::span<const uint8_t> bytes) {
  return export_binary_data_2013(bytes);
}

// Text forms over decoded (UTF-8) text: a NUL becomes a space ...
std::string export_binary_data_text(std::string_view text);
// ... or is skipped.
std::string export_text_data(std::string_view text);
inline std::string export_text_data1(std::string_view text) { return export_text_data(text); }
// The text up to its first NUL.
std::string_view text_before_nul(std::string_view text);

// Stream forms.
void export_text(std::ostream& out, std::string_view text);  // NULs skipped
// Each non-zero byte as one character (bytes 0x80-0xFF as U+0080-U+00FF). Returns 1.
int export_text_data(std::ostream& out, std::span<const uint8_t> bytes);
// Bytes 1 to 125 only (the printable part of transport headers).
std::string preview_text(std::span<const uint8_t> bytes);

}  // namespace quorvine::decode
