#include "export/export_report.hpp"

#include <algorithm>

namespace quorvine::exporting {

uint64_t FolderTally::lost_total() const {
  uint64_t total = 0;
  for (const auto& [reason, count] : lost) total += count;
  return total;
}

void ExportSummary::add(const ExportSummary& other) {
  folders += other.folders;
  messages_written += other.messages_written;
  bytes += other.bytes;
  for (const auto& [reason, count] : other.skipped) skipped[reason] += count;
  for (const auto& [kind, count] : other.items_written) items_written[kind] += count;
  recurring_items += other.recurring_items;
  failures.insert(failures.end(), other.failures.begin(), other.failures.end());
  messages_failed += other.messages_failed;
  senders_without_address += other.senders_without_address;
  tallies.insert(tallies.end(), other.tallies.begin(), other.tallies.end());
  store_losses.insert(store_losses.end(), other.store_losses.begin(), other.store_losses.end());
  unknown_messages.insert(unknown_messages.end(), other.unknown_messages.begin(), other.unknown_messages.end());
  aborted = aborted || other.aborted;
}

bool ExportSummary::lost_anything() const {
  return !refused.empty() || !failures.empty() || messages_failed > 0 || !store_losses.empty() ||
         std::any_of(tallies.begin(), tallies.end(), [](const FolderTally& t) { return t.lost_anything(); });
}

}  // namespace quorvine::exporting
