#pragma once
// One pass over a table's records for the scan and the listings: the reading layer's cursor,
// with the progress bar driven by the rule each pass shows its progress with.
#include <cstdint>
#include <functional>

#include "ese/database.hpp"
#include "ese/pass_control.hpp"
#include "scan/partial_record.hpp"
#include "scan/scan_observer.hpp"

namespace quorvine::scan {

enum class ProgressRule {
  // Range 0..n when n > 100 (else the default 0..100), position = records done.
  RecordCount,
  // As RecordCount, with the text "Scanning " and "Completed" once the last record is done.
  RecordCountWithText,
  // Range 0..min(n, 50000), position capped at the range.
  Capped,
  // Position 1, 2, ..., 100, then 1 again, whatever n is.
  Wrapping,
};

// Walks `table` with the wanted columns, handing each readable record and its number to
// `visit`. Progress reaches `observer` at most ~30 times a second by `rule` and the bar is
// reset to 0 at the end. Stops early when `control` is stopped. Damaged records are skipped
// and counted in the result.
ese::PassResult run_record_pass(const ese::Table& table, const WantedColumns& wanted,
                                ScanObserver& observer, ProgressRule rule,
                                const ese::PassControl& control,
                                const std::function<void(const ese::Record&, uint64_t)>& visit);

}  // namespace quorvine::scan
