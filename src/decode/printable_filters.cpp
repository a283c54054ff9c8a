#include "decode/printable_filters.hpp"

namespace quorvine::decode {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

}  // namespace

std::string printable_bytes(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    if (b == 0) continue;
    bool separator = b <= 0x2C || b == '/' || b == ':' || b == ';' || b == '=' || b == '?' ||
                     b == '\\' || (b >= 0x7F && b <= 0xFE);
    if (separator)
      out.push_back(',');
    else if (b == 0xFF)
      out.append(kReplacementCharacter);  // the one kept byte that is not valid UTF-8
    else
      out.push_back(static_cast<char>(b));
  }
  return out;
}

std::string strict_printable_bytes(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    if (b == 1 || b == 3 || b == 4 || b == '\t' || b == '\n' || b == '\r' || b == '\'' ||
        b == '\\') {
      out.push_back(',');
    } else if (b == '-' || b == ' ' || b == '/' || b == '#' || b == '&' || b == '.' ||
               (b >= 0x30 && b <= 0x5A) || (b >= 0x5F && b <= 0x7A)) {
      out.push_back(static_cast<char>(b));
    }
  }
  return out;
}

std::string hex_bytes(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

std::string nuls_as_spaces(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\0') c = ' ';
  return out;
}

std::string without_nuls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\0') out.push_back(c);
  return out;
}

std::string_view text_before_nul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

std::string preview_text(std::span<const uint8_t> bytes) {
  std::string chunk;
  chunk.reserve(bytes.size());
  for (uint8_t b : bytes)
    if (b >= 1 && b <= 125) chunk.push_back(static_cast<char>(b));
  return chunk;
}

}  // namespace quorvine::decode
