#pragma once
// The export's observer and progress for a dialog: the export calls them on its worker
// thread, and every event becomes a signal that a queued connection delivers on the window
// thread. Log lines are gathered and fetched in batches: one queued event a line would keep
// the window thread busy for seconds on a store of many messages.
#include <mutex>
#include <utility>

#include <QObject>
#include <QString>
#include <QStringList>

#include "ese/pass_control.hpp"
#include "export/export_report.hpp"

namespace quorvine::app {

class ExportObserverBridge : public QObject, public exporting::ExportObserver, public ese::ProgressObserver {
  Q_OBJECT
 public:
  using QObject::QObject;

  void folder_started(std::string_view mailbox, std::string_view folder_path) override {
    emit folderStarted(q(mailbox), q(folder_path));
  }
  void log(std::string_view text) override {
    bool first = false;
    {
      std::lock_guard lock(mutex_);
      first = waiting_.isEmpty();
      waiting_.push_back(q(text));
    }
    if (first) emit logLinesWaiting();
  }
  void progress(uint64_t done, uint64_t total) override { emit progressed(done, total); }

  // The lines logged since the last call, oldest first.
  QStringList takeLogLines() {
    std::lock_guard lock(mutex_);
    return std::exchange(waiting_, {});
  }

 signals:
  void folderStarted(const QString& mailbox, const QString& folderPath);
  // Lines wait for takeLogLines(); sent when the first of a batch arrives.
  void logLinesWaiting();
  void progressed(quint64 done, quint64 total);

 private:
  std::mutex mutex_;
  QStringList waiting_;
  static QString q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
};

}  // namespace quorvine::app
