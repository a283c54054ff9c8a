#pragma once
// How a long pass (scan, listing, preview, export) is stopped, paused and watched. A worker
// checks its control between records; front ends request a stop, pause or resume from any
// thread and receive progress through an observer at a bounded rate.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace quorvine::ese {

// Shared by a worker and its front end. The worker blocks in wait_while_paused(); a stop
// request ends the wait.
class PauseState {
 public:
  void pause();
  void resume();
  bool paused() const;
  // Whether a worker is waiting in wait_while_paused() now, that is, the pause has taken
  // hold and the worker reports nothing more until resumed.
  bool holding() const;
  // Returns at once when not paused; otherwise waits until resumed or `stop` is requested.
  void wait_while_paused(const std::stop_token& stop) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable_any resumed_;
  bool paused_ = false;
  mutable int waiting_ = 0;
};

// Receives the progress of one pass: `done` of `total` items (total 0 when unknown).
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  virtual void progress(uint64_t done, uint64_t total) = 0;
};

// Passes progress on at most every `interval` (about 30 updates a second by default),
// always passing the first and the final update.
class ProgressThrottle {
 public:
  explicit ProgressThrottle(ProgressObserver* observer,
                            std::chrono::milliseconds interval = std::chrono::milliseconds(33));
  void update(uint64_t done, uint64_t total);
  void finish(uint64_t done, uint64_t total);  // always reported, unless just reported

 private:
  ProgressObserver* observer_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
  bool reported_ = false;
  uint64_t last_done_ = 0;
  uint64_t last_total_ = 0;
};

// What every long pass takes. Default-constructed, it never stops or pauses and reports
// nothing.
struct PassControl {
  std::stop_token stop;
  const PauseState* pause = nullptr;
  ProgressObserver* progress = nullptr;

  // Called between items: waits while paused; false once a stop was requested.
  bool checkpoint() const;
};

}  // namespace quorvine::ese
