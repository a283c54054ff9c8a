#include "edbgen/exchange_rtf.hpp"

#include <stdexcept>

namespace edbgen {

std::string rtf_document(std::string_view text) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\uc1\\pard\\f0\\fs20 ";
  const Bytes units = utf16le(text);
  for (size_t i = 0; i + 1 < units.size(); i += 2) {
    const uint16_t u = static_cast<uint16_t>(units[i] | units[i + 1] << 8);
    if (u == '\r') continue;
    if (u == '\n') {
      out += "\\par\r\n";
    } else if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u >= 0x20 && u < 0x80) {
      out += static_cast<char>(u);
    } else {
      // \uN takes a signed 16-bit number; "?" is the one-character fallback (\uc1).
      out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?";
    }
  }
  out += "\\par\r\n}";
  return out;
}

Bytes compressed_rtf_uncompressed_form(std::string_view rtf) {
  if (rtf.size() > 0xFFFFFFF0u) throw std::length_error("RTF body too large");
  const auto raw = static_cast<uint32_t>(rtf.size());
  Bytes out = le32(raw + 12);
  const Bytes raw_size = le32(raw);
  out.insert(out.end(), raw_size.begin(), raw_size.end());
  const Bytes magic = le32(0x414C454D);  // "MELA"
  out.insert(out.end(), magic.begin(), magic.end());
  const Bytes crc = le32(0);
  out.insert(out.end(), crc.begin(), crc.end());
  out.insert(out.end(), rtf.begin(), rtf.end());
  return out;
}

}  // namespace edbgen
