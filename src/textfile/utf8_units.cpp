#include "textfile/utf8_units.hpp"

namespace quorvine::textfile {
namespace {

constexpr char32_t replacement = 0xFFFD;

// Length of the sequence a lead byte starts, 0 for a byte that cannot lead.
size_t sequence_length(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::u32string utf8_code_points(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const size_t length = sequence_length(lead);
    if (length == 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    if (length == 0 || i + length > text.size()) {
      out.push_back(replacement);
      ++i;
      continue;
    }
    char32_t cp = lead & (0x7F >> length);
    size_t k = 1;
    for (; k < length; ++k) {
      const auto b = static_cast<uint8_t>(text[i + k]);
      if ((b & 0xC0) != 0x80) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (k < length || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(replacement);
      i += k < length ? k : length;
      continue;
    }
    out.push_back(cp);
    i += length;
  }
  return out;
}

std::vector<uint8_t> utf16le_bytes(std::string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  auto unit = [&](uint32_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  for (char32_t cp : utf8_code_points(text)) {
    if (cp < 0x10000) {
      unit(cp);
    } else {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    }
  }
  return out;
}

}  // namespace quorvine::textfile
