#include "scan/folder_key.hpp"

namespace quorvine::scan {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::string folder_key(std::string_view table_name) {
  const auto pieces = split(table_name, '-');
  if (pieces.size() != 2) return {};
  const std::string_view a = pieces[0];
  const std::string_view b = pieces[1];
  if (a.empty() || a.size() > 3) return {};
  const size_t total = 14 + a.size();
  std::string key(a);
  if (a.size() + b.size() < total) key.append(total - a.size() - b.size(), '0');
  key += b;
  return key;
}

}  // namespace quorvine::scan
