#include "ese/pass_control.hpp"

namespace quorvine::ese {

void PauseState::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void PauseState::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

bool PauseState::paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool PauseState::holding() const {
  std::lock_guard lock(mutex_);
  return waiting_ > 0;
}

void PauseState::wait_while_paused(const std::stop_token& stop) const {
  std::unique_lock lock(mutex_);
  if (!paused_) return;
  ++waiting_;
  resumed_.wait(lock, stop, [this] { return !paused_; });
  --waiting_;
}

ProgressThrottle::ProgressThrottle(ProgressObserver* observer, std::chrono::milliseconds interval)
    : observer_(observer), interval_(interval) {}

void ProgressThrottle::update(uint64_t done, uint64_t total) {
  if (!observer_) return;
  const auto now = std::chrono::steady_clock::now();
  if (reported_ && now - last_ < interval_) return;
  reported_ = true;
  last_ = now;
  last_done_ = done;
  last_total_ = total;
  observer_->progress(done, total);
}

void ProgressThrottle::finish(uint64_t done, uint64_t total) {
  if (!observer_ || (reported_ && done == last_done_ && total == last_total_)) return;
  reported_ = true;
  last_done_ = done;
  last_total_ = total;
  last_ = std::chrono::steady_clock::now();
  observer_->progress(done, total);
}

bool PassControl::checkpoint() const {
  if (pause) pause->wait_while_paused(stop);
  return !stop.stop_requested();
}

}  // namespace quorvine::ese
