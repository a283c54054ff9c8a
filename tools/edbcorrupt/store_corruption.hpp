#pragma once
// Deterministic damage to an ESE store image: the same store, mode and seed always give the
// same bytes. Resealing modes rewrite the page checksums so the damage gets past them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edbcorrupt {

enum class Mode {
  Flip,       // bytes of one page flipped, page resealed
  FlipRaw,    // the same, checksum left stale
  Truncate,   // the file cut at a random offset
  ZeroPage,   // one page zeroed
  SwapPages,  // two pages swapped, both resealed under their new numbers
  CopyPage,   // one page copied over another, resealed
  Catalog,    // flip, zero or copy-over on a catalog page, resealed
  Header,     // bytes flipped in the file header and (mostly) its shadow copy
};

std::optional<Mode> parse_mode(std::string_view name);
const std::vector<std::string_view>& mode_names();

struct Damage {
  std::vector<uint8_t> bytes;
  std::string description;  // one line: what was changed where
};

// Throws std::runtime_error when the image is too small or its header names no valid page
// size.
Damage corrupt(std::vector<uint8_t> store, Mode mode, uint64_t seed);

}  // namespace edbcorrupt
