#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "cli/export_progress.hpp"
#include "cli/export_summary_output.hpp"
#include "cli/json_output.hpp"
#include "cli/store_folders.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "cli/verbosity.hpp"
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
  const std::string forms = " must be a date YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS] (UTC) of the years " +
                            std::to_string(exporting::kFilterFirstYear) + " to " +
                            std::to_string(exporting::kFilterLastYear) + ", not \"";
  if (!first) throw UsageError("--from" + forms + *from + "\"");
  if (!last) throw UsageError("--to" + forms + *to + "\"");
  if (*first > *last) throw UsageError("--from " + *from + " lies after --to " + *to + "; no message could match");
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
  const std::string nearest = listing::closest_path(path, tree.all_paths());
  throw UsageError("no mailbox or folder \"" + path + "\" in " + store +
                   (nearest.empty() ? std::string(", which has none") : "; the closest is \"" + nearest + "\""));
}

// Every folder item below `item` (and `item` itself when it is a folder).
void add_subtree(const scan::MailboxTree& tree, scan::TreeItem item, std::vector<scan::TreeItem>& out) {
  if (tree.node(item).parent != scan::root_tree_item) out.push_back(item);
  for (scan::TreeItem child : tree.node(item).children) add_subtree(tree, child, out);
}

exporting::OutputFormat output_format(const Arguments& args) {
  const auto text = args.option("--format");
  if (!text) return exporting::OutputFormat::Mbox;
  if (auto format = exporting::parse_output_format(*text)) return *format;
  throw UsageError("--format must be mbox, maildir or eml, not \"" + *text + "\"");
}

exporting::ItemSelection item_selection(const Arguments& args) {
  const auto text = args.option("--items");
  if (!text) return {};
  if (auto items = exporting::parse_item_selection(*text)) return *items;
  throw UsageError("--items must list one or more of mail,contacts,calendar,tasks,notes, not \"" + *text + "\"");
}

// What the arguments ask of every store.
struct ExportRequest {
  std::optional<exporting::DateRange> filter;
  exporting::OutputFormat format = exporting::OutputFormat::Mbox;
  exporting::ItemSelection items;
  unsigned jobs = 1;
  std::vector<std::string> mailboxes, folders, messages;
  bool selected = false;
  bool json = false;
  bool json_lines = false;  // several stores: one document a line
  Verbosity verbosity = Verbosity::Normal;
};

// Exports one store into `out` as if it were the only one; returns its exit status and
// sets `interrupted` when Ctrl-C stopped it.
int export_store(const std::string& store, const std::filesystem::path& out, const Arguments& parsed,
                 const ExportRequest& asked, const std::string& prefix, bool& interrupted) {
  TerminalObserver observer(asked.verbosity);
  scan::ScanSession session;
  const StoreScan scanned = open_and_scan(store, parsed, session, observer);
  if (scanned.status != exit_ok) return scanned.status;  // the scan said why
  if (session.settings.generation == decode::Generation::V2013) {
    // With several stores the prefix names the store already.
    const bool named = prefix.ends_with(store + ": ");
    std::fprintf(stderr, "%s%s is an Exchange 2013 store, which cannot be exported yet; nothing was written\n",
                 prefix.c_str(), named ? "it" : store.c_str());
    return exit_partial;
  }

  ExportProgress progress(stderr, asked.verbosity);
  std::stop_source stop;
  InterruptStop interrupt(stop);
  ese::PassControl control{stop.get_token(), nullptr, &progress};
  const auto started = std::chrono::steady_clock::now();
  exporting::ExportSummary summary;
  std::filesystem::path where;
  if (asked.selected) {
    exporting::SelectedItemsRequest request;
    request.destination = out;
    request.folder = find_item(session.tree, asked.folders.front(), store);
    request.message_ids = asked.messages;
    request.filter = asked.filter;
    request.format = asked.format;
    where = out / exporting::kSelectedItemsRoot;
    summary = exporting::export_selected_messages(session, request, control, progress);
  } else {
    exporting::MailboxExportRequest request;
    request.destination = out;
    request.filter = asked.filter;
    request.jobs = asked.jobs;
    request.format = asked.format;
    request.items = asked.items;
    std::vector<std::string> paths = asked.mailboxes;
    paths.insert(paths.end(), asked.folders.begin(), asked.folders.end());
    if (paths.empty()) {
      add_subtree(session.tree, scan::root_tree_item, request.checked);
    } else {
      for (const std::string& path : paths) add_subtree(session.tree, find_item(session.tree, path, store), request.checked);
    }
    where = out / exporting::kMailboxTreeRoot;
    summary = exporting::export_mailboxes(session, request, control, progress);
  }
  progress.clear();
  interrupted = interrupt.interrupted();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int status = export_status(summary);
  if (asked.json) {
    const auto document = summary_to_json(summary, store, where, seconds, status);
    asked.json_lines ? write_json_line(document) : write_json_document(document);
  } else if (asked.verbosity != Verbosity::Quiet) {
    std::fputs(summary_to_text(summary, where, seconds).c_str(), stdout);
    std::fflush(stdout);
  }
  print_problems(summary, prefix);
  return status;
}

int run_export(const Arguments& parsed) {
  const std::filesystem::path out = *parsed.option("--out");
  if (out.empty()) throw UsageError("--out DIR is required");
  ExportRequest asked;
  asked.verbosity = verbosity_of(parsed);
  asked.filter = date_filter(parsed);
  asked.jobs = job_count(parsed);
  asked.format = output_format(parsed);
  asked.items = item_selection(parsed);
  asked.folders = parsed.values("--folder");
  asked.mailboxes = parsed.values("--mailbox");
  asked.messages = parsed.values("--message");
  asked.selected = !asked.messages.empty() || parsed.flag("--selected");
  asked.json = parsed.flag("--json");
  asked.json_lines = parsed.positionals.size() > 1;
  if (asked.selected && (asked.folders.size() != 1 || !asked.mailboxes.empty()))
    throw UsageError("--message and --selected need exactly one --folder and no --mailbox");
  (void)exchange_choice(parsed);  // a bad value is no store's fault

  const auto& stores = parsed.positionals;
  if (stores.size() == 1 && !holds_store_folders(out)) {
    bool interrupted = false;
    return export_store(stores.front(), out, parsed, asked, "quorvine export: ", interrupted);
  }
  const std::vector<std::string> names = store_folder_names(stores, out);
  int status = exit_ok;
  for (size_t i = 0; i < stores.size(); ++i) {
    const std::string prefix = "quorvine export: " + stores[i] + ": ";
    bool interrupted = false;
    try {
      mark_store_folder(out / names[i], stores[i]);
      status = worst_status(status, export_store(stores[i], out / names[i], parsed, asked, prefix, interrupted));
    } catch (const UsageError& error) {  // a folder or mailbox this store does not have
      std::fprintf(stderr, "%s%s\n", prefix.c_str(), error.what());
      status = worst_status(status, exit_usage);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s%s\n", prefix.c_str(), error.what());
      status = worst_status(status, exit_partial);
    }
    if (interrupted) {
      if (i + 1 < stores.size()) std::fprintf(stderr, "quorvine export: stopped; the stores after %s were not exported\n",
                                              stores[i].c_str());
      return worst_status(status, exit_partial);
    }
  }
  return status;
}

}  // namespace

Command export_command() {
  return Command{
      "export",
      "export mailboxes, folders or messages of stores into MBOX files, Maildirs or EML files",
      "Without a selection every folder of every mailbox goes to DIR/QuorvineRec/<mailbox>/<folders>/<folder>,\n"
      "one MBOX file per folder; with --message or --selected and one --folder, those messages go into one\n"
      "file under DIR/Quorvine. Each file is written under a temporary name and renamed when complete.\n"
      "--format maildir makes <folder> a Maildir (cur/ new/ tmp/; read messages flagged S), --format eml a\n"
      "folder with one CR LF .eml file per message named by its date and subject. The whole-mailbox export\n"
      "also writes contacts and distribution lists to <folder>.vcf (vCard 4.0) and appointments, tasks,\n"
      "notes and journal entries to <folder>.ics (iCalendar) beside it; --items chooses the kinds.\n"
      "With several stores, each goes into a folder of its own in DIR named after the store file without\n"
      "its extension (\"-2\", \"-3\", ... added when two stores share a name); a store that fails does\n"
      "not stop the others, and the exit status is the worst of the stores', worst first: 1 usage (such as\n"
      "a --folder or --message the store lacks), 2 cannot be opened, 3 partly exported (anything the store\n"
      "held that could not be written, or a stop), 0 done. The summary says for each folder how many\n"
      "messages its tables held, were written, skipped and lost, and why; --json prints it as JSON.",
      {{{"STORE", "the Exchange store database files (.edb)", true}},
       {exchange_option(),
        {"--out", "DIR", "the folder to write into", false, true},
        {"--mailbox", "NAME", "export this mailbox with all its folders", true},
        {"--folder", "PATH", "export this folder with its subfolders (its path as scan shows it)", true},
        {"--message", "ID", "export only this message of the one --folder (message_id of list --json)", true},
        {"--selected", "", "export the whole of the one --folder into one file"},
        {"--from", "DATE", "keep messages stored at or after DATE (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], UTC, 1601-9999)"},
        {"--to", "DATE", "keep messages stored at or before DATE (with --from, not before it)"},
        {"--jobs", "N", "export N folders at once (default: the number of cores)"},
        {"--json", "", "print the summary as JSON"},
        {"--format", "FORMAT", "mbox (default), maildir or eml"},
        {"--items", "KINDS", "what to export, any of mail,contacts,calendar,tasks,notes (default: all)"},
        verbose_option(),
        quiet_option()}},
      run_export};
}

}  // namespace quorvine::cli
