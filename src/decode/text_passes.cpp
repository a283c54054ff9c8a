#include "decode/text_passes.hpp"

namespace quorvine::decode {

bool replace_all(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return false;
  size_t hit = text.find(from);
  if (hit == std::string::npos) return false;
  // Built into a fresh string so a pass stays linear however many hits there are.
  std::string out;
  out.reserve(text.size() + (to.size() > from.size() ? text.size() / 4 : 0));
  size_t done = 0;
  while (hit != std::string::npos) {
    out.append(text, done, hit - done);
    out.append(to);
    done = hit + from.size();
    hit = text.find(from, done);
  }
  out.append(text, done, std::string::npos);
  text = std::move(out);
  return true;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
  replace_all(text, from, to);
  return text;
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view trim(std::string_view text, std::string_view blanks) {
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace quorvine::decode
