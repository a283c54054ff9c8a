#include "export/mailbox_export.hpp"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <functional>
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
  const scan::foldertree* folder2007 = nullptr;
  const scan::folderTree2010* folder2010 = nullptr;
  std::string header_table, body_table;
  std::vector<size_t> header_entries;  // the 2010 folder's entries in the header list, in list order
  bool whole_mailbox = true;
  std::set<std::string> only;  // message identifiers; empty: all
  std::optional<DateRange> filter;
  OutputFormat format = OutputFormat::Mbox;
  ItemSelection items;
};

scan::HeaderFolderRef ref_of(const scan::folderTree2010& f) {
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
  if (session.msgtable) copy.msgtable = copy.database->open_table(session.msgtable->index());
  if (session.attachmenttable) copy.attachmenttable = copy.database->open_table(session.attachmenttable->index());
  for (scan::TableFile& file : copy.TableFileDump)
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

// A private work folder for one worker's temporary files, removed with it.
class WorkFolder {
 public:
  explicit WorkFolder(const std::filesystem::path& parent) {
    std::filesystem::path base = parent.empty() ? std::filesystem::temp_directory_path() : parent;
    std::filesystem::create_directories(base);
    std::string pattern = (base / "export-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a work folder in " + base.string());
    path_ = pattern;
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

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

class FolderExporter {
 public:
  FolderExporter(const scan::ScanSession& session, const Lookups2010* lookups, const std::filesystem::path& work,
                 const ese::PassControl& control, RunReport& report)
      : session_(session), lists_(lookups && lookups->lists ? *lookups->lists : session.lists2010),
        gatherer_(session, lookups, work), records_(session, lookups), lookups_(lookups), work_(work),
        control_(control), report_(report) {}

  ExportSummary run(const FolderJob& job) {
    ExportSummary summary;
    report_.folder_started(job);
    try {
      std::filesystem::create_directories(job.mbox.parent_path());
      const std::unique_ptr<MessageOutput> out = open_message_output(job.format, job.mbox);
      // Only the whole-mailbox export writes the items that are not mail.
      std::optional<FolderItems> items;
      if (job.whole_mailbox) items.emplace(session_, lookups_, work_, job.mbox);
      if (!export_messages(job, *out, items ? &*items : nullptr, summary)) return summary;
      out->commit();
      if (items) {
        // The folder's messages stay written when its card or calendar file cannot be.
        try {
          items->commit();
        } catch (const MboxWriteError& error) {
          summary.failures.push_back(std::string(error.what()) + "; the items of " + job.display_path +
                                     " were not exported");
        }
      }
      summary.folders = 1;
      summary.messages_written = out->records();
      summary.bytes = out->bytes();
    } catch (const MboxWriteError& error) {
      summary.failures.push_back(std::string(error.what()) + "; the folder " + job.display_path + " was not exported");
    } catch (const std::filesystem::filesystem_error& error) {
      summary.failures.push_back("cannot create the folder " + job.mbox.parent_path().string() + ": " +
                                 error.code().message() + "; the folder " + job.display_path + " was not exported");
    } catch (const std::exception& error) {
      summary.failures.push_back("the folder " + job.display_path + " was not exported: " + error.what());
    }
    return summary;
  }

 private:
  // False when the run was stopped.
  bool export_messages(const FolderJob& job, MessageOutput& out, FolderItems* items, ExportSummary& summary) {
    const bool is2007 = job.folder2007 != nullptr;
    std::vector<scan::MessageListRow> rows;
    std::unordered_map<std::string, std::string> bodies;
    if (is2007) {
      decode::DecodeContext ctx = render::decode_context_for(session_);
      scan::SilentScanObserver silent;
      render::FolderListing listing = render::list_contents_folder(session_, ctx, *job.folder2007, silent);
      rows = std::move(listing.rows);
      for (auto& [id, body] : listing.tempBodyDump) bodies.emplace(id, std::move(body));
      if (listing.records_skipped > 0)
        summary.failures.push_back(std::to_string(listing.records_skipped) + " damaged records of " +
                                   job.display_path + " were skipped");
    } else {
      const scan::HeaderFolderRef ref = ref_of(*job.folder2010);
      const std::string table = scan::folder_table_name(ref, generation_of(session_));
      // Numbered in list order, exported in the header index's order: the other way round.
      const size_t count = job.header_entries.size();
      rows.resize(count);
      for (size_t k = 0; k < count; ++k)
        scan::fill_header_row(lists_.MessageHeaderList2010Dump[job.header_entries[k]], ref, table, k + 1,
                              rows[count - 1 - k]);
    }
    std::set<std::string> unseen = job.only;
    for (const scan::MessageListRow& row : rows) {
      if (!job.only.empty() && !job.only.count(row.message_id)) continue;
      unseen.erase(row.message_id);
      if (!control_.checkpoint()) {
        summary.aborted = true;
        return false;
      }
      export_message(job, row, is2007 ? bodies[row.message_id] : std::string(), is2007, out, items, summary);
      report_.message_done();
    }
    for (const std::string& id : unseen) {
      ++summary.messages_failed;
      summary.failures.push_back("no message " + id + " in " + job.display_path);
    }
    return true;
  }

  void export_message(const FolderJob& job, const scan::MessageListRow& row, const std::string& cached_body,
                      bool is2007, MessageOutput& out, FolderItems* items, ExportSummary& summary) {
    const ItemGroup group = item_group(row.kind);
    if (!job.items.wants(group)) {
      ++summary.skipped[std::string(to_string(group)) + " items were not asked for"];
      return;
    }
    // The selected-items export writes mail alone.
    if (!items && row.kind != "mail") {
      ++summary.skipped[kind_name(row.kind) + " items are not exported as mail"];
      return;
    }
    // The filter needs the stored time before gathering; without one, gathering reads it.
    if (job.filter) {
      const auto filetime = is2007 ? gatherer_.stored_time_2007(row) : gatherer_.stored_time_2010(row, job.header_table);
      if (!passes_filter(job.filter, filetime)) {
        ++summary.skipped[kOutsideFilter];
        return;
      }
    }
    if (group != ItemGroup::Mail) {
      try {
        const auto stored = is2007 ? gatherer_.stored_time_2007(row) : gatherer_.stored_time_2010(row, job.header_table);
        items->add(row, job.body_table, stored, cached_body, summary);
      } catch (const std::exception& error) {
        ++summary.messages_failed;
        summary.failures.push_back("the " + kind_name(row.kind) + " \"" + row.subject + "\" of " + job.display_path +
                                   " was not exported: " + error.what());
      }
      return;
    }
    // The message is composed straight into the folder's output; the temporary message file
    // is written only by the fallback builder.
    const std::filesystem::path eml =
        work_ / (is2007 ? temporary_message_name_2007(row.subject, row.mail_number)
                        : temporary_message_name_2010(row.subject, row.mail_number));
    const std::string what = "the message \"" + row.subject + "\" of " + job.display_path;
    try {
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
      report_.log("Mail saving Items:-  " + row.subject);
    } catch (const MboxWriteError&) {
      throw;
    } catch (const std::exception& error) {
      ++summary.messages_failed;
      summary.failures.push_back(what + " was not exported: " + error.what());
    }
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
  for (const auto& f : session.foldertreeDump)
    if (f.treeItem == item && !f.folderId.empty()) job.folder2007 = &f;
  for (const auto& f : session.folderTree2010Dump)
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
  std::vector<scan::MessageHeaderList2010> headers;
  scan::HeaderListLoader::BodyLists bodies;
  Lookups2010 times;  // its stored times
};

// Loads what the 2010 jobs read: header and body lists, the stored times, and each job's
// entries. Up to `threads` mailboxes are read at once, each worker on its own handle of the
// store; the lists are then kept in job order, so they are the same whatever the number.
void prepare_2010(scan::ScanSession& session, std::vector<FolderJob>& jobs, Lookups2010& lookups,
                  unsigned threads, ExportObserver& observer) {
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
  std::mutex failure_mutex;
  std::exception_ptr failure;
  auto read = [&](scan::ScanSession& own) {
    try {
      scan::HeaderListLoader reader(own, ctx, log);
      for (size_t i; (i = next++) < mailboxes.size();) {
        MailboxLists& m = mailboxes[i];
        if (m.read_headers) m.headers = reader.load_header_table(m.header_table);
        if (m.read_bodies) m.bodies = reader.load_body_table(m.body_table);
        m.times.read_stored_times(own, m.header_table);
      }
    } catch (...) {
      std::lock_guard lock(failure_mutex);
      failure = std::current_exception();
    }
  };
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<size_t>(mailboxes.size(), 1)));
  on_workers(session, threads, read);
  if (failure) std::rethrow_exception(failure);
  for (MailboxLists& m : mailboxes) {
    if (m.read_headers) loader.keep_headers(m.header_table, std::move(m.headers));
    if (m.read_bodies) loader.keep_bodies(m.body_table, std::move(m.bodies));
    lookups.stored_times.merge(m.times.stored_times);
  }
  lookups.index_lists(session.lists2010);
  std::vector<size_t> positions;
  std::vector<scan::HeaderFolderRef> folders;
  for (size_t i = 0; i < jobs.size(); ++i)
    if (jobs[i].folder2010) {
      positions.push_back(i);
      folders.push_back(ref_of(*jobs[i].folder2010));
    }
  auto entries = scan::header_entries_by_folder(session.lists2010.MessageHeaderList2010Dump, folders,
                                                generation_of(session));
  for (size_t f = 0; f < positions.size(); ++f) jobs[positions[f]].header_entries = std::move(entries[f]);
}

// How many messages each job goes through.
std::vector<uint64_t> job_sizes(const scan::ScanSession& session, const std::vector<FolderJob>& jobs) {
  std::vector<uint64_t> sizes;
  for (const FolderJob& job : jobs) {
    uint64_t size = 0;
    if (job.folder2007) {
      if (auto table = scan::open_contents_table(session, *job.folder2007)) size = table->record_count();
    } else if (job.folder2010) {
      size = job.only.empty() ? job.header_entries.size() : job.only.size();
    }
    sizes.push_back(size);
  }
  return sizes;
}

ExportSummary run_jobs(scan::ScanSession& session, std::vector<FolderJob> jobs, unsigned threads,
                       const ese::PassControl& control, ExportObserver& observer) {
  Lookups2010 lookups;
  prepare_2010(session, jobs, lookups, threads, observer);
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
      WorkFolder folder(session.settings.tempFilePath);
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
  ExportSummary summary;
  for (const ExportSummary& result : results) summary.add(result);
  summary.failures.insert(summary.failures.end(), worker_failures.begin(), worker_failures.end());
  if (control.stop.stop_requested()) summary.aborted = true;
  // Folders that no worker reached (a worker could not start) count as not exported.
  if (!summary.aborted)
    for (size_t i = 0; i < jobs.size(); ++i)
      if (!reached[i]) summary.failures.push_back("the folder " + jobs[i].display_path + " was not exported");
  return summary;
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

ExportSummary SaveData_to_EML(scan::ScanSession& session, const MailboxExportRequest& request,
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
  return run_jobs(session, std::move(jobs), request.jobs, control, observer);
}

ExportSummary ExportEML(scan::ScanSession& session, const SelectedItemsRequest& request,
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
  job.format = request.format;
  return run_jobs(session, {job}, 1, control, observer);
}

}  // namespace quorvine::exporting
