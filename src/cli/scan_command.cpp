#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "cli/json_output.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "cli/tree_output.hpp"
#include "cli/verbosity.hpp"

namespace quorvine::cli {
namespace {

// Scans one store as if it were the only one and prints its result: the tree, or its JSON
// document (indented when alone, one line when `lines`). Returns the exit status.
int scan_one(const std::string& store, const Arguments& parsed, Verbosity verbosity, bool lines) {
  TerminalObserver observer(verbosity);
  scan::ScanSession session;
  StoreScan scanned;
  try {
    scanned = open_and_scan(store, parsed, session, observer);
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& error) {  // whatever stops one store must not stop the others
    session.failure_reason = error.what();
    observer.line("quorvine scan: " + store + ": " + session.failure_reason);
    scanned.status = exit_cannot_open;
  }
  const bool json = parsed.flag("--json");
  if (scanned.status != exit_ok) {
    if (json && lines)
      write_json_line({{"schema", json_schema},
                       {"database", store},
                       {"error", session.failure_reason},
                       {"status", scanned.status}});
    return scanned.status;
  }

  const ese::DatabaseHeader& header = session.database->header();
  if (json) {
    const nlohmann::ordered_json out = {
        {"schema", json_schema},
        {"database", store},
        {"exchange", std::string(decode::to_string(session.settings.generation))},
        {"exchange_picked", scanned.exchange_auto ? "auto" : "explicit"},
        {"kind", session.store_kind},
        {"state", ese::to_string(header.state)},
        {"format_version", header.format_version},
        {"format_revision", header.format_revision},
        {"format_revision_used", session.format_revision},
        {"page_size", session.page_size_version},
        {"tree", tree_to_json(session.tree)},
        {"attachment_table", session.attachment_table_name},
        {"messages_indexed", session.index.messages().size()},
        {"attachments_indexed", session.index.attachments().size()},
        {"warnings", session.warnings},
    };
    lines ? write_json_line(out) : write_json_document(out);
  } else {
    observer.note(std::string("database state: ") + ese::to_string(header.state));
    std::fputs(tree_to_text(session.tree).c_str(), stdout);
    std::fflush(stdout);
  }
  return exit_ok;
}

int run_scan(const Arguments& parsed) {
  const Verbosity verbosity = verbosity_of(parsed);
  (void)exchange_choice(parsed);  // a bad value is no store's fault
  const auto& stores = parsed.positionals;
  int status = exit_ok;
  for (const std::string& store : stores)
    status = worst_status(status, scan_one(store, parsed, verbosity, stores.size() > 1));
  return status;
}

}  // namespace

Command scan_command() {
  return Command{"scan",
                 "read the mailboxes and folders of stores",
                 "Prints the folder tree: the database, its mailboxes, and their folders with the folder class in\n"
                 "brackets, indented two spaces a level; with --json the tree with the store's format as JSON\n"
                 "(docs/json.md). Several stores are read one after the other, each as if alone: their trees\n"
                 "follow each other, and --json prints one compact document per store and line (JSON Lines),\n"
                 "for a store that cannot be read one with its \"error\". The exit status is the worst of the\n"
                 "stores', worst first: 1 usage, 2 cannot be opened, 3 partly done, 0 done.",
                 {{{"STORE", "the Exchange store database files (.edb)", true}},
                  {exchange_option(), {"--json", "", "print the result as JSON"}, verbose_option(), quiet_option()}},
                 run_scan};
}

}  // namespace quorvine::cli
