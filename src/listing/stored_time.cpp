#include "listing/stored_time.hpp"

namespace quorvine::listing {
namespace {

// 10000-01-01 00:00:00 UTC as a FILETIME: later times have no four-digit year.
constexpr uint64_t kYear10000 = (253402300800ULL + 11644473600ULL) * 10000000ULL;

}  // namespace

std::optional<uint64_t> first_stored_time(const ese::Record& record, const std::vector<std::optional<size_t>>& columns) {
  for (const auto& c : columns) {
    if (!c) continue;
    auto bytes = record.bytes(*c);
    if (!bytes || bytes->size() != 8) continue;
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value |= static_cast<uint64_t>((*bytes)[i]) << (8 * i);
    if (value < kYear10000) return value;
  }
  return std::nullopt;
}

}  // namespace quorvine::listing
