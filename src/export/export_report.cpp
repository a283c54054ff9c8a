#include "export/export_report.hpp"

namespace quorvine::exporting {

void ExportSummary::add(const ExportSummary& other) {
  folders += other.folders;
  messages_written += other.messages_written;
  bytes += other.bytes;
  for (const auto& [reason, count] : other.skipped) skipped[reason] += count;
  for (const auto& [kind, count] : other.items_written) items_written[kind] += count;
  recurring_items += other.recurring_items;
  failures.insert(failures.end(), other.failures.begin(), other.failures.end());
  messages_failed += other.messages_failed;
  aborted = aborted || other.aborted;
}

}  // namespace quorvine::exporting
