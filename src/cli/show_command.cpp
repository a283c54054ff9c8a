// "quorvine show": renders one message of a folder as the preview does and says where.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/arguments.hpp"
#include "cli/json_output.hpp"
#include "cli/command.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "cli/verbosity.hpp"
#include "listing/folder_path_suggestion.hpp"
#include "listing/message_listing.hpp"
#include "render/message_preview.hpp"

namespace quorvine::cli {
namespace {

namespace fs = std::filesystem;

int fail(int status, const std::string& text) {
  std::fprintf(stderr, "quorvine show: %s\n", text.c_str());
  return status;
}

// A fresh folder for one preview inside the session's temporary folder, so two previews
// never share files.
fs::path fresh_preview_folder(const fs::path& temp) {
  std::string pattern = (temp / "preview-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw fs::filesystem_error("cannot create a preview folder", temp,
                                                             std::error_code(errno, std::generic_category()));
  return pattern;
}

nlohmann::ordered_json result_json(const render::PreviewResult& r) {
  nlohmann::ordered_json fields = nlohmann::ordered_json::array();
  for (const auto& f : r.fields) fields.push_back({{"label", f.label}, {"value", f.value}});
  nlohmann::ordered_json attachments = nlohmann::ordered_json::array();
  for (const auto& a : r.attachments.files) {
    nlohmann::ordered_json entry = {{"name", a.name}, {"file", a.path.string()}, {"size", a.size}};
    if (!a.error.empty()) entry["error"] = a.error;
    attachments.push_back(entry);
  }
  return {{"schema", json_schema},
          {"renderer", r.renderer},
          {"frame_page", r.frame_page.string()},
          {"header_page", r.header_page.string()},
          {"fields", fields},
          {"body", {{"kind", render::to_string(r.body.body.kind)},
                    {"html", r.body.body.html},
                    {"mail_body_type", r.body.mail_body_type},
                    {"file", r.body.body.path.string()}}},
          {"attachments", attachments},
          {"warnings", r.warnings}};
}

int run_show(const Arguments& parsed) {
  TerminalObserver observer(verbosity_of(parsed));
  scan::ScanSession session;
  const std::string folder_path = *parsed.option("--folder");
  std::optional<size_t> row_number;
  const auto row_text = parsed.option("--row");
  const auto message = parsed.option("--message");
  if (row_text.has_value() == message.has_value()) throw UsageError("give either --row N or --message ID");
  if (row_text) {
    size_t used = 0;
    unsigned long long n = 0;
    try {
      n = std::stoull(*row_text, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != row_text->size() || n == 0) throw UsageError("--row must be a number from 1, not \"" + *row_text + "\"");
    row_number = n;
  }
  const StoreScan scanned = open_and_scan(parsed.positionals[0], parsed, session, observer);
  if (scanned.status != exit_ok) return scanned.status;  // the scan said why
  if (session.settings.generation == decode::Generation::V2013)
    return fail(exit_partial, "Exchange 2013 stores have no message preview yet; \"quorvine list\" shows their rows.");

  auto item = session.tree.find_path(folder_path);
  if (!item || *item == scan::root_tree_item) {
    const std::string nearest = listing::closest_path(folder_path, session.tree.all_paths());
    return fail(exit_usage, "no folder \"" + folder_path + "\" in " + parsed.positionals[0] +
                                (nearest.empty() ? std::string() : "; the closest is \"" + nearest + "\""));
  }
  decode::DecodeContext ctx = listing::decode_context_for(session);
  listing::FolderListing folder_listing = listing::list_folder(session, ctx, *item, observer);
  const listing::MessageListRow* row = nullptr;
  if (row_number) {
    if (*row_number > folder_listing.rows.size())
      return fail(exit_usage, "folder \"" + folder_path + "\" has " + std::to_string(folder_listing.rows.size()) +
                                  " rows; there is no row " + std::to_string(*row_number));
    row = &folder_listing.rows[*row_number - 1];
  } else {
    const std::string id = *parsed.option("--message");
    for (const auto& r : folder_listing.rows)
      if (r.message_id == id) {
        row = &r;
        break;
      }
    if (!row) return fail(exit_usage, "no message \"" + id + "\" in folder \"" + folder_path + "\"");
  }
  listing::ensure_bodies_loaded(session, ctx, *item, observer);

  fs::path out;
  try {
    if (auto chosen = parsed.option("--out")) {
      out = fs::absolute(*chosen);
      fs::create_directories(out);
    } else {
      out = fresh_preview_folder(session.settings.temp_folder);
    }
  } catch (const fs::filesystem_error& error) {
    return fail(exit_partial, error.what());
  }

  render::PreviewResult result;
  try {
    result = render::preview_message(session, ctx, *row, folder_listing.body_texts, out);
  } catch (const std::system_error& error) {
    return fail(exit_partial, error.what());
  }
  for (const auto& warning : result.warnings) observer.warning(warning);
  if (parsed.flag("--json")) {
    write_json_document(result_json(result));
  } else {
    std::printf("%s\n", fs::absolute(result.frame_page).string().c_str());
  }
  bool attachments_missing = false;
  for (const auto& a : result.attachments.files) attachments_missing = attachments_missing || !a.error.empty();
  return attachments_missing ? exit_partial : exit_ok;
}

}  // namespace

Command show_command() {
  return Command{"show",
                 "render one message as the preview does and print the page to open",
                 "Writes the header page, the body file, the attachments and the frame page into DIR (or a fresh\n"
                 "folder in the temporary folder) and prints the frame page's path; with --json what was written.",
                 {{{"STORE", "the Exchange store database file (.edb)"}},
                  {exchange_option(),
                   {"--folder", "PATH", "the folder of the message, its path as scan shows it", false, true},
                   {"--row", "N", "the message in row N of the folder as list shows it, from 1"},
                   {"--message", "ID", "the message with this identifier (message_id of list --json)"},
                   {"--out", "DIR", "write the pages into DIR"},
                   {"--json", "", "print the item kind, fields, body and attachment files as JSON"},
                   verbose_option(),
                   quiet_option()}},
                 run_show};
}

}  // namespace quorvine::cli
