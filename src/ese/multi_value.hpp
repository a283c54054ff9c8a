#pragma once
// Splitting a multi-value into its elements, as stored: the offset-array form (flag 0x08)
// and the two-value form (flags 0x18).
#include <cstdint>
#include <span>
#include <vector>

namespace quorvine::ese {

struct RawElement {
  std::span<const uint8_t> data;
  bool long_value_reference = false;  // the element is a reference into the long-value tree
};

// Splits `data` by the form the flag byte names. Throws EseError when the offsets do not fit.
std::vector<RawElement> split_multi_value(std::span<const uint8_t> data, uint8_t flags);

}  // namespace quorvine::ese
