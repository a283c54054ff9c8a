#include "cli/list_command.hpp"

#include <cstdio>
#include <optional>

#include "cli/arguments.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "listing/folder_path_suggestion.hpp"
#include "listing/message_list_output.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::cli {
namespace {

constexpr std::string_view list_usage = "list STORE [--exchange 2007|2010|2013|auto] --folder PATH [--json]";

int run_list(const std::vector<std::string>& args) {
  ArgumentRules accepted;
  accepted.flags = {"--json"};
  accepted.options = {"--folder"};
  accepted.min_positionals = accepted.max_positionals = 1;
  add_store_options(accepted);

  TerminalObserver quiet(stderr, TerminalObserver::Shows::WarningsOnly);
  scan::ScanSession session;
  Arguments parsed;
  StoreScan scanned;
  std::string folder_path;
  try {
    parsed = parse_arguments(args, accepted);
    auto folder = parsed.option("--folder");
    if (!folder) throw UsageError("--folder PATH is required");
    folder_path = *folder;
    scanned = scan_store(parsed.positionals[0], parsed, session, quiet);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quorvine list: %s\nusage: quorvine %.*s\n", error.what(),
                 static_cast<int>(list_usage.size()), list_usage.data());
    return exit_usage;
  }
  if (scanned.status != exit_ok) {
    std::fprintf(stderr, "quorvine list: %s\n", session.failure_reason.c_str());
    return scanned.status;
  }

  auto item = session.tree.find_path(folder_path);
  if (!item || *item == scan::root_tree_item) {
    const std::string nearest = render::closest_path(folder_path, session.tree.all_paths());
    if (nearest.empty())
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s, which has no folders\n", folder_path.c_str(),
                   parsed.positionals[0].c_str());
    else
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s; the closest is \"%s\"\n", folder_path.c_str(),
                   parsed.positionals[0].c_str(), nearest.c_str());
    return exit_usage;
  }

  const uint64_t damaged_before = session.damaged_values->values.load();
  decode::DecodeContext ctx = render::decode_context_for(session);
  const render::Write write = [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); };
  std::optional<render::JsonRowsWriter> json;
  std::optional<render::TableRowsWriter> table;
  if (parsed.flag("--json"))
    json.emplace(write);
  else
    table.emplace(write);
  const render::ListingTally tally =
      render::for_each_listed_row(session, ctx, *item, quiet, {}, [&](const scan::MessageListRow& row) {
        if (json)
          json->row(row);
        else
          table->row(row);
      });
  if (json)
    json->finish();
  else
    table->finish();
  for (const std::string& warning : tally.warnings) quiet.warning(warning);
  if (const uint64_t damaged = session.damaged_values->values.load() - damaged_before; damaged > 0)
    quiet.warning(std::to_string(damaged) + " damaged value(s) could not be read and were left empty");
  if (tally.records_skipped > 0)
    std::fprintf(stderr, "quorvine list: %llu damaged records were skipped\n",
                 static_cast<unsigned long long>(tally.records_skipped));
  return exit_ok;
}

}  // namespace

Command list_command() {
  return Command{"list", list_usage, "list the messages of one folder of a store", run_list};
}

}  // namespace quorvine::cli
