#include "ese/multi_value.hpp"

#include <string>

#include "ese/byte_reader.hpp"
#include "ese/column_type.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {

std::vector<RawElement> split_multi_value(std::span<const uint8_t> data, uint8_t flags) {
  std::vector<RawElement> out;
  ByteReader in(data, "A multi-value");
  if (flags & value_flags::two_values) {
    if (data.empty()) throw EseError("A two-value entry is empty.");
    const size_t first = in.u8("the first value's size");
    if (first > in.remaining()) throw EseError("A two-value entry's first value runs past its end.");
    out.push_back({in.bytes(first, "the first value"), false});
    out.push_back({in.bytes(in.remaining(), "the second value"), false});
    return out;
  }
  if (data.size() < 2) throw EseError("A multi-value is too short for its offset array.");
  const size_t count = (in.u16_at(0, "the offset array size") & 0x7FFF) / 2;
  if (count == 0 || count * 2 > data.size()) throw EseError("A multi-value's offset array does not fit.");
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint16_t word = in.u16_at(2 * i, "an element offset");
    const size_t start = word & 0x7FFF;
    const size_t end = i + 1 < count ? (in.u16_at(2 * i + 2, "an element offset") & 0x7FFF) : data.size();
    if (start < count * 2 || start > end || end > data.size())
      throw EseError("Element " + std::to_string(i + 1) + " of a multi-value lies outside it.");
    out.push_back({in.bytes_at(start, end - start, "an element"), (word & 0x8000) != 0});
  }
  return out;
}

}  // namespace quorvine::ese
