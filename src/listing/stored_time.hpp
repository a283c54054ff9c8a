#pragma once
// The stored time a message is dated by in the exports: the first column of a date chain
// holding an 8-byte FILETIME that falls before the year 10000.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ese/database.hpp"

namespace quorvine::listing {

std::optional<uint64_t> first_stored_time(const ese::Record& record, const std::vector<std::optional<size_t>>& columns);

}  // namespace quorvine::listing
