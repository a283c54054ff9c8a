#include "export/base64.hpp"

#include <cstdint>

namespace quorvine::exporting {

std::string base64_encode(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  const auto byte = [&](size_t at) -> uint32_t { return static_cast<uint8_t>(bytes[at]); };
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = byte(i) << 16;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = (byte(i) << 16) | (byte(i + 1) << 8);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

}  // namespace quorvine::exporting
