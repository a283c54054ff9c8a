#include "cli/export_summary_output.hpp"

#include <cstdio>

#include "cli/command.hpp"
#include "cli/json_output.hpp"

namespace quorvine::cli {
namespace {

std::string size_text(uint64_t bytes) {
  char text[32];
  if (bytes >= 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  else
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  return text;
}

std::string count(uint64_t n) { return std::to_string(n); }

std::string folder_line(const exporting::FolderTally& tally) {
  std::string line = "folder " + tally.path + ": " + count(tally.held) + " held";
  if (tally.store_count) line += " (the store counts " + count(*tally.store_count) + ")";
  line += ", " + count(tally.written) + " written, " + count(tally.skipped) + " skipped, " +
          count(tally.lost_total()) + " lost";
  std::string reasons;
  for (const auto& [reason, n] : tally.lost) reasons += (reasons.empty() ? "" : ", ") + count(n) + " " + reason;
  if (!reasons.empty()) line += " (" + reasons + ")";
  if (tally.attachments_lost > 0) line += ", " + count(tally.attachments_lost) + " attachment(s) lost";
  if (!tally.uncounted.empty()) line += ", and more lost to damage that hides their number";
  if (tally.short_of_store_count())
    line += "; " + count(*tally.store_count - tally.held) + " message(s) the store counts were not found";
  return line + "\n";
}

}  // namespace

int export_status(const exporting::ExportSummary& summary) {
  if (!summary.unknown_messages.empty()) return exit_usage;
  if (summary.aborted || summary.lost_anything()) return exit_partial;
  return exit_ok;
}

std::string summary_to_text(const exporting::ExportSummary& summary, const std::filesystem::path& where,
                            double seconds) {
  if (!summary.refused.empty() || !summary.unknown_messages.empty()) return {};
  char head[512];
  std::snprintf(head, sizeof head, "%s %llu folders, %llu messages written (%s) to %s in %.1f s\n",
                summary.aborted ? "Aborted after" : "Exported", static_cast<unsigned long long>(summary.folders),
                static_cast<unsigned long long>(summary.messages_written), size_text(summary.bytes).c_str(),
                where.string().c_str(), seconds);
  std::string text = head;
  for (const auto& [kind, n] : summary.items_written) text += "written: " + count(n) + " " + kind + "\n";
  if (summary.recurring_items > 0)
    text += "recurring: " + count(summary.recurring_items) + " items written as their first occurrence\n";
  for (const auto& [reason, n] : summary.skipped) text += "skipped: " + count(n) + " messages, " + reason + "\n";
  if (summary.senders_without_address > 0)
    text += count(summary.senders_without_address) +
            " messages have a sender without an address; their From holds the name alone\n";
  for (const exporting::FolderTally& tally : summary.tallies) text += folder_line(tally);
  return text;
}

nlohmann::ordered_json summary_to_json(const exporting::ExportSummary& summary, const std::string& store,
                                       const std::filesystem::path& where, double seconds, int status) {
  nlohmann::ordered_json folders = nlohmann::ordered_json::array();
  for (const exporting::FolderTally& t : summary.tallies) {
    nlohmann::ordered_json lost = nlohmann::ordered_json::object();
    for (const auto& [reason, n] : t.lost) lost[reason] = n;
    folders.push_back({{"path", t.path},
                       {"held", t.held},
                       {"store_count", t.store_count ? nlohmann::ordered_json(*t.store_count) : nullptr},
                       {"written", t.written},
                       {"skipped", t.skipped},
                       {"lost", t.lost_total()},
                       {"lost_by_reason", lost},
                       {"attachments_lost", t.attachments_lost},
                       {"uncounted_losses", t.uncounted}});
  }
  nlohmann::ordered_json skipped = nlohmann::ordered_json::object();
  for (const auto& [reason, n] : summary.skipped) skipped[reason] = n;
  return {{"schema", json_schema},
          {"database", store},
          {"out", where.string()},
          {"status", status},
          {"refused", summary.refused},
          {"aborted", summary.aborted},
          {"unknown_messages", summary.unknown_messages},
          {"folders_written", summary.folders},
          {"messages_written", summary.messages_written},
          {"messages_failed", summary.messages_failed},
          {"senders_without_address", summary.senders_without_address},
          {"bytes", summary.bytes},
          {"seconds", seconds},
          {"skipped", skipped},
          {"items_written", summary.items_written},
          {"recurring_items", summary.recurring_items},
          {"folders", folders},
          {"store_losses", summary.store_losses},
          {"failures", summary.failures}};
}

void print_problems(const exporting::ExportSummary& summary, const std::string& prefix) {
  if (!summary.refused.empty()) std::fprintf(stderr, "%s%s\n", prefix.c_str(), summary.refused.c_str());
  for (const std::string& id : summary.unknown_messages)
    std::fprintf(stderr, "%sthe folder holds no message %s; nothing was written\n", prefix.c_str(), id.c_str());
  for (const std::string& loss : summary.store_losses) std::fprintf(stderr, "%s%s\n", prefix.c_str(), loss.c_str());
  for (const std::string& failure : summary.failures) std::fprintf(stderr, "%s%s\n", prefix.c_str(), failure.c_str());
  for (const exporting::FolderTally& tally : summary.tallies)
    for (const std::string& why : tally.uncounted) std::fprintf(stderr, "%s%s\n", prefix.c_str(), why.c_str());
  if (summary.aborted)
    std::fprintf(stderr, "%saborted; every MBOX file completed before the stop is whole, "
                         "the folder in progress was not written\n", prefix.c_str());
}

}  // namespace quorvine::cli
