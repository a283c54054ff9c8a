#include "export/worker_pool.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace quorvine::exporting {
namespace {

// A copy of the session with its own database handle, for a worker thread. The 2010 lists,
// the largest part of the session, are left out: the workers read the shared ones through
// the lookups.
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

}  // namespace

std::vector<std::string> run_on_workers(scan::ScanSession& session, unsigned threads, size_t count,
                                        const std::function<TaskRunner(scan::ScanSession&)>& start_worker) {
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<size_t>(count, 1)));
  std::atomic<size_t> next{0};
  std::mutex failure_mutex;
  std::vector<std::string> failures;
  auto work = [&](scan::ScanSession& own) {
    try {
      const TaskRunner run = start_worker(own);
      for (size_t n; (n = next++) < count;)
        if (!run(n)) break;
    } catch (const std::exception& error) {
      std::lock_guard lock(failure_mutex);
      failures.push_back(error.what());
    }
  };
  if (threads == 1) {
    work(session);
    return failures;
  }
  std::vector<scan::ScanSession> sessions;
  for (unsigned t = 0; t < threads; ++t) sessions.push_back(worker_session(session));
  {
    std::vector<std::jthread> workers;
    for (unsigned t = 0; t < threads; ++t) workers.emplace_back([&, t] { work(sessions[t]); });
  }
  return failures;
}

}  // namespace quorvine::exporting
