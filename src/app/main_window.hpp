#pragma once
// The main window: the path strip and buttons at the top, the mailbox tree on the left, the
// message list above the preview pane on the right, and the four-pane status bar. The open
// store lives in one scan session that only the session worker's jobs touch.
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QPointer>

#include "app/export_dialog.hpp"
#include "app/file_selection_dialog.hpp"
#include "app/mailboxes_to_save.hpp"
#include "app/prompt.hpp"
#include "app/session_worker.hpp"
#include "app/window_observer.hpp"
#include "listing/message_listing.hpp"
#include "scan/scan_session.hpp"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvine::ui {
class FolderTree;
class MessageList;
class PreviewPane;
class TextProgressBar;
}  // namespace quorvine::ui

namespace quorvine::app {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  enum class State { Idle, Scanning, Scanned, OpenFailed };

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Message boxes go through here; tests answer them.
  void setPrompt(Prompt prompt) { prompt_ = std::move(prompt); }

  // "Browse" and "Open Exchange EDB": the file-selection dialog, then the scan.
  void browse(bool start_notice = true);
  // Opens `choice` as the dialog's "Next..." would. Without a version the table names pick
  // it, and a database with none of the Exchange tables is refused.
  void openStore(const StoreChoice& choice, bool start_notice = true);
  // The store named on the command line: opened with the dialog's default temporary folder,
  // or, when it is not a file, refused as "Next..." refuses it and the dialog shown.
  void openAtStart(const std::filesystem::path& database, decode::Generation version);
  // "Stop"/"Resume" with the confirmation answered by the prompt.
  void stopOrResume();
  void saveMailbox();
  void exportSelected();

  // The export dialog last opened, while it exists.
  ExportDialog* exportDialog() const { return export_dialog_; }
  State state() const { return state_; }
  bool workerBusy() const { return worker_.busy(); }
  // After "Stop": the running job has stopped at its next record.
  bool workerHeld() const { return worker_.held(); }
  ui::FolderTree* tree() const { return tree_; }
  ui::MessageList* list() const { return list_; }
  ui::PreviewPane* preview() const { return preview_; }
  ui::TextProgressBar* progressBar() const { return progress_; }
  QString statusText() const;
  QPushButton* stopButton() const { return stop_button_; }
  // The mailboxes "Save Mailbox" would export now.
  std::vector<SaveMailBox> mailboxesToSave() const;

 signals:
  void scanFinished();
  void listingFinished(int rows);
  void previewRendered(const QString& page);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildMenus();
  void buildStatusBar();
  void connectObserver();
  void setState(State state);
  void setControl(int control, bool enabled);
  void showNotice(const QString& html);
  void listFolder();
  void previewRow(int index);
  void showHelp();
  void showAbout();
  bool confirmExit(const QString& text);
  void openExportDialog(ExportDialog::Kind kind, ExportDialog::Export run, const QString& saving_text);

  Prompt prompt_ = show_message_box;
  decode::Generation version_ = decode::Generation::Unset;
  State state_ = State::Idle;
  bool exit_confirmed_ = false;

  scan::ScanSession session_;  // touched only by the worker's jobs
  WindowObserver observer_;
  SessionWorker worker_;
  uint64_t request_ = 0;  // numbers listing and preview requests; stale results are dropped
  std::shared_ptr<const listing::FolderListing> listing_;
  std::vector<FolderRecord> folder_records_;
  std::filesystem::path temp_folder_;
  decode::Generation scanned_version_ = decode::Generation::Unset;

  QLineEdit* path_field_;
  QPushButton* browse_button_;
  QPushButton* save_button_;
  QPushButton* stop_button_;
  QPushButton* exit_button_;
  QAction* open_action_;
  QAction* save_action_;
  ui::FolderTree* tree_;
  ui::MessageList* list_;
  ui::PreviewPane* preview_;
  ui::TextProgressBar* progress_;
  QLabel* status_pane_;
  QPointer<ExportDialog> export_dialog_;
};

}  // namespace quorvine::app
