#include "scan/partial_record.hpp"

#include <algorithm>

#include "ese/error.hpp"

namespace quorvine::scan {

void WantedColumns::recompute() {
  large = columns.empty() ? 0 : *std::max_element(columns.begin(), columns.end());
}

std::optional<ese::Record> read_partial_record(const ese::Table& table, uint64_t index,
                                               const WantedColumns& wanted) {
  try {
    return table.read_record(index, wanted.columns);
  } catch (const ese::EseError&) {
    return std::nullopt;
  }
}

}  // namespace quorvine::scan
