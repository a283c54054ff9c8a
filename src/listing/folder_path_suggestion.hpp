#pragma once
// Suggesting an existing folder path for one that was mistyped.
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::listing {

// Characters (not bytes) inserted, deleted or substituted to turn `a` into `b`.
size_t edit_distance(std::string_view a, std::string_view b);
// The path nearest to `wanted` by edit distance (the first of equals), or "" for no paths.
std::string closest_path(std::string_view wanted, const std::vector<std::string>& paths);

}  // namespace quorvine::listing
