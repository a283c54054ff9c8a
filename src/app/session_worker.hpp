#pragma once
// Runs the jobs on the open store (scan, listing, preview) one at a time on a thread of its
// own, so the window thread never waits for the core. A new job asks the running one to stop
// at its next record and starts when it has ended; a job's completion runs on the window
// thread. Stop/Resume pause the running job between records.
#include <functional>
#include <optional>
#include <thread>

#include <QObject>

#include "ese/pass_control.hpp"

namespace quorvine::app {

class SessionWorker : public QObject {
  Q_OBJECT
 public:
  using Job = std::function<void(const ese::PassControl&)>;
  using Done = std::function<void()>;

  explicit SessionWorker(QObject* parent = nullptr) : QObject(parent) {}
  ~SessionWorker() override { shutdown(); }

  // Queues `job`, replacing any job still waiting; `done` runs on this object's thread after
  // the job, unless a newer job was queued meanwhile.
  void run(Job job, Done done);
  bool busy() const { return running_; }

  void pause() { pause_.pause(); }
  void resume() { pause_.resume(); }
  bool paused() const { return pause_.paused(); }
  // The running job has reached its next record since pause() and waits there.
  bool held() const { return pause_.holding(); }
  // Asks the running job to stop at its next record; its completion still runs.
  void stop();

  // Stops the running job, drops the waiting one and waits for the thread to end.
  void shutdown();

 signals:
  // A job ended with an exception; the text says why.
  void failed(const QString& reason);
  void idle();

 private:
  struct Pending {
    Job job;
    Done done;
  };
  void start(Pending next);
  void finished();

  std::jthread thread_;
  ese::PauseState pause_;
  std::optional<Pending> pending_;
  Done current_done_;
  bool running_ = false;
};

}  // namespace quorvine::app
