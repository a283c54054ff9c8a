#include "export/folder_exporter.hpp"

#include <optional>
#include <set>

#include "export/mbox_file.hpp"
#include "export/mime_composer.hpp"
#include "listing/header_list_loader.hpp"
#include "listing/message_list_2010.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::exporting {
namespace {

constexpr const char* kOutsideFilter = "outside the date filter";
constexpr const char* kNotListed = "not listed (no message class the list knows, or neither sender nor subject)";

std::string kind_name(const std::string& kind) { return kind.empty() ? std::string("unknown") : kind; }

}  // namespace

void RunReport::folder_started(const FolderJob& job) {
  std::lock_guard lock(mutex_);
  observer_.folder_started(job.mailbox, job.display_path);
  observer_.log("init folder for saving: " + job.display_path);
}

void RunReport::log(std::string_view text) {
  std::lock_guard lock(mutex_);
  observer_.log(text);
}

void RunReport::loss(std::string_view sentence) {
  std::lock_guard lock(mutex_);
  observer_.loss(sentence);
}

void RunReport::message_done() {
  std::lock_guard lock(mutex_);
  throttle_.update(++done_, total_);
}

void RunReport::finish() {
  std::lock_guard lock(mutex_);
  throttle_.finish(done_, total_);
}

ExportSummary FolderExporter::run(const FolderJob& job) {
  ExportSummary summary;
  FolderTally tally;
  tally.path = job.display_path;
  tally.store_count = job.folder2007 ? job.folder2007->messageCount : job.folder2010->messageCount;
  for (const std::string& why : job.uncounted) note_uncounted(tally, why);
  report_.folder_started(job);
  try {
    FolderRows found = read_rows(job, tally, summary);
    std::vector<const listing::MessageListRow*> chosen = choose(job, found.rows, summary);
    if (!summary.unknown_messages.empty()) return summary;  // nothing is written for a wrong request
    if (!job.only.empty()) tally.held = chosen.size();
    std::filesystem::create_directories(job.mbox.parent_path());
    const std::unique_ptr<MessageOutput> out = open_message_output(job.format, job.mbox);
    // Only the whole-mailbox export writes the items that are not mail.
    std::optional<FolderItems> items;
    if (job.whole_mailbox) items.emplace(session_, lookups_, work_, job.mbox);
    uint64_t items_added = 0;
    for (const listing::MessageListRow* row : chosen) {
      if (!control_.checkpoint()) {
        summary.aborted = true;
        summary.tallies.push_back(std::move(tally));
        return summary;
      }
      if (export_message(job, *row, found.bodies[row->message_id], *out, items ? &*items : nullptr, summary,
                         tally))
        ++items_added;
      report_.message_done();
    }
    out->commit();
    tally.written = out->records();
    if (items) {
      // The folder's messages stay written when its card or calendar file cannot be.
      try {
        items->commit();
        tally.written += items_added;
      } catch (const MboxWriteError& error) {
        lose(summary, tally, "their card or calendar file could not be written", items_added,
             std::string(error.what()) + "; the items of " + job.display_path + " were not exported");
      }
    }
    summary.folders = 1;
    summary.messages_written = out->records();
    summary.bytes = out->bytes();
  } catch (const MboxWriteError& error) {
    lose_folder(summary, tally, std::string(error.what()) + "; the folder " + job.display_path +
                                                " was not exported", "its MBOX file could not be written");
  } catch (const std::filesystem::filesystem_error& error) {
    lose_folder(summary, tally,
                "cannot create the folder " + job.mbox.parent_path().string() + ": " + error.code().message() +
                    "; the folder " + job.display_path + " was not exported",
                "its folder could not be created");
  } catch (const std::exception& error) {
    lose_folder(summary, tally, "the folder " + job.display_path + " was not exported: " + error.what(),
                "the folder could not be read");
  }
  summary.tallies.push_back(std::move(tally));
  return summary;
}

void FolderExporter::note_uncounted(FolderTally& tally, const std::string& why) {
  tally.uncounted.push_back(why);
  report_.loss(why);
}

void FolderExporter::lose(ExportSummary& summary, FolderTally& tally, const std::string& reason, uint64_t count,
          const std::string& sentence) {
  if (count > 0) tally.lost[reason] += count;
  summary.failures.push_back(sentence);
  report_.loss(sentence);
}

// The folder as a whole failed: what it had written goes with its file.
void FolderExporter::lose_folder(ExportSummary& summary, FolderTally& tally, const std::string& sentence,
                 const std::string& reason) {
  const uint64_t accounted = tally.skipped + tally.lost_total();
  tally.written = 0;
  lose(summary, tally, reason, tally.held > accounted ? tally.held - accounted : 0, sentence);
}

FolderRows FolderExporter::read_rows(const FolderJob& job, FolderTally& tally, ExportSummary& summary) {
  FolderRows found;
  if (job.folder2007) {
    decode::DecodeContext ctx = listing::decode_context_for(session_);
    scan::SilentScanObserver silent;
    // Rows whose recipients need the message's record get them when the message is gathered.
    listing::FolderListing folder_listing = listing::list_contents_folder(session_, ctx, *job.folder2007, silent, {}, true);
    found.rows = std::move(folder_listing.rows);
    for (auto& [id, body] : folder_listing.body_texts) found.bodies.emplace(id, std::move(body));
    tally.held = folder_listing.records_held;
    // Asked for by identifier, the messages were all found; damage elsewhere in the folder
    // costs nothing that was asked for.
    if (!job.only.empty()) return found;
    for (const std::string& warning : folder_listing.warnings)
      note_uncounted(tally, "the messages of " + job.display_path + " are lost: " + warning);
    const uint64_t damaged_records =
        folder_listing.records_skipped > folder_listing.damaged_pages ? folder_listing.records_skipped - folder_listing.damaged_pages : 0;
    if (damaged_records > 0) {
      tally.lost["damaged records"] += damaged_records;
      report_.loss(std::to_string(damaged_records) + " damaged record(s) of the contents table of " +
                   job.display_path + " could not be read; their messages are lost");
    }
    if (folder_listing.damaged_pages > 0)
      note_uncounted(tally, std::to_string(folder_listing.damaged_pages) + " damaged page(s) of the contents table of " +
                                job.display_path + " could not be read; the messages on them are lost");
    const uint64_t accounted = found.rows.size() + damaged_records;
    if (tally.held > accounted) {
      tally.skipped += tally.held - accounted;
      summary.skipped[kNotListed] += tally.held - accounted;
    }
  } else {
    const listing::HeaderFolderRef ref = folder_ref(*job.folder2010);
    const std::string table = listing::folder_table_name(ref, session_.settings.generation);
    // Numbered in list order, exported in the header index's order: the other way round.
    const size_t count = job.header_entries.size();
    found.rows.resize(count);
    for (size_t k = 0; k < count; ++k) {
      const scan::HeaderEntry2010& entry = lists_.headers[job.header_entries[k]];
      listing::MessageListRow& row = found.rows[count - 1 - k];
      listing::fill_header_row(entry, ref, table, k + 1, row);
      row.stored_time = entry.storedTime;
    }
    tally.held = count;
  }
  return found;
}

// The rows to export; identifiers asked for that the folder lacks go to unknown_messages.
std::vector<const listing::MessageListRow*> FolderExporter::choose(const FolderJob& job, const std::vector<listing::MessageListRow>& rows,
                                                ExportSummary& summary) {
  std::vector<const listing::MessageListRow*> chosen;
  std::set<std::string> unseen = job.only;
  for (const listing::MessageListRow& row : rows) {
    if (!job.only.empty() && !job.only.count(row.message_id)) continue;
    unseen.erase(row.message_id);
    chosen.push_back(&row);
  }
  summary.unknown_messages.assign(unseen.begin(), unseen.end());
  return chosen;
}

void FolderExporter::skip(ExportSummary& summary, FolderTally& tally, const std::string& reason) {
  ++summary.skipped[reason];
  ++tally.skipped;
}

// True when the row was an item gathered for the folder's card or calendar file.
bool FolderExporter::export_message(const FolderJob& job, const listing::MessageListRow& row, const std::string& cached_body,
                    MessageOutput& out, FolderItems* items, ExportSummary& summary, FolderTally& tally) {
  const bool is2007 = job.folder2007 != nullptr;
  const ItemGroup group = item_group(row.kind);
  if (!job.items.wants(group)) {
    skip(summary, tally, std::string(to_string(group)) + " items were not asked for");
    return false;
  }
  // The selected-items export writes mail alone.
  if (!items && row.kind != "mail") {
    skip(summary, tally, kind_name(row.kind) + " items are not exported as mail");
    return false;
  }
  const std::string what = (group == ItemGroup::Mail ? std::string("the message") : "the " + kind_name(row.kind)) +
                           " \"" + row.subject + "\" of " + job.display_path;
  try {
    // The filter needs the stored time before gathering; without one, gathering reads it.
    if (job.filter) {
      const auto filetime = gatherer_.stored_time(row);
      if (!passes_filter(job.filter, filetime)) {
        skip(summary, tally, kOutsideFilter);
        return false;
      }
    }
    if (group != ItemGroup::Mail) {
      items->add(row, job.body_table, gatherer_.stored_time(row), cached_body, summary);
      return true;
    }
    // The message is composed straight into the folder's output.
    CompositionRecord record = is2007 ? gatherer_.gather_2007(row, cached_body)
                                      : gatherer_.gather_2010(row, job.body_table);
    MessageInfo info{record.filetime, record.subject, false};
    if (job.format == OutputFormat::Maildir) info.read = records_.read_flag(row, job.body_table);
    out.begin_record(info);
    try {
      compose_message(record, out, out.line_ends());
      out.end_record();
    } catch (...) {
      // No part of a message that failed stays in the file.
      out.abandon_record();
      throw;
    }
    if (record.sender_without_address()) ++summary.senders_without_address;
    for (const std::string& attachment : record.attachments_lost) {
      ++tally.attachments_lost;
      lose(summary, tally, "", 0, what + " was written without an attachment: " + attachment);
    }
    report_.log("Mail saving Items:-  " + row.subject);
  } catch (const MboxWriteError&) {
    throw;
  } catch (const std::exception& error) {
    ++summary.messages_failed;
    lose(summary, tally, "could not be read or composed", 1, what + " was not exported: " + error.what());
  }
  return false;
}

}  // namespace quorvine::exporting
