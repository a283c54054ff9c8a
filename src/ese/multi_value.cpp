#include "ese/multi_value.hpp"

#include <string>

#include "ese/byte_order.hpp"
#include "ese/column_type.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {

std::vector<RawElement> split_multi_value(std::span<const uint8_t> data, uint8_t flags) {
  std::vector<RawElement> out;
  if (flags & value_flags::two_values) {
    if (data.empty()) throw EseError("A two-value entry is empty.");
    size_t first = data[0];
    if (first > data.size() - 1) throw EseError("A two-value entry's first value runs past its end.");
    out.push_back({data.subspan(1, first), false});
    out.push_back({data.subspan(1 + first), false});
    return out;
  }
  if (data.size() < 2) throw EseError("A multi-value is too short for its offset array.");
  const size_t count = (detail::load_le16(data.data()) & 0x7FFF) / 2;
  if (count == 0 || count * 2 > data.size()) throw EseError("A multi-value's offset array does not fit.");
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    uint16_t word = detail::load_le16(data.data() + 2 * i);
    size_t start = word & 0x7FFF;
    size_t end = i + 1 < count ? (detail::load_le16(data.data() + 2 * i + 2) & 0x7FFF) : data.size();
    if (start < count * 2 || start > end || end > data.size())
      throw EseError("Element " + std::to_string(i + 1) + " of a multi-value lies outside it.");
    out.push_back({data.subspan(start, end - start), (word & 0x8000) != 0});
  }
  return out;
}

}  // namespace quorvine::ese
