#include "cli/list_command.hpp"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <nlohmann/json.hpp>

#include "cli/arguments.hpp"
#include "cli/store_session.hpp"
#include "cli/terminal_observer.hpp"
#include "render/message_listing.hpp"

namespace quorvine::cli {
namespace {

constexpr std::string_view list_usage = "list STORE [--exchange 2007|2010|2013|auto] --folder PATH [--json]";

// Code points of a UTF-8 text; bytes that start no valid sequence count one each.
std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (i + len > text.size()) len = 1;
    out.push_back(text.substr(i, len));
    i += len;
  }
  return out;
}

// `text` cut or padded to `width` characters; line breaks and tabs shown as blanks.
std::string cell(std::string_view text, size_t width) {
  auto chars = characters(text);
  std::string out;
  size_t shown = 0;
  for (size_t i = 0; i < chars.size() && shown < width; ++i, ++shown) {
    if (shown + 1 == width && i + 1 < chars.size()) {
      out += "~";
      ++shown;
      break;
    }
    std::string_view ch = chars[i];
    out += (ch == "\r" || ch == "\n" || ch == "\t") ? std::string_view(" ") : ch;
  }
  out.append(width > shown ? width - shown : 0, ' ');
  return out;
}

std::unique_ptr<std::FILE, int (*)(std::FILE*)> null_stream() {
  return {std::fopen("/dev/null", "w"), &std::fclose};
}

int run_list(const std::vector<std::string>& args) {
  ArgumentSpec spec;
  spec.flags = {"--json"};
  spec.options = {"--folder"};
  spec.min_positionals = spec.max_positionals = 1;
  add_store_options(spec);

  auto sink = null_stream();
  if (!sink) {
    std::fprintf(stderr, "quorvine list: cannot open /dev/null\n");
    return exit_usage;
  }
  TerminalObserver quiet(sink.get());
  scan::ScanSession session;
  Arguments parsed;
  StoreScan scanned;
  std::string folder_path;
  try {
    parsed = parse_arguments(args, spec);
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
    const std::string nearest = closest_path(folder_path, session.tree.all_paths());
    if (nearest.empty())
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s, which has no folders\n", folder_path.c_str(),
                   parsed.positionals[0].c_str());
    else
      std::fprintf(stderr, "quorvine list: no folder \"%s\" in %s; the closest is \"%s\"\n", folder_path.c_str(),
                   parsed.positionals[0].c_str(), nearest.c_str());
    return exit_usage;
  }

  decode::DecodeContext ctx = render::decode_context_for(session);
  render::FolderListing listing = render::export_table_header_data(session, ctx, *item, quiet);
  if (listing.records_skipped > 0)
    std::fprintf(stderr, "quorvine list: %llu damaged records were skipped\n",
                 static_cast<unsigned long long>(listing.records_skipped));
  const std::string out = parsed.flag("--json") ? rows_to_json(listing.rows) : rows_to_table(listing.rows);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return exit_ok;
}

}  // namespace

size_t edit_distance(std::string_view a, std::string_view b) {
  const auto x = characters(a);
  const auto y = characters(b);
  std::vector<size_t> previous(y.size() + 1), current(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= y.size(); ++j)
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
    std::swap(previous, current);
  }
  return previous[y.size()];
}

std::string closest_path(std::string_view wanted, const std::vector<std::string>& paths) {
  std::string best;
  size_t best_distance = SIZE_MAX;
  for (const auto& path : paths) {
    const size_t d = edit_distance(wanted, path);
    if (d < best_distance) {
      best_distance = d;
      best = path;
    }
  }
  return best;
}

std::string rows_to_json(const std::vector<scan::MessageListRow>& rows) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const auto& row : rows) {
    out.push_back({{"from", row.from},
                   {"subject", row.subject},
                   {"date", row.date},
                   {"attachment", row.attachment},
                   {"message_id", row.message_id},
                   {"kind", row.kind},
                   {"mail_number", row.mail_number},
                   {"key", row.key},
                   {"to", row.to},
                   {"bcc", row.bcc},
                   {"cc", row.cc}});
  }
  return out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string rows_to_table(const std::vector<scan::MessageListRow>& rows) {
  constexpr size_t from_width = 32, subject_width = 48, date_width = 22;
  std::string out = cell("From", from_width) + "  " + cell("Subject", subject_width) + "  " +
                    cell("Date", date_width) + "  Att\n";
  for (const auto& row : rows) {
    out += cell(row.from, from_width) + "  " + cell(row.subject, subject_width) + "  " + cell(row.date, date_width) +
           "  " + (row.attachment == "true" ? "yes" : "") + "\n";
  }
  out += std::to_string(rows.size()) + (rows.size() == 1 ? " message\n" : " messages\n");
  return out;
}

Command list_command() {
  return Command{"list", list_usage, "list the messages of one folder of a store", run_list};
}

}  // namespace quorvine::cli
