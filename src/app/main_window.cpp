#include "app/main_window.hpp"

#include <fstream>
#include <thread>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <cmark.h>

#include "export/mailbox_export.hpp"
#include "render/message_preview.hpp"
#include "scan/exchange_pick.hpp"
#include "scan/scan_driver.hpp"
#include "scan/work_folders.hpp"
#include "ui/folder_icons.hpp"
#include "ui/folder_tree.hpp"
#include "ui/message_list.hpp"
#include "ui/preview_pane.hpp"
#include "ui/text_progress_bar.hpp"

namespace quorvine::app {

namespace fs = std::filesystem;

namespace {

const QString product = "Quorvine EDB to MBOX Converter";
const QString start_page =
    "<div align=\"center\"><br><br><h1 >Recovery Started! Please wait for completion...</h1><br><br> </div>";
const QString stopped_page = "<div align=\"center\"><br><br><h1 >Process stoped by user ...</h1><br><br></div>";
const QString resumed_page = "<div align=\"center\"><br><br><h1 >Process resume by user ...</h1><br><br></div>";

// What a finished scan leaves for the window.
struct ScanResult {
  scan::ScanOutcome outcome = scan::ScanOutcome::NotRun;
  std::string failure;
  std::string refusal;  // not an Exchange store, under the table names' pick
  decode::Generation version = decode::Generation::Unset;
  std::vector<FolderRecord> folders;
};

std::vector<FolderRecord> folder_records(const scan::ScanSession& session) {
  std::vector<FolderRecord> records;
  if (session.settings.generation == decode::Generation::V2007) {
    for (const auto& f : session.folders_2007) {
      const scan::MailboxRecord* mailbox = session.mailbox(f.mailboxId);
      records.push_back({f.treeItem, mailbox ? mailbox->displayName : f.mailboxName, f.mailboxId});
    }
  } else {
    for (const auto& f : session.folders_2010) records.push_back({f.treeItem, f.mailboxName, f.mailboxId});
  }
  return records;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), observer_(this), worker_(this) {
  setWindowTitle("Quorvine Exchange EDB to MBOX Converter v1.0");
  ui::register_icons();
  setWindowIcon(QIcon(":/icons/app.png"));

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  auto* strip = new QHBoxLayout;
  strip->addWidget(new QLabel("Select Exchange EDB file: "));
  path_field_ = new QLineEdit;
  path_field_->setReadOnly(true);
  strip->addWidget(path_field_, 1);
  browse_button_ = new QPushButton("Browse");
  save_button_ = new QPushButton("Save Mailbox");
  stop_button_ = new QPushButton("Stop");
  exit_button_ = new QPushButton("Exit");
  for (QPushButton* b : {browse_button_, save_button_, stop_button_, exit_button_}) strip->addWidget(b);
  column->addLayout(strip);

  tree_ = new ui::FolderTree;
  list_ = new ui::MessageList;
  preview_ = new ui::PreviewPane;
  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(list_);
  right->addWidget(preview_);
  right->setHandleWidth(4);
  // Left to itself the splitter gives the list everything and collapses the preview.
  right->setChildrenCollapsible(false);
  right->setStretchFactor(0, 1);
  right->setStretchFactor(1, 1);
  right->setSizes({300, 300});
  auto* panes = new QSplitter(Qt::Horizontal);
  panes->addWidget(tree_);
  panes->addWidget(right);
  panes->setStretchFactor(1, 3);
  panes->setHandleWidth(4);
  column->addWidget(panes, 1);
  setCentralWidget(central);

  buildMenus();
  buildStatusBar();
  connectObserver();

  connect(browse_button_, &QPushButton::clicked, this, [this] { browse(true); });
  connect(save_button_, &QPushButton::clicked, this, &MainWindow::saveMailbox);
  connect(stop_button_, &QPushButton::clicked, this, &MainWindow::stopOrResume);
  connect(exit_button_, &QPushButton::clicked, this, &QWidget::close);
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) listFolder();
  });
  connect(list_, &ui::MessageList::rowClicked, this, &MainWindow::previewRow);
  connect(list_, &ui::MessageList::exportRequested, this, &MainWindow::exportSelected);
  connect(&worker_, &SessionWorker::failed, this, [this](const QString& reason) { status_pane_->setText(reason); });
}

MainWindow::~MainWindow() { worker_.shutdown(); }

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu("File");
  open_action_ = file->addAction("Open Exchange EDB", this, [this] { browse(false); });
  save_action_ = file->addAction("Save Mailbox", this, &MainWindow::saveMailbox);
  file->addAction("Exit", this, [this] {
    if (!confirmExit("Are you sure, you want to close..                       ")) return;
    exit_confirmed_ = true;
    close();
  });
  QMenu* help = menuBar()->addMenu("Help");
  help->addAction("About Quorvine EDB to MBOX Converter", this, &MainWindow::showAbout);
  help->addAction("Software help topic", this, &MainWindow::showHelp)->setShortcut(QKeySequence::HelpContents);
}

void MainWindow::buildStatusBar() {
  progress_ = new ui::TextProgressBar;
  progress_->setFixedWidth(300);
  statusBar()->addWidget(progress_);
  auto* maker = new QLabel("Quorvine Systems");
  maker->setFixedWidth(150);
  statusBar()->addWidget(maker);
  auto* address = new QLabel;
  address->setFixedWidth(1);
  statusBar()->addWidget(address);
  status_pane_ = new QLabel("Quorvine EDB to MBOX Converter  ");
  statusBar()->addWidget(status_pane_, 1);
}

void MainWindow::connectObserver() {
  const auto queued = Qt::QueuedConnection;
  connect(&observer_, &WindowObserver::statusText, status_pane_, &QLabel::setText, queued);
  connect(&observer_, &WindowObserver::notice, this, &MainWindow::showNotice, queued);
  connect(&observer_, &WindowObserver::progressRange, this, [this](quint64 max) { progress_->setRange(0, max); }, queued);
  connect(&observer_, &WindowObserver::progressPosition, this, [this](quint64 p) { progress_->setPosition(p); }, queued);
  connect(&observer_, &WindowObserver::progressText, progress_, &ui::TextProgressBar::setText, queued);
  // One event for both, so that no paint falls between them.
  connect(&observer_, &WindowObserver::progressReset, this,
          [this] {
            progress_->setText(QString());
            progress_->setPosition(0);
          },
          queued);
  connect(&observer_, &WindowObserver::treeItemAdded, this,
          [this](quint64 item, quint64 parent, const QString& label, const QString& folder_class) {
            tree_->addItem(item, parent, label.toStdString(), folder_class.toStdString());
          },
          queued);
  connect(&observer_, &WindowObserver::controlEnabled, this, &MainWindow::setControl, queued);
  connect(&observer_, &WindowObserver::messageBox, this,
          [this](const QString& text, const QString& caption) {
            prompt_(this, QMessageBox::Information, text, caption, QMessageBox::Ok);
          },
          queued);
  connect(&observer_, &WindowObserver::warningText, this, [this](const QString& text) { status_pane_->setText(text); },
          queued);
}

QString MainWindow::statusText() const { return status_pane_->text(); }

void MainWindow::setControl(int control, bool enabled) {
  switch (static_cast<scan::Control>(control)) {
    case scan::Control::BrowseButton: browse_button_->setEnabled(enabled); break;
    case scan::Control::SaveMailboxButton: save_button_->setEnabled(enabled); break;
    case scan::Control::OpenCommand: open_action_->setEnabled(enabled); break;
    case scan::Control::SaveMailboxCommand: save_action_->setEnabled(enabled); break;
    case scan::Control::Tree: tree_->setEnabled(enabled); break;
  }
}

void MainWindow::setState(State state) {
  state_ = state;
  const bool scanning = state == State::Scanning;
  browse_button_->setEnabled(!scanning);
  open_action_->setEnabled(!scanning);
  save_button_->setEnabled(state == State::Idle || state == State::Scanned);
  save_action_->setEnabled(state == State::Idle || state == State::Scanned);
  if (!scanning) tree_->setEnabled(state != State::OpenFailed);
}

void MainWindow::showNotice(const QString& html) { preview_->showNotice(html, temp_folder_); }

void MainWindow::browse(bool start_notice) {
  FileSelectionDialog dialog(version_, prompt_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  openStore(dialog.choice(), start_notice);
}

void MainWindow::openAtStart(const fs::path& database, decode::Generation version) {
  std::error_code error;
  if (!fs::is_regular_file(database, error)) {
    prompt_(this, QMessageBox::Critical, "Please select valid file", product + " ", QMessageBox::Ok);
    browse(true);
    return;
  }
  StoreChoice choice;
  choice.database = database;
  choice.version = version;
  choice.temp_folder = scan::temp_folder();
  openStore(choice);
}

void MainWindow::openStore(const StoreChoice& choice, bool start_notice) {
  if (choice.version != decode::Generation::Unset) version_ = choice.version;
  ++request_;
  listing_.reset();
  folder_records_.clear();
  list_->clearRows();
  list_->setEnabled(true);  // a preview replaced by this scan does not come back to enable it
  const QString path = QString::fromStdString(choice.database.string());
  tree_->reset(path);
  path_field_->setText(path);

  // Pages are loaded from file URLs, which must be absolute: a folder given relative to the
  // working folder is made absolute once, here.
  std::error_code unresolved;
  temp_folder_ = choice.temp_folder.empty() ? choice.temp_folder : fs::absolute(choice.temp_folder, unresolved);
  if (unresolved) temp_folder_ = choice.temp_folder;
  try {
    scan::create_private_folder(temp_folder_);
  } catch (const std::exception&) {
    // Never write into a folder someone else may control: take a fresh private one.
    try {
      temp_folder_ = scan::create_unique_private_folder(temp_folder_);
    } catch (const std::exception& failure) {
      status_pane_->setText(QString("No temporary folder could be made: %1").arg(failure.what()));
      temp_folder_.clear();
    }
  }
  if (start_notice) showNotice(start_page);
  setState(State::Scanning);
  stop_button_->setText("Stop");

  auto result = std::make_shared<ScanResult>();
  scan::ScanSettings settings;
  settings.database_file = choice.database;
  settings.generation = choice.version;
  settings.work_folder = scan::work_folder_for(choice.database);
  settings.temp_folder = temp_folder_;
  worker_.run(
      [this, settings, result](const ese::PassControl& control) mutable {
        std::optional<ese::Database> opened;
        if (settings.generation == decode::Generation::Unset) {
          scan::ExchangePick pick = scan::pick_exchange_version(settings.database_file);
          if (!pick.refusal.empty()) {
            result->outcome = scan::ScanOutcome::OpenFailed;
            result->refusal = pick.refusal;
            return;
          }
          settings.generation = pick.version;
          opened = std::move(pick.database);
        }
        result->version = settings.generation;
        std::error_code ignored;  // a work folder that cannot be made shows in the scan's own messages
        fs::create_directories(settings.work_folder, ignored);
        session_.settings = settings;
        scan::scan_store(session_, observer_, control, std::move(opened));
        result->outcome = session_.outcome;
        result->failure = session_.failure_reason;
        result->folders = folder_records(session_);
      },
      [this, result] {
        folder_records_ = result->folders;
        scanned_version_ = result->version;
        if (!result->refusal.empty()) {
          setState(State::OpenFailed);
          const QString refusal = QString::fromStdString(result->refusal);
          status_pane_->setText(refusal);
          prompt_(this, QMessageBox::Critical, refusal, "  " + product + "                 ", QMessageBox::Ok);
        } else if (result->outcome == scan::ScanOutcome::OpenFailed) {
          setState(State::OpenFailed);
          status_pane_->setText(QString::fromStdString(result->failure));
        } else {
          setState(State::Scanned);
        }
        emit scanFinished();
      });
}

void MainWindow::listFolder() {
  const auto item = tree_->treeItem(tree_->currentItem());
  if (!item || state_ != State::Scanned) return;
  progress_->setText("Loading ");
  list_->clearRows();
  listing_.reset();
  tree_->setEnabled(false);
  if (scanned_version_ == decode::Generation::V2007) list_->setEnabled(false);
  const uint64_t id = ++request_;
  auto folder_listing = std::make_shared<listing::FolderListing>();
  stop_button_->setText("Stop");
  worker_.run(
      [this, item = *item, folder_listing](const ese::PassControl& control) {
        const decode::DecodeContext ctx = listing::decode_context_for(session_);
        *folder_listing = listing::list_folder(session_, ctx, item, observer_, control);
      },
      [this, id, folder_listing] {
        tree_->setEnabled(true);
        list_->setEnabled(true);
        if (id != request_) return;
        listing_ = folder_listing;
        list_->appendRows(folder_listing->rows);
        if (!folder_listing->rows.empty()) list_->setFocus();
        emit listingFinished(static_cast<int>(folder_listing->rows.size()));
      });
}

void MainWindow::previewRow(int index) {
  const auto item = tree_->treeItem(tree_->currentItem());
  if (index < 0 || !listing_ || !item || scanned_version_ == decode::Generation::V2013) return;
  const listing::MessageListRow row = list_->row(index);
  if (row.message_id.empty()) return;
  tree_->setEnabled(false);
  list_->setEnabled(false);
  const uint64_t id = ++request_;
  auto page = std::make_shared<fs::path>();
  stop_button_->setText("Stop");
  worker_.run(
      [this, row, item = *item, folder_listing = listing_, temp = temp_folder_, page](const ese::PassControl& control) {
        decode::DecodeContext ctx = listing::decode_context_for(session_);
        listing::ensure_bodies_loaded(session_, ctx, item, observer_, control);
        const fs::path folder = scan::create_unique_private_folder(temp / "preview");
        const render::PreviewResult result =
            render::preview_message(session_, ctx, row, folder_listing->body_texts, folder, control);
        if (!result.stopped) *page = result.frame_page;
      },
      [this, id, page] {
        tree_->setEnabled(true);
        list_->setEnabled(true);
        if (id != request_ || page->empty()) return;
        preview_->showFile(*page);
        emit previewRendered(QString::fromStdString(page->string()));
      });
}

void MainWindow::stopOrResume() {
  if (stop_button_->text() == "Stop") {
    if (prompt_(this, QMessageBox::Question, "Do you want to sure stop recovery process ?",
                "  " + product + "               ", QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    stop_button_->setText("Resume");
    worker_.pause();
    showNotice(stopped_page);
  } else {
    if (prompt_(this, QMessageBox::Question, "Do you want to sure resume recovery process ?",
                "  " + product + "           ", QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    stop_button_->setText("Stop");
    worker_.resume();
    showNotice(resumed_page);
  }
}

std::vector<SaveMailBox> MainWindow::mailboxesToSave() const {
  return mailboxes_to_save(folder_records_,
                           [this](scan::TreeItem item) { return ui::FolderTree::GetCheck(tree_->widgetItem(item)); });
}

void MainWindow::saveMailbox() {
  if (mailboxesToSave().empty()) {
    prompt_(nullptr, QMessageBox::Warning, "Please select mailbox to continue the conversion process                ",
            "    " + product + "                           ", QMessageBox::Ok);
    return;
  }
  exporting::MailboxExportRequest request;
  request.checked = tree_->checkedItems();
  request.jobs = std::max(1u, std::thread::hardware_concurrency());
  openExportDialog(
      ExportDialog::Kind::WholeMailbox,
      [this, request](const ExportDialog::Choices& choices, const ese::PassControl& control,
                      exporting::ExportObserver& observer) mutable {
        request.destination = choices.destination;
        request.filter = choices.filter;
        request.format = choices.format;
        request.items = choices.items;
        return exporting::export_mailboxes(session_, request, control, observer);
      },
      scanned_version_ == decode::Generation::V2007 ? "Saving Folder - " : "Saving Mailbox ");
}

void MainWindow::exportSelected() {
  if (list_->checkedCount() == 0) {
    prompt_(nullptr, QMessageBox::Question, "Please select items to export", product + " ", QMessageBox::Ok);
    return;
  }
  const auto item = tree_->treeItem(tree_->currentItem());
  if (!item) return;
  exporting::SelectedItemsRequest request;
  request.folder = *item;
  for (const listing::MessageListRow& row : list_->checkedRows()) request.message_ids.push_back(row.message_id);
  openExportDialog(
      ExportDialog::Kind::SelectedItems,
      [this, request](const ExportDialog::Choices& choices, const ese::PassControl& control,
                      exporting::ExportObserver& observer) mutable {
        request.destination = choices.destination;
        request.filter = choices.filter;
        request.format = choices.format;
        return exporting::export_selected_messages(session_, request, control, observer);
      },
      "Saving ");
}

void MainWindow::openExportDialog(ExportDialog::Kind kind, ExportDialog::Export run, const QString& saving_text) {
  if (export_dialog_ && export_dialog_->running()) {
    export_dialog_->open();
    return;
  }
  delete export_dialog_;
  export_dialog_ = new ExportDialog(kind, worker_, std::move(run), prompt_, saving_text, this);
  // An export replaces a listing or preview still running, whose completion would have
  // enabled the tree and list again.
  connect(export_dialog_, &ExportDialog::exportFinished, this, [this] {
    tree_->setEnabled(true);
    list_->setEnabled(true);
  });
  export_dialog_->open();
}

bool MainWindow::confirmExit(const QString& text) {
  return prompt_(this, QMessageBox::Question, text, "  " + product + "              ",
                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!exit_confirmed_ && !confirmExit("Are you sure, you want to close..  ")) {
    event->ignore();
    return;
  }
  exit_confirmed_ = true;
  // The running job stops at its next record; its files are closed before the window goes.
  worker_.shutdown();
  event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::showAbout() {
  QMessageBox::about(this, "About Quorvine EDB to MBOX Converter",
                     "<b>Quorvine EDB to MBOX Converter</b><br>Version " QUORVINE_VERSION);
}

void MainWindow::showHelp() {
  const QStringList candidates = {
      QCoreApplication::applicationDirPath() + "/../share/doc/quorvine/README.md",
      QCoreApplication::applicationDirPath() + "/README.md",
#ifdef QUORVINE_SOURCE_README
      QStringLiteral(QUORVINE_SOURCE_README),
#endif
  };
  for (const QString& candidate : candidates) {
    QFile readme(candidate);
    if (!readme.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = readme.readAll();
    // cmark leaves raw HTML out by default, so the README cannot carry script into the page.
    char* html = cmark_markdown_to_html(text.constData(), static_cast<size_t>(text.size()), CMARK_OPT_DEFAULT);
    const fs::path page = (temp_folder_.empty() ? fs::path(QDir::tempPath().toStdString()) : temp_folder_) /
                          "quorvine-help.html";
    {
      std::ofstream out(page, std::ios::binary | std::ios::trunc);
      out << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Quorvine</title></head><body>" << html
          << "</body></html>";
    }
    std::free(html);
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
    return;
  }
  status_pane_->setText("The help (README.md) was not found beside the program.");
}

}  // namespace quorvine::app
