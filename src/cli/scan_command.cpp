#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "cli/tree_output.hpp"
#include "cli/verbosity.hpp"

namespace quorvine::cli {
namespace {

int run_scan(const Arguments& parsed) {
  TerminalObserver observer(verbosity_of(parsed));
  scan::ScanSession session;
  const StoreScan scanned = scan_store(parsed.positionals[0], parsed, session, observer);
  if (scanned.status != exit_ok) return scanned.status;

  const ese::DatabaseHeader& header = session.database->header();
  if (parsed.flag("--json")) {
    const nlohmann::ordered_json out = {
        {"database", parsed.positionals[0]},
        {"exchange", std::string(scan::to_string(session.settings.exchange_version_support))},
        {"exchange_picked", scanned.exchange_auto ? "auto" : "explicit"},
        {"kind", session.exchangedatabase},
        {"state", ese::to_string(header.state)},
        {"format_version", header.format_version},
        {"format_revision", header.format_revision},
        {"format_revision_used", session.format_revision},
        {"page_size", session.page_size_version},
        {"tree", tree_to_json(session.tree)},
        {"attachment_table", session.AtName},
        {"messages_indexed", session.index.messages().size()},
        {"attachments_indexed", session.index.attachments().size()},
        {"warnings", session.warnings},
    };
    // Names from the file system need not be UTF-8; such bytes become U+FFFD rather than
    // ending the output.
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
  } else {
    observer.note(std::string("database state: ") + ese::to_string(header.state));
    std::fputs(tree_to_text(session.tree).c_str(), stdout);
  }
  return exit_ok;
}

}  // namespace

Command scan_command() {
  return Command{"scan",
                 "read the mailboxes and folders of a store",
                 "Prints the folder tree: the database, its mailboxes, and their folders with the folder class in\n"
                 "brackets, indented two spaces a level; with --json the tree with the store's format as JSON.",
                 {{{"STORE", "the Exchange store database file (.edb)"}},
                  {exchange_option(), {"--json", "", "print the result as JSON"}, verbose_option(), quiet_option()}},
                 run_scan};
}

}  // namespace quorvine::cli
