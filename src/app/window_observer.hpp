#pragma once
// The core's scan and listing observer for the window: every event becomes a signal that a
// queued connection delivers on the window thread.
#include <QObject>
#include <QString>

#include "scan/scan_observer.hpp"

namespace quorvine::app {

class WindowObserver : public QObject, public scan::ScanObserver {
  Q_OBJECT
 public:
  using QObject::QObject;

  void status(std::string_view text) override { emit statusText(q(text)); }
  void preview_notice(std::string_view html) override { emit notice(q(html)); }
  void progress_range(uint64_t maximum) override { emit progressRange(maximum); }
  void progress_position(uint64_t position) override { emit progressPosition(position); }
  void progress_text(std::string_view text) override { emit progressText(q(text)); }
  void progress_reset() override { emit progressReset(); }
  void tree_item_added(const scan::AddedTreeItem& added) override;
  void control_enabled(scan::Control control, bool enabled) override {
    emit controlEnabled(static_cast<int>(control), enabled);
  }
  void message_box(std::string_view text, std::string_view caption) override { emit messageBox(q(text), q(caption)); }
  void warning(std::string_view text) override { emit warningText(q(text)); }

 signals:
  void statusText(const QString& text);
  void notice(const QString& html);
  void progressRange(quint64 maximum);
  void progressPosition(quint64 position);
  void progressText(const QString& text);
  void progressReset();
  void treeItemAdded(quint64 item, quint64 parent, const QString& label, const QString& folderClass);
  void controlEnabled(int control, bool enabled);
  void messageBox(const QString& text, const QString& caption);
  void warningText(const QString& text);

 private:
  static QString q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
};

}  // namespace quorvine::app
