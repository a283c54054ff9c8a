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
  TruncatePage,  // the file cut at a page boundary: the seed says how many pages stay
  Record,     // bytes of a record flipped on a leaf page of the target trees, resealed
  LongValue,  // bytes flipped on a long-value page, resealed
  HugeTag,    // a page tag's size or offset set to its largest value, resealed
  Cycle,      // a branch page's child or a leaf's sibling pointed back at itself or its root
};

std::optional<Mode> parse_mode(std::string_view name);
const std::vector<std::string_view>& mode_names();

struct Damage {
  std::vector<uint8_t> bytes;
  std::string description;  // one line: what was changed where
};

// The trees damage is aimed at (FDP object ids); empty: any tree. Record and HugeTag pages
// are taken from these trees when there are any.
struct Targets {
  std::vector<uint32_t> object_ids;
};

// Throws std::runtime_error when the image is too small, its header names no valid page
// size, or it holds no page the mode can damage.
Damage corrupt(std::vector<uint8_t> store, Mode mode, uint64_t seed, const Targets& targets = {});

}  // namespace edbcorrupt
