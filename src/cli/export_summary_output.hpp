#pragma once
// The end of an export as the command prints it: the exit status it earns, the summary as
// text or JSON (docs/json.md), and its failures and losses on standard error.
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "export/export_report.hpp"

namespace quorvine::cli {

// exit_usage for message identifiers the folder lacks, exit_partial for a refusal, a stop
// or anything lost, else exit_ok.
int export_status(const exporting::ExportSummary& summary);

// "Exported 3 folders, 12 messages written (1.2 MB) to DIR in 0.4 s", the reasons messages
// were skipped, and a line per folder: held, the store's own count, written, skipped, lost.
std::string summary_to_text(const exporting::ExportSummary& summary, const std::filesystem::path& where,
                            double seconds);

nlohmann::ordered_json summary_to_json(const exporting::ExportSummary& summary, const std::string& store,
                                       const std::filesystem::path& where, double seconds, int status);

// The refusal, the unknown messages, every failure and loss, and the stop, on stderr.
void print_problems(const exporting::ExportSummary& summary, const std::string& prefix);

}  // namespace quorvine::cli
