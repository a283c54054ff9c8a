#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "cli/export_progress.hpp"
#include "cli/store_session.hpp"
#include "cli/verbosity.hpp"
#include "cli/terminal_observer.hpp"
#include "export/mailbox_export.hpp"
#include "export/output_names.hpp"
#include "listing/folder_path_suggestion.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::cli {
namespace {

std::optional<exporting::DateRange> date_filter(const Arguments& args) {
  const auto from = args.option("--from"), to = args.option("--to");
  if (!from && !to) return std::nullopt;
  if (!from || !to) throw UsageError("--from and --to go together");
  exporting::DateRange range;
  auto first = exporting::parse_filter_date(*from, false), last = exporting::parse_filter_date(*to, true);
  if (!first) throw UsageError("--from must be a date YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS] (UTC), not \"" + *from + "\"");
  if (!last) throw UsageError("--to must be a date YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS] (UTC), not \"" + *to + "\"");
  range.from = *first;
  range.to = *last;
  return range;
}

unsigned job_count(const Arguments& args) {
  const auto text = args.option("--jobs");
  if (!text) return std::max(1u, std::thread::hardware_concurrency());
  try {
    size_t used = 0;
    const int jobs = std::stoi(*text, &used);
    if (used == text->size() && jobs >= 1 && jobs <= 256) return static_cast<unsigned>(jobs);
  } catch (const std::exception&) {
  }
  throw UsageError("--jobs must be a number from 1 to 256, not \"" + *text + "\"");
}

scan::TreeItem find_item(const scan::MailboxTree& tree, const std::string& path, const std::string& store) {
  auto item = tree.find_path(path);
  if (item && *item != scan::root_tree_item) return *item;
  const std::string nearest = render::closest_path(path, tree.all_paths());
  throw UsageError("no mailbox or folder \"" + path + "\" in " + store +
                   (nearest.empty() ? std::string(", which has none") : "; the closest is \"" + nearest + "\""));
}

// Every folder item below `item` (and `item` itself when it is a folder).
void add_subtree(const scan::MailboxTree& tree, scan::TreeItem item, std::vector<scan::TreeItem>& out) {
  if (tree.node(item).parent != scan::root_tree_item) out.push_back(item);
  for (scan::TreeItem child : tree.node(item).children) add_subtree(tree, child, out);
}

std::string size_text(uint64_t bytes) {
  char text[32];
  if (bytes >= 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  else
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  return text;
}

int report(const exporting::ExportSummary& summary, const std::filesystem::path& where, double seconds,
           Verbosity verbosity) {
  if (!summary.refused.empty()) {
    std::fprintf(stderr, "quorvine export: %s\n", summary.refused.c_str());
    return exit_partial;
  }
  if (verbosity != Verbosity::Quiet) {
    std::printf("%s %llu folders, %llu messages written (%s) to %s in %.1f s\n",
                summary.aborted ? "Aborted after" : "Exported", static_cast<unsigned long long>(summary.folders),
                static_cast<unsigned long long>(summary.messages_written), size_text(summary.bytes).c_str(),
                where.string().c_str(), seconds);
    for (const auto& [reason, count] : summary.skipped)
      std::printf("skipped: %llu messages, %s\n", static_cast<unsigned long long>(count), reason.c_str());
  }
  for (const std::string& failure : summary.failures) std::fprintf(stderr, "quorvine export: %s\n", failure.c_str());
  if (summary.aborted) {
    std::fprintf(stderr, "quorvine export: aborted; every MBOX file completed before the stop is whole, "
                         "the folder in progress was not written\n");
    return exit_partial;
  }
  return summary.failures.empty() && summary.messages_failed == 0 ? exit_ok : exit_partial;
}

int run_export(const Arguments& parsed) {
  const Verbosity verbosity = verbosity_of(parsed);
  TerminalObserver observer(verbosity);
  scan::ScanSession session;
  const std::filesystem::path out = *parsed.option("--out");
  if (out.empty()) throw UsageError("--out DIR is required");
  const std::optional<exporting::DateRange> filter = date_filter(parsed);
  const unsigned jobs = job_count(parsed);
  const auto folders = parsed.values("--folder"), mailboxes = parsed.values("--mailbox"),
             messages = parsed.values("--message");
  const bool selected = !messages.empty() || parsed.flag("--selected");
  if (selected && (folders.size() != 1 || !mailboxes.empty()))
    throw UsageError("--message and --selected need exactly one --folder and no --mailbox");
  {
    const StoreScan scanned = scan_store(parsed.positionals[0], parsed, session, observer);
    if (scanned.status != exit_ok) return scanned.status;  // the scan said why
    if (session.settings.exchange_version_support == scan::ExchangeVersion::V2013) {
      std::fprintf(stderr, "quorvine export: %s is an Exchange 2013 store, which cannot be exported yet; "
                           "nothing was written\n", parsed.positionals[0].c_str());
      return exit_partial;
    }

    ExportProgress progress(stderr, verbosity);
    std::stop_source stop;
    InterruptStop interrupt(stop);
    ese::PassControl control{stop.get_token(), nullptr, &progress};
    const auto started = std::chrono::steady_clock::now();
    exporting::ExportSummary summary;
    std::filesystem::path where;
    if (selected) {
      exporting::SelectedItemsRequest request;
      request.destination = out;
      request.folder = find_item(session.tree, folders.front(), parsed.positionals[0]);
      request.message_ids = messages;
      request.filter = filter;
      where = out / exporting::kSelectedItemsRoot;
      summary = exporting::ExportEML(session, request, control, progress);
    } else {
      exporting::MailboxExportRequest request;
      request.destination = out;
      request.filter = filter;
      request.jobs = jobs;
      std::vector<std::string> paths = mailboxes;
      paths.insert(paths.end(), folders.begin(), folders.end());
      if (paths.empty()) {
        add_subtree(session.tree, scan::root_tree_item, request.checked);
      } else {
        for (const std::string& path : paths)
          add_subtree(session.tree, find_item(session.tree, path, parsed.positionals[0]), request.checked);
      }
      where = out / exporting::kMailboxTreeRoot;
      summary = exporting::SaveData_to_EML(session, request, control, progress);
    }
    progress.clear();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return report(summary, where, seconds, verbosity);
  }
}

}  // namespace

Command export_command() {
  return Command{
      "export",
      "export mailboxes, folders or messages of a store into MBOX files",
      "Without a selection every folder of every mailbox goes to DIR/QuorvineRec/<mailbox>/<folders>/<folder>,\n"
      "one MBOX file per folder; with --message or --selected and one --folder, those messages go into one\n"
      "file under DIR/Quorvine. Each file is written under a temporary name and renamed when complete.",
      {{{"STORE", "the Exchange store database file (.edb)"}},
       {exchange_option(),
        {"--out", "DIR", "the folder to write into", false, true},
        {"--mailbox", "NAME", "export this mailbox with all its folders", true},
        {"--folder", "PATH", "export this folder with its subfolders (its path as scan shows it)", true},
        {"--message", "ID", "export only this message of the one --folder (message_id of list --json)", true},
        {"--selected", "", "export the whole of the one --folder into one file"},
        {"--from", "DATE", "keep messages stored at or after DATE (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], UTC)"},
        {"--to", "DATE", "keep messages stored at or before DATE (with --from)"},
        {"--jobs", "N", "export N folders at once (default: the number of cores)"},
        verbose_option(),
        quiet_option()}},
      run_export};
}

}  // namespace quorvine::cli
