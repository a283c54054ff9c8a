#pragma once
// The export's one task loop: numbered tasks shared out over up to `threads` workers, each
// with a session of its own (the reading layer's handles are not shared between threads).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "scan/scan_session.hpp"

namespace quorvine::exporting {

// A worker's task runner: runs task `n` and returns false to end this worker early.
using TaskRunner = std::function<bool(size_t n)>;

// Runs tasks 0..count-1, each once, on up to `threads` workers; `start_worker` is called once
// on each worker's thread with its session and returns the runner for its tasks. A single
// worker runs on the caller's thread with `session` itself. Returns when all are done, with
// the message of each worker that ended on an exception (its remaining tasks go to the others).
std::vector<std::string> run_on_workers(scan::ScanSession& session, unsigned threads, size_t count,
                                        const std::function<TaskRunner(scan::ScanSession&)>& start_worker);

}  // namespace quorvine::exporting
