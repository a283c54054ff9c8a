#include "listing/utf8_characters.hpp"

namespace quorvine::listing {

std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (i + len > text.size()) len = 1;
    out.push_back(text.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace quorvine::listing
