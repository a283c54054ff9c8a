#include "cli/list_command.hpp"

#include <cstdio>
#include <optional>

#include "cli/arguments.hpp"
#include "cli/json_output.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "cli/verbosity.hpp"
#include "listing/folder_path_suggestion.hpp"
#include "listing/message_list_output.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::cli {
namespace {

int run_list(const Arguments& parsed) {
  TerminalObserver observer(verbosity_of(parsed));
  scan::ScanSession session;
  const std::string folder_path = *parsed.option("--folder");
  const StoreScan scanned = open_and_scan(parsed.positionals[0], parsed, session, observer);
  if (scanned.status != exit_ok) return scanned.status;  // the scan said why

  auto item = session.tree.find_path(folder_path);
  if (!item || *item == scan::root_tree_item) {
    const std::string nearest = listing::closest_path(folder_path, session.tree.all_paths());
    if (nearest.empty())
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s, which has no folders\n", folder_path.c_str(),
                   parsed.positionals[0].c_str());
    else
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s; the closest is \"%s\"\n", folder_path.c_str(),
                   parsed.positionals[0].c_str(), nearest.c_str());
    return exit_usage;
  }

  const uint64_t damaged_before = session.damaged_values->values.load();
  decode::DecodeContext ctx = listing::decode_context_for(session);
  const listing::Write write = [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); };
  // Rows are written as they come: a folder of a few hundred thousand messages is never held
  // whole, as rows or as text.
  std::optional<listing::JsonRowsWriter> json;
  std::optional<listing::TableRowsWriter> table;
  if (parsed.flag("--json")) {
    // The document as write_json_document would lay it out, the rows streamed into the place
    // of the empty array that ends it.
    const nlohmann::ordered_json head = {{"schema", json_schema},
                                         {"database", parsed.positionals[0]},
                                         {"folder", folder_path},
                                         {"rows", nlohmann::ordered_json::array()}};
    const std::string text = head.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    write(std::string_view(text).substr(0, text.size() - std::string_view("[]\n}").size()));
    json.emplace(write, 1);
  } else {
    table.emplace(write);
  }
  const listing::ListingTally tally =
      listing::for_each_listed_row(session, ctx, *item, observer, {}, [&](const listing::MessageListRow& row) {
        if (json)
          json->row(row);
        else
          table->row(row);
      });
  if (json) {
    json->finish();
    write("\n}\n");
  } else {
    table->finish();
  }
  for (const std::string& warning : tally.warnings) observer.warning(warning);
  if (const uint64_t damaged = session.damaged_values->values.load() - damaged_before; damaged > 0)
    observer.warning(std::to_string(damaged) + " damaged value(s) could not be read and were left empty");
  if (tally.records_skipped > 0)
    observer.warning(std::to_string(tally.records_skipped) + " damaged records were skipped");
  return exit_ok;
}

}  // namespace

Command list_command() {
  return Command{"list",
                 "list the messages of one folder of a store",
                 "Prints From, Subject, Date and an attachment mark of each message; with --json all eleven\n"
                 "columns of every row (docs/json.md).",
                 {{{"STORE", "the Exchange store database file (.edb)"}},
                  {exchange_option(),
                   {"--folder", "PATH", "the folder, its path as scan shows it starting with the mailbox; a \"/\" in a name is \\/",
                    false, true},
                   {"--json", "", "print every column of every row as JSON"},
                   verbose_option(),
                   quiet_option()}},
                 run_list};
}

}  // namespace quorvine::cli
