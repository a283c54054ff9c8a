#include "export/lists_2010.hpp"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <unordered_set>

#include "decode/text_passes.hpp"
#include "export/worker_pool.hpp"
#include "listing/header_list_loader.hpp"
#include "listing/message_listing.hpp"

namespace quorvine::exporting {
namespace {

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

// What the jobs of one mailbox (in a public store: of one folder) read before the export.
struct MailboxLists {
  std::string header_table, body_table;
  bool read_headers = false, read_bodies = false;  // false: the scan has them already
  std::vector<scan::HeaderEntry2010> headers;
  listing::HeaderListLoader::BodyLists bodies;
  scan::TableDamage header_damage, body_damage;  // what reading them passed over
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
  listing::HeaderListLoader reader(own, ctx, log);
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
  return out;
}

// Header entries that name no folder of their mailbox's folder table that the scan accounted for:
// their header record was damaged into another folder identifier, or their folder's record
// into one without a name, so they are in no folder's list. Counted
// only for mailboxes whose every folder is exported whole, where no selection explains them.
std::vector<std::string> unfiled_entry_sentences(const scan::ScanSession& session, const std::vector<FolderJob>& jobs) {
  if (session.is_public()) return {};  // a public folder's header table is its own
  std::map<std::string, bool> whole;  // folder table -> every folder of it exported whole
  std::set<const scan::Folder2010*> exported;
  for (const FolderJob& job : jobs) {
    if (!job.folder2010) continue;
    exported.insert(job.folder2010);
    const bool all = job.whole_mailbox && !job.filter;
    auto [it, added] = whole.emplace(job.folder2010->folderTable, all);
    if (!added) it->second = it->second && all;
  }
  for (const scan::Folder2010& folder : session.folders_2010)
    if (auto it = whole.find(folder.folderTable); it != whole.end() && !exported.count(&folder)) it->second = false;
  std::map<std::string, uint64_t> unfiled;  // header table -> entries
  // Entries come in runs of one table: its folder table's ids are looked up once per run.
  const std::string* run_table = nullptr;
  const std::unordered_set<std::string>* accounted = nullptr;  // null: the run is not checked
  for (const scan::HeaderEntry2010& h : session.lists2010.headers) {
    if (!run_table || *run_table != h.tableName) {
      run_table = &h.tableName;
      const std::string folder_table = decode::replaced(h.tableName, "MsgHeader", "Folders");
      const auto w = whole.find(folder_table);
      const auto ids = session.accounted_folder_ids_2010.find(folder_table);
      const bool checked = w != whole.end() && w->second && ids != session.accounted_folder_ids_2010.end();
      accounted = checked ? &ids->second : nullptr;
    }
    if (accounted && !accounted->count(h.folderId)) ++unfiled[h.tableName];
  }
  std::vector<std::string> out;
  for (const auto& [table, count] : unfiled)
    out.push_back(std::to_string(count) + " message(s) of table \"" + table + "\" name a folder that table \"" +
                  decode::replaced(table, "MsgHeader", "Folders") + "\" does not hold, or holds without a name (a " +
                  "damaged folder or header record); they belong to no folder and are lost");
  return out;
}

}  // namespace

void Lookups2010::index_lists(const scan::MessageLists2010& lists) {
  this->lists = &lists;
  body_by_key.clear();
  attachments_by_key.clear();
  std::set<size_t, std::greater<>> lengths;
  for (size_t i = 0; i < lists.cached_bodies.size(); ++i) {
    const auto& body = lists.cached_bodies[i];
    body_by_key[key(body.tableName, body.messageKey)] = i;  // the last entry wins
    lengths.insert(body.messageKey.size());
  }
  body_key_lengths.assign(lengths.begin(), lengths.end());
  for (size_t i = 0; i < lists.cached_attachments.size(); ++i) {
    const auto& attachment = lists.cached_attachments[i];
    if (attachment.messageKey.empty()) continue;
    attachments_by_key[key(attachment.tableName, attachment.messageKey)].push_back(i);
  }
}

std::optional<size_t> Lookups2010::body_entry(const std::string& body_table, const std::string& message_id) const {
  for (size_t length : body_key_lengths) {
    if (length == 0 || length > message_id.size()) continue;
    auto it = body_by_key.find(key(body_table, message_id.substr(0, length)));
    if (it != body_by_key.end()) return it->second;
  }
  return std::nullopt;
}

void load_lists_2010(scan::ScanSession& session, std::vector<FolderJob>& jobs, Lookups2010& lookups,
                     unsigned threads, ExportObserver& observer, ExportSummary& summary) {
  decode::DecodeContext ctx = listing::decode_context_for(session);
  LogScanObserver log(observer);
  listing::HeaderListLoader loader(session, ctx, log);
  const bool has_bodies = session.settings.generation == decode::Generation::V2010;
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
  const std::vector<std::string> failed =
      run_on_workers(session, threads, mailboxes.size(), [&](scan::ScanSession& own) -> TaskRunner {
        return [&](size_t i) {
          read_mailbox_lists(own, ctx, log, mailboxes[i]);
          return true;
        };
      });
  for (const std::string& why : failed) {
    summary.failures.push_back("the 2010 lists could not be read: " + why);
    observer.loss(summary.failures.back());
  }
  std::map<std::string, std::vector<std::string>> unreadable;  // header table -> why
  for (MailboxLists& m : mailboxes) {
    // Lists read before (by a listing) bring what their reading passed over along.
    if (!m.read_headers) m.header_damage = damage_of(session, m.header_table);
    if (!m.read_bodies) m.body_damage = damage_of(session, m.body_table);
    if (m.read_headers && m.header_damage.unreadable.empty()) loader.keep_headers(m.header_table, std::move(m.headers));
    if (m.read_bodies) loader.keep_bodies(m.body_table, std::move(m.bodies));
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
  std::vector<listing::HeaderFolderRef> folders;
  for (size_t i = 0; i < jobs.size(); ++i)
    if (jobs[i].folder2010) {
      positions.push_back(i);
      folders.push_back(folder_ref(*jobs[i].folder2010));
      if (auto it = unreadable.find(jobs[i].header_table); it != unreadable.end())
        for (const std::string& why : it->second)
          jobs[i].uncounted.push_back("the messages of " + jobs[i].display_path + " are lost: " + why);
    }
  auto entries = listing::header_entries_by_folder(session.lists2010.headers, folders,
                                                   session.settings.generation);
  for (size_t f = 0; f < positions.size(); ++f) jobs[positions[f]].header_entries = std::move(entries[f]);
  for (const std::string& loss : unfiled_entry_sentences(session, jobs)) {
    summary.store_losses.push_back(loss);
    observer.loss(loss);
  }
}

}  // namespace quorvine::exporting
