#include "app/export_dialog.hpp"

#include <algorithm>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "ui/text_progress_bar.hpp"

namespace quorvine::app {

namespace {

const QString product = "Quorvine EDB to MBOX Converter";
const QString aborted_line = "Saving Process Aborted By User";

QLineEdit* read_only_field() {
  auto* field = new QLineEdit;
  field->setReadOnly(true);
  return field;
}

}  // namespace

ExportDialog::ExportDialog(Kind kind, SessionWorker& worker, Export run, Prompt prompt, const QString& saving_text,
                           QWidget* parent)
    : QDialog(parent), kind_(kind), worker_(worker), run_(std::move(run)), prompt_(std::move(prompt)),
      saving_text_(saving_text), bridge_(this) {
  const bool whole = kind_ == Kind::WholeMailbox;
  setWindowTitle(whole ? "Export Items" : "Export to MBOX");
  setModal(true);

  auto* column = new QVBoxLayout(this);
  if (!whole) column->addWidget(new QLabel("Convert message(s) in MBOX format"));
  auto* destination = new QHBoxLayout;
  if (whole) destination->addWidget(new QLabel("Destination Path: "));
  destination_field_ = read_only_field();
  destination->addWidget(destination_field_, 1);
  auto* browse_button = new QPushButton("Browse");
  destination->addWidget(browse_button);
  column->addLayout(destination);

  if (whole) {
    auto* fields = new QGridLayout;
    mailbox_field_ = read_only_field();
    folder_field_ = read_only_field();
    items_field_ = read_only_field();
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"MailBox Name :", mailbox_field_}, {"Folder Path :", folder_field_}, {"Folder Items:", items_field_}};
    int r = 0;
    for (const auto& [label, field] : rows) {
      auto* caption = new QLabel(label);
      QFont font = caption->font();
      font.setPointSize(14);
      caption->setFont(font);
      caption->setStyleSheet("color: navy");
      fields->addWidget(caption, r, 0);
      fields->addWidget(field, r++, 1);
    }
    column->addLayout(fields);
  }

  auto* filter = new QHBoxLayout;
  filter_box_ = new QCheckBox("Message Filter:");
  from_date_ = new QDateTimeEdit(QDateTime::currentDateTime());
  to_date_ = new QDateTimeEdit(QDateTime::currentDateTime());
  for (QDateTimeEdit* picker : {from_date_, to_date_}) {
    picker->setCalendarPopup(true);
    picker->setEnabled(false);
  }
  filter->addWidget(filter_box_);
  filter->addWidget(new QLabel("From Date:"));
  filter->addWidget(from_date_);
  filter->addWidget(new QLabel("To Date : "));
  filter->addWidget(to_date_);
  column->addLayout(filter);

  auto* output = new QHBoxLayout;
  output->addWidget(new QLabel("Format:"));
  format_box_ = new QComboBox;
  format_box_->addItem("MBOX", "mbox");
  format_box_->addItem("Maildir", "maildir");
  format_box_->addItem("EML files", "eml");
  output->addWidget(format_box_);
  if (whole) {
    output->addSpacing(16);
    output->addWidget(new QLabel("Items:"));
    const std::pair<exporting::ItemGroup, const char*> kinds[] = {{exporting::ItemGroup::Mail, "Mail"},
                                                                  {exporting::ItemGroup::Contacts, "Contacts"},
                                                                  {exporting::ItemGroup::Calendar, "Calendar"},
                                                                  {exporting::ItemGroup::Tasks, "Tasks"},
                                                                  {exporting::ItemGroup::Notes, "Notes"}};
    for (const auto& [group, label] : kinds) {
      auto* box = new QCheckBox(label);
      box->setChecked(true);
      output->addWidget(box);
      kind_boxes_.emplace_back(group, box);
    }
  }
  output->addStretch(1);
  column->addLayout(output);

  log_area_ = new QTextEdit;
  log_area_->setReadOnly(true);
  column->addWidget(log_area_, 1);
  progress_ = new ui::TextProgressBar;
  column->addWidget(progress_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  start_button_ = new QPushButton(startText());
  exit_button_ = new QPushButton("Exit");
  buttons->addWidget(start_button_);
  buttons->addWidget(exit_button_);
  column->addLayout(buttons);
  resize(640, 480);

  connect(browse_button, &QPushButton::clicked, this, &ExportDialog::browse);
  connect(filter_box_, &QCheckBox::toggled, this, [this](bool on) {
    from_date_->setEnabled(on);
    to_date_->setEnabled(on);
  });
  connect(start_button_, &QPushButton::clicked, this, &ExportDialog::startExport);
  connect(exit_button_, &QPushButton::clicked, this, &ExportDialog::exitOrAbort);
  connect(&bridge_, &ExportObserverBridge::logLinesWaiting, this, &ExportDialog::appendExportLines,
          Qt::QueuedConnection);
  connect(
      &bridge_, &ExportObserverBridge::folderStarted, this,
      [this](const QString& mailbox, const QString& path) {
        if (mailbox_field_) mailbox_field_->setText(mailbox);
        if (folder_field_) folder_field_->setText(path);
      },
      Qt::QueuedConnection);
  connect(
      &bridge_, &ExportObserverBridge::progressed, this,
      [this](quint64 done, quint64 total) {
        total_ = static_cast<qint64>(total);
        progress_->setRange(0, total_);
        progress_->setPosition(static_cast<qint64>(done));
        if (items_field_) items_field_->setText(QString::number(done));
      },
      Qt::QueuedConnection);
}

QString ExportDialog::startText() const {
  return kind_ == Kind::WholeMailbox ? "Start Export !" : "Start Export";
}

void ExportDialog::browse() {
  const QString folder =
      QFileDialog::getExistingDirectory(this, "Select the Temp Path", destination_, QFileDialog::ShowDirsOnly);
  if (!folder.isEmpty()) chooseDestination(folder);
}

void ExportDialog::chooseDestination(const QString& folder) {
  QDir().mkpath(folder);
  destination_ = folder;
  destination_field_->setText(kind_ == Kind::WholeMailbox ? QDir(folder).filePath("QuorvineRec") : folder);
}

void ExportDialog::setDateFilter(bool on, const QDateTime& from, const QDateTime& to) {
  filter_box_->setChecked(on);
  from_date_->setDateTime(from);
  to_date_->setDateTime(to);
}

void ExportDialog::setFormat(exporting::OutputFormat format) {
  format_box_->setCurrentIndex(format_box_->findData(QString::fromLatin1(exporting::to_string(format).data(), static_cast<int>(exporting::to_string(format).size()))));
}

void ExportDialog::setItems(const exporting::ItemSelection& items) {
  for (const auto& [group, box] : kind_boxes_) box->setChecked(items.wants(group));
}

void ExportDialog::appendToLog(const QString& text, const QColor& colour) {
  log_.push_back({text, colour});
  QTextCursor cursor(log_area_->document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(colour);
  cursor.insertText(text + "\n", format);
  log_area_->verticalScrollBar()->setValue(log_area_->verticalScrollBar()->maximum());
}

void ExportDialog::appendExportLines() {
  const QStringList lines = bridge_.takeLogLines();
  if (lines.isEmpty()) return;
  // One edit and one scroll for the whole batch keep the window thread free.
  QTextCursor cursor(log_area_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  for (const QString& text : lines) {
    // The selected-items log alternates by exported row, the mailbox log by its line count.
    QColor colour;
    if (kind_ == Kind::SelectedItems)
      colour = export_lines_ % 2 == 0 ? QColor(0, 125, 255) : QColor(153, 51, 255);
    else
      colour = log_.size() % 2 == 0 ? QColor(200, 200, 200) : QColor(130, 180, 100);
    ++export_lines_;
    log_.push_back({text, colour});
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(text + "\n", format);
  }
  cursor.endEditBlock();
  log_area_->verticalScrollBar()->setValue(log_area_->verticalScrollBar()->maximum());
}

void ExportDialog::startExport() {
  if (running_) return;
  if (destination_.isEmpty()) {
    // Without a destination the output would land wherever the process happens to be.
    prompt_(this, QMessageBox::Warning, "Please select destination path?", product, QMessageBox::Ok);
    return;
  }
  Choices choices;
  choices.destination = std::filesystem::path(destination_.toStdString());
  if (filter_box_->isChecked())
    choices.filter = exporting::DateRange{static_cast<std::time_t>(from_date_->dateTime().toSecsSinceEpoch()),
                                          static_cast<std::time_t>(to_date_->dateTime().toSecsSinceEpoch())};
  choices.format = exporting::parse_output_format(format_box_->currentData().toString().toStdString())
                       .value_or(exporting::OutputFormat::Mbox);
  for (const auto& [group, box] : kind_boxes_) choices.items.set(group, box->isChecked());
  running_ = true;
  abort_requested_ = false;
  export_lines_ = 0;
  total_ = 0;
  start_button_->setText("Under process");
  start_button_->setEnabled(false);
  exit_button_->setText("Abort");
  progress_->setRange(0, 0);
  progress_->setPosition(0);
  progress_->setText(saving_text_);

  auto summary = std::make_shared<exporting::ExportSummary>();
  auto failure = std::make_shared<QString>();
  worker_.run(
      [this, choices, summary, failure](const ese::PassControl& control) {
        ese::PassControl with_progress = control;
        with_progress.progress = &bridge_;
        try {
          *summary = run_(choices, with_progress, bridge_);
        } catch (const std::exception& error) {
          *failure = QString::fromStdString(error.what());
        }
      },
      [this, summary, failure] { finished(*summary, *failure); });
}

void ExportDialog::finished(const exporting::ExportSummary& summary, const QString& failure) {
  running_ = false;
  for (const std::string& line : summary.failures) appendToLog(QString::fromStdString(line), QColor(200, 0, 0));
  if (!failure.isEmpty()) appendToLog(failure, QColor(200, 0, 0));
  const QString caption = kind_ == Kind::WholeMailbox ? product + " " : product;
  if (abort_requested_ || summary.aborted) {
    progress_->setText("Aborted Saving ");
    prompt_(this, QMessageBox::Information, "Abort process has been successfully completed", caption,
            QMessageBox::Ok);
  } else if (!summary.refused.empty() || !failure.isEmpty()) {
    // Nothing was written: saying "Save Successfully" would report a failure as success.
    const QString why = summary.refused.empty() ? failure : QString::fromStdString(summary.refused);
    progress_->setText("Not saved ");
    prompt_(this, QMessageBox::Warning, "Nothing was saved: " + why, caption, QMessageBox::Ok);
  } else if (summary.lost_anything()) {
    progress_->setText("Completed ");
    prompt_(this, QMessageBox::Warning,
            "Saved, but some items could not be exported; the log names them.", caption, QMessageBox::Ok);
  } else {
    // A run without items is as complete as any other.
    progress_->setRange(0, std::max<qint64>(total_, 1));
    progress_->setPosition(std::max<qint64>(total_, 1));
    progress_->setText("Completed ");
    prompt_(this, QMessageBox::Information, "Save Successfully", caption, QMessageBox::Ok);
  }
  start_button_->setText(startText());
  start_button_->setEnabled(true);
  exit_button_->setText("Exit");
  emit exportFinished();
}

void ExportDialog::exitOrAbort() {
  if (!running_) {
    QDialog::reject();
    return;
  }
  if (abort_requested_) return;
  const QString caption = kind_ == Kind::WholeMailbox ? product : product + " v1.0";
  if (prompt_(this, QMessageBox::Question, "Do you want to stop process ?       ", caption,
              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  abort_requested_ = true;
  appendToLog(aborted_line, QColor(200, 200, 200));
  worker_.stop();
}

// Escape and the title bar's close act as the second button: a running export is never
// left behind by a closed dialog.
void ExportDialog::reject() { exitOrAbort(); }

}  // namespace quorvine::app
