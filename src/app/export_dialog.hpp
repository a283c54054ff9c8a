#pragma once
// The two export dialogs: "Export to MBOX" writes the checked rows of one folder, "Export
// Items" (Save Mailbox) every checked folder. Both run the core's export as a job of the
// session worker; its log, fields and progress reach the dialog through queued signals.
// The dialog stays open for another run after one has finished.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include <QColor>
#include <QDateTime>
#include <QDialog>

#include "app/export_observer_bridge.hpp"
#include "app/prompt.hpp"
#include "app/session_worker.hpp"
#include "export/date_filter.hpp"
#include "export/export_report.hpp"
#include "export/item_kinds.hpp"
#include "export/message_output.hpp"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace quorvine::ui {
class TextProgressBar;
}

namespace quorvine::app {

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { SelectedItems, WholeMailbox };
  // What the user chose in the dialog.
  struct Choices {
    std::filesystem::path destination;
    std::optional<exporting::DateRange> filter;
    exporting::OutputFormat format = exporting::OutputFormat::Mbox;
    exporting::ItemSelection items;  // the whole-mailbox export's kinds
  };
  // Runs the export on the worker thread with the dialog's choices.
  using Export = std::function<exporting::ExportSummary(const Choices& choices, const ese::PassControl& control,
                                                         exporting::ExportObserver& observer)>;

  // `saving_text` is the progress text while the export runs.
  ExportDialog(Kind kind, SessionWorker& worker, Export run, Prompt prompt, const QString& saving_text,
               QWidget* parent = nullptr);

  // What "Browse" does once a folder is chosen: the destination is that folder.
  void chooseDestination(const QString& folder);
  void setDateFilter(bool on, const QDateTime& from, const QDateTime& to);
  // The output format ("mbox", "maildir", "eml") and, for the whole-mailbox export, the kinds.
  void setFormat(exporting::OutputFormat format);
  void setItems(const exporting::ItemSelection& items);
  void startExport();
  // "Exit" closes the dialog; "Abort" asks first and stops the run at its next message.
  void exitOrAbort();

  bool running() const { return running_; }
  QPushButton* startButton() const { return start_button_; }
  QPushButton* exitButton() const { return exit_button_; }
  ui::TextProgressBar* progressBar() const { return progress_; }
  struct LogLine {
    QString text;
    QColor colour;
  };
  const std::vector<LogLine>& logLines() const { return log_; }

 signals:
  void exportFinished();

 protected:
  void reject() override;

 private:
  void browse();
  void appendToLog(const QString& text, const QColor& colour);
  void appendExportLines();
  void finished(const exporting::ExportSummary& summary, const QString& failure);
  QString startText() const;

  Kind kind_;
  SessionWorker& worker_;
  Export run_;
  Prompt prompt_;
  QString saving_text_;
  ExportObserverBridge bridge_;
  QString destination_;  // the chosen folder; the export adds its own root below it
  bool running_ = false;
  bool abort_requested_ = false;
  int export_lines_ = 0;
  qint64 total_ = 0;  // the run's item count as last reported
  std::vector<LogLine> log_;

  QPushButton* start_button_;
  QPushButton* exit_button_;
  QLineEdit* destination_field_;
  QTextEdit* log_area_;
  ui::TextProgressBar* progress_;
  QCheckBox* filter_box_;
  QDateTimeEdit* from_date_;
  QDateTimeEdit* to_date_;
  QLineEdit* mailbox_field_ = nullptr;
  QLineEdit* folder_field_ = nullptr;
  QLineEdit* items_field_ = nullptr;
  QComboBox* format_box_;
  std::vector<std::pair<exporting::ItemGroup, QCheckBox*>> kind_boxes_;  // whole-mailbox export only
};

}  // namespace quorvine::app
