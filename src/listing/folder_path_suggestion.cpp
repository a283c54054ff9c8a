#include "listing/folder_path_suggestion.hpp"

#include <algorithm>
#include <cstdint>

#include "listing/utf8_characters.hpp"

namespace quorvine::listing {

size_t edit_distance(std::string_view a, std::string_view b) {
  const auto x = characters(a);
  const auto y = characters(b);
  std::vector<size_t> previous(y.size() + 1), current(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= y.size(); ++j)
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
    std::swap(previous, current);
  }
  return previous[y.size()];
}

std::string closest_path(std::string_view wanted, const std::vector<std::string>& paths) {
  std::string best;
  size_t best_distance = SIZE_MAX;
  for (const auto& path : paths) {
    const size_t d = edit_distance(wanted, path);
    if (d < best_distance) {
      best_distance = d;
      best = path;
    }
  }
  return best;
}

}  // namespace quorvine::listing
