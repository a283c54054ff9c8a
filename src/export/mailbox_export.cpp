#include "export/mailbox_export.hpp"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>

#include "export/eml_fallback_builder.hpp"
#include "export/folder_items.hpp"
#include "export/mbox_file.hpp"
#include "export/message_gathering.hpp"
#include "export/mime_composer.hpp"
#include "export/output_names.hpp"
#include "export/work_folder.hpp"
#include "listing/header_list_loader.hpp"
#include "listing/message_list_2007.hpp"
#include "listing/message_list_2010.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::exporting {
namespace {

constexpr const char* kOutsideFilter = "outside the date filter";

// One MBOX file to write.
struct FolderJob {
  std::string mailbox;
  std::string display_path;  // "Mailbox/Inbox/Sub"
  std::filesystem::path mbox;
  const scan::Folder2007* folder2007 = nullptr;
  const scan::Folder2010* folder2010 = nullptr;
  std::string header_table, body_table;
  std::vector<size_t> header_entries;  // the 2010 folder's entries in the header list, in list order
  bool whole_mailbox = true;
  std::set<std::string> only;  // message identifiers; empty: all
  std::optional<DateRange> filter;
  // Why messages of this folder may be missing before it is exported (its mailbox's header
  // table could not be read).
  std::vector<std::string> uncounted;
  OutputFormat format = OutputFormat::Mbox;
  ItemSelection items;
};

scan::HeaderFolderRef ref_of(const scan::Folder2010& f) {
  return {f.folderId, f.mailboxName, f.folderTable, f.folderName};
}

scan::HeaderGeneration generation_of(const scan::ScanSession& session) {
  return session.settings.exchange_version_support == scan::ExchangeVersion::V2013
             ? scan::HeaderGeneration::Exchange2013
             : scan::HeaderGeneration::Exchange2010;
}

std::string kind_name(const std::string& kind) { return kind.empty() ? std::string("unknown") : kind; }

// Scan-side status texts go to the export log, from any thread.
class LogScanObserver final : public scan::ScanObserver {
 public:
  explicit LogScanObserver(ExportObserver& observer) : observer_(observer) {}
  void status(std::string_view text) override {
    if (text.empty()) return;
    std::lock_guard lock(mutex_);
    observer_.log(text);
  }
  void preview_notice(std::string_view) override {}
  void progress_range(uint64_t) override {}
  void progress_position(uint64_t) override {}
  void progress_text(std::string_view) override {}
  void tree_item_added(const scan::AddedTreeItem&) override {}
  void control_enabled(scan::Control, bool) override {}
  void message_box(std::string_view, std::string_view) override {}
  void warning(std::string_view text) override {
    std::lock_guard lock(mutex_);
    observer_.log(text);
  }

 private:
  std::mutex mutex_;
  ExportObserver& observer_;
};

// A copy of the session with its own database handle, for a worker thread: the reading
// layer's handles are not shared between threads. The 2010 lists, the largest part of the
// session, are left out: the workers read the shared ones through the lookups.
scan::ScanSession worker_session(scan::ScanSession& session) {
  scan::MessageLists2010 lists = std::exchange(session.lists2010, {});
  struct PutBack {
    scan::ScanSession& session;
    scan::MessageLists2010& lists;
    ~PutBack() { session.lists2010 = std::move(lists); }
  } put_back{session, lists};
  scan::ScanSession copy = session;
  copy.database = ese::Database::open(session.database->path());
  if (session.message_table) copy.message_table = copy.database->open_table(session.message_table->index());
  if (session.attachment_table) copy.attachment_table = copy.database->open_table(session.attachment_table->index());
  for (scan::TableFile& file : copy.tables)
    if (file.table) file.table = copy.database->open_table(file.table->index());
  return copy;
}

// Runs `task` on `threads` threads at once, each with a session of its own; a single one
// runs on the caller's thread with `session` itself. Returns when all are done.
void on_workers(scan::ScanSession& session, unsigned threads, const std::function<void(scan::ScanSession&)>& task) {
  if (threads <= 1) {
    task(session);
    return;
  }
  std::vector<scan::ScanSession> sessions;
  for (unsigned t = 0; t < threads; ++t) sessions.push_back(worker_session(session));
  std::vector<std::jthread> workers;
  for (unsigned t = 0; t < threads; ++t) workers.emplace_back([&, t] { task(sessions[t]); });
}

// Shared by the workers of one run: the observer and the progress, one call at a time.
class RunReport {
 public:
  RunReport(ExportObserver& observer, const ese::PassControl& control, uint64_t total)
      : observer_(observer), throttle_(control.progress), total_(total) {}
  void folder_started(const FolderJob& job) {
    std::lock_guard lock(mutex_);
    observer_.folder_started(job.mailbox, job.display_path);
    observer_.log("init folder for saving: " + job.display_path);
  }
  void log(std::string_view text) {
    std::lock_guard lock(mutex_);
    observer_.log(text);
  }
  void loss(std::string_view sentence) {
    std::lock_guard lock(mutex_);
    observer_.loss(sentence);
  }
  void message_done() {
    std::lock_guard lock(mutex_);
    throttle_.update(++done_, total_);
  }
  void finish() {
    std::lock_guard lock(mutex_);
    throttle_.finish(done_, total_);
  }

 private:
  std::mutex mutex_;
  ExportObserver& observer_;
  ese::ProgressThrottle throttle_;
  uint64_t total_;
  uint64_t done_ = 0;
};

constexpr const char* kNotListed = "not listed (no message class the list knows, or neither sender nor subject)";

// The rows a folder's export goes through, with what reading them cost.
struct FolderRows {
  std::vector<scan::MessageListRow> rows;
  std::unordered_map<std::string, std::string> bodies;  // 2003/2007: message id -> body
};

class FolderExporter {
 public:
  FolderExporter(const scan::ScanSession& session, const Lookups2010* lookups, const std::filesystem::path& work,
                 const ese::PassControl& control, RunReport& report)
      : session_(session), lists_(lookups && lookups->lists ? *lookups->lists : session.lists2010),
        gatherer_(session, lookups, work), records_(session, lookups), lookups_(lookups), work_(work),
        control_(control), report_(report) {}

  ExportSummary run(const FolderJob& job) {
    ExportSummary summary;
    FolderTally tally;
    tally.path = job.display_path;
    tally.store_count = job.folder2007 ? job.folder2007->messageCount : job.folder2010->messageCount;
    for (const std::string& why : job.uncounted) note_uncounted(tally, why);
    report_.folder_started(job);
    try {
      FolderRows found = read_rows(job, tally, summary);
      std::vector<const scan::MessageListRow*> chosen = choose(job, found.rows, summary);
      if (!summary.unknown_messages.empty()) return summary;  // nothing is written for a wrong request
      if (!job.only.empty()) tally.held = chosen.size();
      std::filesystem::create_directories(job.mbox.parent_path());
      const std::unique_ptr<MessageOutput> out = open_message_output(job.format, job.mbox);
      // Only the whole-mailbox export writes the items that are not mail.
      std::optional<FolderItems> items;
      if (job.whole_mailbox) items.emplace(session_, lookups_, work_, job.mbox);
      uint64_t items_added = 0;
      for (const scan::MessageListRow* row : chosen) {
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

 private:
  void note_uncounted(FolderTally& tally, const std::string& why) {
    tally.uncounted.push_back(why);
    report_.loss(why);
  }

  void lose(ExportSummary& summary, FolderTally& tally, const std::string& reason, uint64_t count,
            const std::string& sentence) {
    if (count > 0) tally.lost[reason] += count;
    summary.failures.push_back(sentence);
    report_.loss(sentence);
  }

  // The folder as a whole failed: what it had written goes with its file.
  void lose_folder(ExportSummary& summary, FolderTally& tally, const std::string& sentence,
                   const std::string& reason) {
    const uint64_t accounted = tally.skipped + tally.lost_total();
    tally.written = 0;
    lose(summary, tally, reason, tally.held > accounted ? tally.held - accounted : 0, sentence);
  }

  FolderRows read_rows(const FolderJob& job, FolderTally& tally, ExportSummary& summary) {
    FolderRows found;
    if (job.folder2007) {
      decode::DecodeContext ctx = render::decode_context_for(session_);
      scan::SilentScanObserver silent;
      render::FolderListing listing = render::list_contents_folder(session_, ctx, *job.folder2007, silent);
      found.rows = std::move(listing.rows);
      for (auto& [id, body] : listing.body_texts) found.bodies.emplace(id, std::move(body));
      tally.held = listing.records_held;
      // Asked for by identifier, the messages were all found; damage elsewhere in the folder
      // costs nothing that was asked for.
      if (!job.only.empty()) return found;
      for (const std::string& warning : listing.warnings)
        note_uncounted(tally, "the messages of " + job.display_path + " are lost: " + warning);
      const uint64_t damaged_records =
          listing.records_skipped > listing.damaged_pages ? listing.records_skipped - listing.damaged_pages : 0;
      if (damaged_records > 0) {
        tally.lost["damaged records"] += damaged_records;
        report_.loss(std::to_string(damaged_records) + " damaged record(s) of the contents table of " +
                     job.display_path + " could not be read; their messages are lost");
      }
      if (listing.damaged_pages > 0)
        note_uncounted(tally, std::to_string(listing.damaged_pages) + " damaged page(s) of the contents table of " +
                                  job.display_path + " could not be read; the messages on them are lost");
      const uint64_t accounted = found.rows.size() + damaged_records;
      if (tally.held > accounted) {
        tally.skipped += tally.held - accounted;
        summary.skipped[kNotListed] += tally.held - accounted;
      }
    } else {
      const scan::HeaderFolderRef ref = ref_of(*job.folder2010);
      const std::string table = scan::folder_table_name(ref, generation_of(session_));
      // Numbered in list order, exported in the header index's order: the other way round.
      const size_t count = job.header_entries.size();
      found.rows.resize(count);
      for (size_t k = 0; k < count; ++k)
        scan::fill_header_row(lists_.headers[job.header_entries[k]], ref, table, k + 1,
                              found.rows[count - 1 - k]);
      tally.held = count;
    }
    return found;
  }

  // The rows to export; identifiers asked for that the folder lacks go to unknown_messages.
  std::vector<const scan::MessageListRow*> choose(const FolderJob& job, const std::vector<scan::MessageListRow>& rows,
                                                  ExportSummary& summary) {
    std::vector<const scan::MessageListRow*> chosen;
    std::set<std::string> unseen = job.only;
    for (const scan::MessageListRow& row : rows) {
      if (!job.only.empty() && !job.only.count(row.message_id)) continue;
      unseen.erase(row.message_id);
      chosen.push_back(&row);
    }
    summary.unknown_messages.assign(unseen.begin(), unseen.end());
    return chosen;
  }

  void skip(ExportSummary& summary, FolderTally& tally, const std::string& reason) {
    ++summary.skipped[reason];
    ++tally.skipped;
  }

  // True when the row was an item gathered for the folder's card or calendar file.
  bool export_message(const FolderJob& job, const scan::MessageListRow& row, const std::string& cached_body,
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
        const auto filetime = is2007 ? gatherer_.stored_time_2007(row) : gatherer_.stored_time_2010(row, job.header_table);
        if (!passes_filter(job.filter, filetime)) {
          skip(summary, tally, kOutsideFilter);
          return false;
        }
      }
      if (group != ItemGroup::Mail) {
        const auto stored = is2007 ? gatherer_.stored_time_2007(row) : gatherer_.stored_time_2010(row, job.header_table);
        items->add(row, job.body_table, stored, cached_body, summary);
        return true;
      }
      // The message is composed straight into the folder's output; the temporary message file
      // is written only by the fallback builder.
      const std::filesystem::path eml =
          work_ / (is2007 ? temporary_message_name_2007(row.subject, row.mail_number)
                          : temporary_message_name_2010(row.subject, row.mail_number));
      CompositionRecord record = is2007 ? gatherer_.gather_2007(row, cached_body, eml)
                                        : gatherer_.gather_2010(row, job.body_table, job.header_table, eml);
      MessageInfo info{record.filetime, record.subject, false};
      if (job.format == OutputFormat::Maildir) info.read = records_.read_flag(row, job.body_table);
      out.begin_record(info);
      try {
        compose_message(record, out, out.line_ends());
        out.end_record();
      } catch (const ComposeError&) {
        out.abandon_record();
        // Only the whole-mailbox export has the fallback builder.
        if (!job.whole_mailbox || !createEMLFile(record)) throw;
        const bool appended = out.append(eml, info);
        std::error_code ignored;
        std::filesystem::remove(eml, ignored);
        if (!appended) throw std::runtime_error("cannot read the message file " + eml.string());
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

  const scan::ScanSession& session_;
  const scan::MessageLists2010& lists_;
  MessageGatherer gatherer_;
  ItemRecordReader records_;
  const Lookups2010* lookups_;
  std::filesystem::path work_;
  const ese::PassControl& control_;
  RunReport& report_;
};

bool exportable_generation(const scan::ScanSession& session, ExportSummary& summary) {
  switch (session.settings.exchange_version_support) {
    case scan::ExchangeVersion::V2007:
    case scan::ExchangeVersion::V2010:
      if (session.database) return true;
      summary.refused = "the store is not open";
      return false;
    case scan::ExchangeVersion::V2013:
      summary.refused = "Exchange 2013 stores cannot be exported yet; nothing was written";
      return false;
    case scan::ExchangeVersion::Unset:
      break;
  }
  summary.refused = "the store's Exchange generation is not known; nothing was written";
  return false;
}

// The folder's tree item and the job that writes it, for every folder record of the store.
void attach_folder(const scan::ScanSession& session, scan::TreeItem item, FolderJob& job) {
  for (const auto& f : session.folders_2007)
    if (f.treeItem == item && !f.folderId.empty()) job.folder2007 = &f;
  for (const auto& f : session.folders_2010)
    if (f.treeItem == item && !f.folderName.empty()) {
      job.folder2010 = &f;
      const auto generation = generation_of(session);
      job.header_table = scan::header_table_name(ref_of(f), generation, session.is_public());
      job.body_table = scan::body_table_name(ref_of(f), generation, session.is_public());
    }
}

// What the jobs of one mailbox (in a public store: of one folder) read before the export.
struct MailboxLists {
  std::string header_table, body_table;
  bool read_headers = false, read_bodies = false;  // false: the scan has them already
  std::vector<scan::HeaderEntry2010> headers;
  scan::HeaderListLoader::BodyLists bodies;
  Lookups2010 times;  // its stored times
  scan::TableDamage header_damage, body_damage;  // what reading them passed over
  std::vector<std::string> losses;               // of the stored times
};

scan::TableDamage damage_of(const scan::ScanSession& session, const std::string& table) {
  return session.lists2010.read([&](const scan::MessageLists2010& lists) {
    const auto it = lists.damage.find(table);
    return it == lists.damage.end() ? scan::TableDamage{} : it->second;
  });
}

// Reads one mailbox's lists; damage costs the list it is in, never the other lists or the run.
void read_mailbox_lists(scan::ScanSession& own, const decode::DecodeContext& ctx, scan::ScanObserver& log,
                        MailboxLists& m) {
  scan::HeaderListLoader reader(own, ctx, log);
  std::string headers_failed, bodies_failed;
  if (m.read_headers) try {
      m.headers = reader.load_header_table(m.header_table);
    } catch (const std::exception& error) {
      m.headers.clear();
      headers_failed = error.what();
    }
  if (m.read_bodies) try {
      m.bodies = reader.load_body_table(m.body_table);
    } catch (const std::exception& error) {
      m.bodies = {};
      bodies_failed = error.what();
    }
  m.header_damage = damage_of(own, m.header_table);
  m.body_damage = damage_of(own, m.body_table);
  if (!headers_failed.empty()) m.header_damage.unreadable.push_back(headers_failed);
  if (!bodies_failed.empty()) m.body_damage.unreadable.push_back(bodies_failed);
  try {
    m.times.read_stored_times(own, m.header_table);
  } catch (const std::exception& error) {
    m.losses.push_back("the stored dates of table \"" + m.header_table + "\" cannot be read: " + error.what() +
                       "; its messages are dated from what else they hold");
  }
}

// The sentences of what reading a mailbox's header and body tables passed over.
std::vector<std::string> damage_sentences(const MailboxLists& m) {
  std::vector<std::string> out;
  if (m.header_damage.records_skipped > 0)
    out.push_back(std::to_string(m.header_damage.records_skipped) + " damaged record(s) or page(s) of table \"" +
                  m.header_table + "\" could not be read; the messages in them are lost, and which folders they " +
                  "belonged to is not known");
  for (const std::string& why : m.body_damage.unreadable)
    out.push_back("the bodies and attachments of table \"" + m.body_table + "\" cannot be read: " + why +
                  "; its messages are written without them");
  if (m.body_damage.records_skipped > 0)
    out.push_back(std::to_string(m.body_damage.records_skipped) + " damaged record(s) or page(s) of table \"" +
                  m.body_table + "\" could not be read; messages whose bodies or attachments they held are " +
                  "written without them");
  out.insert(out.end(), m.losses.begin(), m.losses.end());
  return out;
}

// Loads what the 2010 jobs read: header and body lists, the stored times, and each job's
// entries. Up to `threads` mailboxes are read at once, each worker on its own handle of the
// store; the lists are then kept in job order, so they are the same whatever the number.
// What could not be read goes to the summary and to the jobs it concerns.
void prepare_2010(scan::ScanSession& session, std::vector<FolderJob>& jobs, Lookups2010& lookups,
                  unsigned threads, ExportObserver& observer, ExportSummary& summary) {
  decode::DecodeContext ctx = render::decode_context_for(session);
  LogScanObserver log(observer);
  scan::HeaderListLoader loader(session, ctx, log);
  const bool has_bodies = session.settings.exchange_version_support == scan::ExchangeVersion::V2010;
  std::vector<MailboxLists> mailboxes;
  std::set<std::string> seen;
  for (const FolderJob& job : jobs) {
    if (!job.folder2010 || !seen.insert(job.header_table).second) continue;
    MailboxLists& m = mailboxes.emplace_back();
    m.header_table = job.header_table;
    m.body_table = job.body_table;
    m.read_headers = !loader.headers_loaded(m.header_table);
    m.read_bodies = has_bodies && !loader.bodies_loaded(m.body_table);
  }
  std::atomic<size_t> next{0};
  auto read = [&](scan::ScanSession& own) {
    for (size_t i; (i = next++) < mailboxes.size();) read_mailbox_lists(own, ctx, log, mailboxes[i]);
  };
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<size_t>(mailboxes.size(), 1)));
  on_workers(session, threads, read);
  std::map<std::string, std::vector<std::string>> unreadable;  // header table -> why
  for (MailboxLists& m : mailboxes) {
    // Lists read before (by a listing) bring what their reading passed over along.
    if (!m.read_headers) m.header_damage = damage_of(session, m.header_table);
    if (!m.read_bodies) m.body_damage = damage_of(session, m.body_table);
    if (m.read_headers && m.header_damage.unreadable.empty()) loader.keep_headers(m.header_table, std::move(m.headers));
    if (m.read_bodies) loader.keep_bodies(m.body_table, std::move(m.bodies));
    lookups.stored_times.merge(m.times.stored_times);
    // Kept with the lists, so a later export of this scan reports the same damage.
    {
      std::lock_guard lock(session.lists2010.mutex);
      if (m.read_headers) session.lists2010.damage[m.header_table] = m.header_damage;
      if (m.read_bodies) session.lists2010.damage[m.body_table] = m.body_damage;
    }
    for (const std::string& loss : damage_sentences(m)) {
      summary.store_losses.push_back(loss);
      observer.loss(loss);
    }
    if (!m.header_damage.unreadable.empty()) unreadable[m.header_table] = m.header_damage.unreadable;
  }
  lookups.index_lists(session.lists2010);
  std::vector<size_t> positions;
  std::vector<scan::HeaderFolderRef> folders;
  for (size_t i = 0; i < jobs.size(); ++i)
    if (jobs[i].folder2010) {
      positions.push_back(i);
      folders.push_back(ref_of(*jobs[i].folder2010));
      if (auto it = unreadable.find(jobs[i].header_table); it != unreadable.end())
        for (const std::string& why : it->second)
          jobs[i].uncounted.push_back("the messages of " + jobs[i].display_path + " are lost: " + why);
    }
  auto entries = scan::header_entries_by_folder(session.lists2010.headers, folders,
                                                generation_of(session));
  for (size_t f = 0; f < positions.size(); ++f) jobs[positions[f]].header_entries = std::move(entries[f]);
}

// How many messages each job goes through, as far as can be told before it runs: a contents
// table that cannot be read counts 0 here, and its job says why.
std::vector<uint64_t> job_sizes(const scan::ScanSession& session, const std::vector<FolderJob>& jobs) {
  std::vector<uint64_t> sizes;
  for (const FolderJob& job : jobs) {
    uint64_t size = 0;
    if (job.folder2007) {
      try {
        if (auto table = scan::open_contents_table(session, *job.folder2007)) size = table->record_count();
      } catch (const ese::EseError&) {
        size = 0;
      }
    } else if (job.folder2010) {
      size = job.only.empty() ? job.header_entries.size() : job.only.size();
    }
    sizes.push_back(size);
  }
  return sizes;
}

ExportSummary run_jobs(scan::ScanSession& session, std::vector<FolderJob> jobs, unsigned threads,
                       const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (std::string problem = work_folder_problem(session.settings.temp_folder); !problem.empty()) {
    summary.refused = problem + "; nothing was exported";
    return summary;
  }
  const uint64_t damaged_values_before = session.damaged_values ? session.damaged_values->values.load() : 0;
  Lookups2010 lookups;
  prepare_2010(session, jobs, lookups, threads, observer, summary);
  const std::vector<uint64_t> sizes = job_sizes(session, jobs);
  RunReport report(observer, control, std::accumulate(sizes.begin(), sizes.end(), uint64_t{0}));
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<size_t>(jobs.size(), 1)));
  // Several workers take the biggest folders first, so that none is left with a big one at
  // the end while the others wait; each job's result keeps its place.
  std::vector<size_t> order(jobs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (threads > 1)
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
  std::vector<ExportSummary> results(jobs.size());
  std::vector<char> reached(jobs.size(), 0);
  std::atomic<size_t> next{0};
  std::mutex failure_mutex;
  std::vector<std::string> worker_failures;
  auto work = [&](scan::ScanSession& worker) {
    try {
      WorkFolder folder(session.settings.temp_folder);
      FolderExporter exporter(worker, &lookups, folder.path(), control, report);
      for (size_t n; (n = next++) < jobs.size();) {
        const size_t i = order[n];
        reached[i] = 1;
        results[i] = exporter.run(jobs[i]);
        if (results[i].aborted) break;
      }
    } catch (const std::exception& error) {
      std::lock_guard lock(failure_mutex);
      worker_failures.push_back(error.what());
    }
  };
  on_workers(session, threads, work);
  report.finish();
  for (const ExportSummary& result : results) summary.add(result);
  summary.failures.insert(summary.failures.end(), worker_failures.begin(), worker_failures.end());
  if (control.stop.stop_requested()) summary.aborted = true;
  // Folders that no worker reached (a worker could not start) count as not exported.
  if (!summary.aborted)
    for (size_t i = 0; i < jobs.size(); ++i)
      if (!reached[i]) {
        summary.failures.push_back("the folder " + jobs[i].display_path + " was not exported");
        observer.loss(summary.failures.back());
        FolderTally tally;
        tally.path = jobs[i].display_path;
        tally.uncounted.push_back(summary.failures.back());
        summary.tallies.push_back(std::move(tally));
      }
  if (session.damaged_values)
    if (const uint64_t damaged = session.damaged_values->values.load() - damaged_values_before; damaged > 0) {
      summary.store_losses.push_back(std::to_string(damaged) +
                                     " damaged value(s) of exported messages could not be read and were left empty");
      observer.loss(summary.store_losses.back());
    }
  return summary;
}

// Temporary MBOX files that a killed export left in the output tree.
void clear_stale_partials(const std::filesystem::path& tree, ExportObserver& observer) {
  for (const std::filesystem::path& file : remove_stale_partial_files(tree))
    observer.log("removed " + file.string() + ", left unfinished by an earlier export");
}

std::string display_path(const scan::MailboxTree& tree, scan::TreeItem item) {
  std::string path;
  for (scan::TreeItem i : tree.lineage(item)) path += (path.empty() ? "" : "/") + tree.node(i).label;
  return path;
}

}  // namespace

std::vector<std::string> folder_labels(const scan::MailboxTree& tree, scan::TreeItem item) {
  std::vector<std::string> labels;
  const auto lineage = tree.lineage(item);
  for (size_t i = 1; i < lineage.size(); ++i) labels.push_back(tree.node(lineage[i]).label);
  return labels;
}

ExportSummary export_mailboxes(scan::ScanSession& session, const MailboxExportRequest& request,
                              const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (!exportable_generation(session, summary)) return summary;
  const std::filesystem::path root = request.destination / kMailboxTreeRoot;
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) {
    summary.failures.push_back("cannot create the folder " + root.string() + ": " + error.message());
    return summary;
  }
  clear_stale_partials(root, observer);
  const std::set<scan::TreeItem> checked(request.checked.begin(), request.checked.end());
  const scan::MailboxTree& tree = session.tree;
  std::vector<FolderJob> jobs;
  std::set<std::filesystem::path> used;
  // Mailboxes in tree order; each mailbox's checked folders in tree order.
  for (scan::TreeItem mailbox : tree.root().children) {
    std::vector<scan::TreeItem> folders;
    std::vector<scan::TreeItem> pending(tree.node(mailbox).children.rbegin(), tree.node(mailbox).children.rend());
    while (!pending.empty()) {
      const scan::TreeItem item = pending.back();
      pending.pop_back();
      if (checked.count(item)) folders.push_back(item);
      const auto& children = tree.node(item).children;
      pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    if (folders.empty()) continue;
    const std::string& mailbox_name = tree.node(mailbox).label;
    observer.log("Create folder tree processing");
    const std::filesystem::path mailbox_dir = root / mailbox_directory_name(mailbox_name);
    for (scan::TreeItem item : folders) {
      FolderJob job;
      attach_folder(session, item, job);
      if (!job.folder2007 && !job.folder2010) continue;
      const std::vector<std::string> labels = folder_labels(tree, item);
      std::filesystem::path plain = mailbox_dir, renamed = mailbox_dir;
      for (const std::string& c : folder_directory_components(labels, false)) plain /= c;
      for (const std::string& c : folder_directory_components(labels, true)) renamed /= c;
      // The tree of the checked folders as named, before "Deleted Items" is renamed.
      std::filesystem::create_directories(plain, error);
      std::filesystem::path mbox = renamed / safe_component(labels.back());
      // Two folders whose names become equal on disk get distinct files.
      for (int n = 2; used.count(mbox); ++n)
        mbox = renamed / (safe_component(labels.back()) + " (" + std::to_string(n) + ")");
      used.insert(mbox);
      job.mailbox = mailbox_name;
      job.display_path = display_path(tree, item);
      job.mbox = mbox;
      job.filter = request.filter;
      job.format = request.format;
      job.items = request.items;
      jobs.push_back(std::move(job));
    }
  }
  summary = run_jobs(session, std::move(jobs), request.jobs, control, observer);
  // What the scan passed over (damaged mailbox and folder records, tables missing from a
  // damaged catalog) is missing from any whole-mailbox export.
  if (summary.refused.empty())
    for (const std::string& loss : session.losses) {
      summary.store_losses.push_back("the scan passed over damage: " + loss);
      observer.loss(summary.store_losses.back());
    }
  return summary;
}

ExportSummary export_selected_messages(scan::ScanSession& session, const SelectedItemsRequest& request,
                        const ese::PassControl& control, ExportObserver& observer) {
  ExportSummary summary;
  if (!exportable_generation(session, summary)) return summary;
  FolderJob job;
  attach_folder(session, request.folder, job);
  if (!job.folder2007 && !job.folder2010) {
    summary.refused = "the tree item is not a folder that holds messages";
    return summary;
  }
  std::filesystem::path directory = request.destination / kSelectedItemsRoot;
  const auto lineage = session.tree.lineage(request.folder);
  for (scan::TreeItem item : lineage) directory /= safe_component(session.tree.node(item).label);
  job.mailbox = session.tree.node(lineage.front()).label;
  job.display_path = display_path(session.tree, request.folder);
  job.mbox = directory / safe_component(session.tree.node(request.folder).label);
  job.whole_mailbox = false;
  job.only.insert(request.message_ids.begin(), request.message_ids.end());
  job.filter = request.filter;
  clear_stale_partials(request.destination / kSelectedItemsRoot, observer);
  job.format = request.format;
  return run_jobs(session, {job}, 1, control, observer);
}

}  // namespace quorvine::exporting
