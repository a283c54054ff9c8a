#include "ese/byte_source.hpp"

#include <algorithm>
#include <cstring>

namespace quorvine::ese::detail {

size_t MemorySource::read_at(uint64_t offset, std::span<uint8_t> buffer) const {
  if (offset >= bytes_.size()) return 0;
  size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), bytes_.size() - offset));
  std::memcpy(buffer.data(), bytes_.data() + offset, n);
  return n;
}

}  // namespace quorvine::ese::detail
