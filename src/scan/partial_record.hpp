#pragma once
// Reads a record building values only for a chosen set of columns, so the data of the other
// columns of wide message tables is never copied.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ese/database.hpp"

namespace quorvine::scan {

// A wanted-column list with its remembered maximum. Duplicates are harmless: membership is
// what counts.
struct WantedColumns {
  std::vector<size_t> columns;
  size_t large = 0;  // the highest index listed when recompute() last ran

  void clear() {
    columns.clear();
    large = 0;
  }
  void add(size_t column) { columns.push_back(column); }
  void add(std::optional<size_t> column) {
    if (column) columns.push_back(*column);
  }
  void recompute();
};

// Record `index` of `table` with values for the listed columns only. nullopt when the
// record cannot be read: callers skip it.
std::optional<ese::Record> read_partial_record(const ese::Table& table, uint64_t index,
                                               const WantedColumns& wanted);

}  // namespace quorvine::scan
