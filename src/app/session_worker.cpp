#include "app/session_worker.hpp"

#include <exception>

namespace quorvine::app {

void SessionWorker::run(Job job, Done done) {
  Pending next{std::move(job), std::move(done)};
  if (!running_) {
    start(std::move(next));
    return;
  }
  pending_ = std::move(next);
  thread_.request_stop();
  pause_.resume();
}

void SessionWorker::start(Pending next) {
  if (thread_.joinable()) thread_.join();
  pause_.resume();
  running_ = true;
  current_done_ = std::move(next.done);
  thread_ = std::jthread([this, job = std::move(next.job)](std::stop_token stop) {
    ese::PassControl control;
    control.stop = stop;
    control.pause = &pause_;
    try {
      job(control);
    } catch (const std::exception& error) {
      QMetaObject::invokeMethod(this, [this, reason = QString::fromStdString(error.what())] { emit failed(reason); },
                                Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(this, &SessionWorker::finished, Qt::QueuedConnection);
  });
}

void SessionWorker::finished() {
  if (!running_) return;
  running_ = false;
  if (thread_.joinable()) thread_.join();
  Done done = std::move(current_done_);
  current_done_ = nullptr;
  if (pending_) {
    Pending next = std::move(*pending_);
    pending_.reset();
    start(std::move(next));
    return;
  }
  if (done) done();
  emit idle();
}

void SessionWorker::stop() {
  if (!running_) return;
  thread_.request_stop();
  pause_.resume();
}

void SessionWorker::shutdown() {
  pending_.reset();
  if (thread_.joinable()) {
    thread_.request_stop();
    pause_.resume();
    thread_.join();
  }
  running_ = false;
}

}  // namespace quorvine::app
