#pragma once
// Splitting UTF-8 text into characters for widths and distances.
#include <string_view>
#include <vector>

namespace quorvine::listing {

// Code points of a UTF-8 text; a byte that starts no complete sequence counts as one.
std::vector<std::string_view> characters(std::string_view text);

}  // namespace quorvine::listing
