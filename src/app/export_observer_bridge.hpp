#pragma once
// The export's observer and progress for a dialog: the export calls them on its worker
// thread, and every event becomes a signal that a queued connection delivers on the window
// thread.
#include <QObject>
#include <QString>

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
  void log(std::string_view text) override { emit logLine(q(text)); }
  void progress(uint64_t done, uint64_t total) override { emit progressed(done, total); }

 signals:
  void folderStarted(const QString& mailbox, const QString& folderPath);
  void logLine(const QString& text);
  void progressed(quint64 done, quint64 total);

 private:
  static QString q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
};

}  // namespace quorvine::app
