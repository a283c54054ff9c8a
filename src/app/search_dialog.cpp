#include "app/search_dialog.hpp"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "discovery/path_info.hpp"
#include "ui/folder_icons.hpp"

namespace quorvine::app {

namespace fs = std::filesystem;

SearchDialog::SearchDialog(Prompt prompt, QWidget* parent) : QDialog(parent), prompt_(std::move(prompt)) {
  setWindowTitle("Search EDB file");
  ui::register_icons();
  setWindowIcon(QIcon(":/icons/search.png"));
  auto* layout = new QVBoxLayout(this);

  auto* define = new QGroupBox("Define search");
  auto* define_grid = new QGridLayout(define);
  define_grid->addWidget(new QLabel("Search Path :"), 0, 0);
  folder_field_ = new QLineEdit;
  define_grid->addWidget(folder_field_, 0, 1);
  auto* browse = new QPushButton("Browse");
  define_grid->addWidget(browse, 0, 2);
  layout->addWidget(define);

  auto* options = new QGroupBox("Search options");
  auto* options_grid = new QGridLayout(options);
  subfolders_box_ = new QCheckBox("Search in subdirectories");
  options_grid->addWidget(subfolders_box_, 0, 0, 1, 4);
  size_box_ = new QCheckBox("Size between (in KB) ...");
  options_grid->addWidget(size_box_, 1, 0);
  min_field_ = new QLineEdit("0");
  max_field_ = new QLineEdit("0");
  for (QLineEdit* field : {min_field_, max_field_}) {
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,12}"), field));
    field->setEnabled(false);
  }
  options_grid->addWidget(min_field_, 1, 1);
  options_grid->addWidget(new QLabel("and"), 1, 2);
  options_grid->addWidget(max_field_, 1, 3);
  layout->addWidget(options);

  auto* row = new QHBoxLayout;
  search_button_ = new QPushButton("Start Searching");
  status_ = new QLabel("0 items found");
  row->addWidget(search_button_);
  row->addWidget(status_, 1);
  layout->addLayout(row);

  results_ = new QTreeWidget;
  results_->setRootIsDecorated(false);
  results_->setAllColumnsShowFocus(true);
  results_->setHeaderLabels({"Name", "In Folder", "Size", "Modified"});
  const int widths[4] = {150, 200, 60, 120};
  for (int i = 0; i < 4; ++i) results_->setColumnWidth(i, widths[i]);
  layout->addWidget(results_, 1);

  auto* buttons = new QHBoxLayout;
  auto* select = new QPushButton("Select >>>");
  select->setDefault(true);
  auto* cancel = new QPushButton("Cancel");
  buttons->addStretch(1);
  buttons->addWidget(select);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  resize(600, 450);

  connect(browse, &QPushButton::clicked, this, [this] {
    folder_field_->setText(QFileDialog::getExistingDirectory(this, "Select a directory..."));
  });
  connect(size_box_, &QCheckBox::toggled, this, [this](bool on) {
    min_field_->setEnabled(on);
    max_field_->setEnabled(on);
  });
  connect(search_button_, &QPushButton::clicked, this, &SearchDialog::startOrStop);
  connect(results_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { chooseRow(item ? results_->indexOfTopLevelItem(item) : -1); });
  connect(select, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, [this] {
    chosen_.clear();
    reject();
  });
}

SearchDialog::~SearchDialog() {
  if (finder_) finder_->stop_search();
}

void SearchDialog::setSearchFolder(const QString& folder) { folder_field_->setText(folder); }
void SearchDialog::setSubfolders(bool on) { subfolders_box_->setChecked(on); }
void SearchDialog::setSizeWindow(bool on, const QString& min_kb, const QString& max_kb) {
  size_box_->setChecked(on);
  min_field_->setText(min_kb);
  max_field_->setText(max_kb);
}

QString SearchDialog::statusText() const { return status_->text(); }

void SearchDialog::startOrStop() {
  if (searching_) {
    finder_->stop_search();
    return;
  }
  if (folder_field_->text().isEmpty()) {
    prompt_(this, QMessageBox::Critical, "Please provide location where you want to search edb file",
            "Quorvine EDB to MBOX Converter", QMessageBox::Ok);
    return;
  }
  discovery::FileFinder::SearchOptions opts;
  opts.base_folder = folder_field_->text().toStdString();
  opts.file_mask = "*.edb";
  opts.subfolders = subfolders_box_->isChecked();
  opts.flags = discovery::FileFinder::find_attributes;
  opts.attributes = discovery::FileFinder::attribute_archive;
  if (size_box_->isChecked()) {
    // An empty field counts as 0.
    opts.flags |= discovery::FileFinder::find_size;
    opts.min_size = min_field_->text().toLongLong() * 1024;
    opts.max_size = max_field_->text().toLongLong() * 1024;
  }
  results_->clear();
  found_ = 0;
  status_->setText("0 items found");
  searching_ = true;
  search_button_->setText("Cancel");

  if (thread_.joinable()) thread_.join();
  finder_ = std::make_unique<discovery::FileFinder>();
  finder_->set_callback([this](discovery::FileFinder& finder, discovery::FileFinder::Event event) {
    using Event = discovery::FileFinder::Event;
    if (event == Event::Rejected) return;
    const QString folder = QString::fromStdString(finder.searching_folder().string());
    const int count = static_cast<int>(finder.file_count());
    QString path;
    if (event == Event::Accepted) path = QString::fromStdString(finder.file_path(finder.file_count() - 1).string());
    QMetaObject::invokeMethod(
        this,
        [this, path, count, folder] {
          if (!path.isEmpty()) addRow(path);
          showStatus(count, folder);
        },
        Qt::QueuedConnection);
  });
  thread_ = std::jthread([this, opts, finder = finder_.get()] {
    const int count = static_cast<int>(finder->find(opts));
    QMetaObject::invokeMethod(this, [this, count] { ended(count); }, Qt::QueuedConnection);
  });
}

void SearchDialog::addRow(const QString& path) {
  const discovery::FoundFile info(path.toStdString());
  const auto size = info.file_size();
  const auto time = info.last_write_time();
  auto* item = new QTreeWidgetItem(results_, {QString::fromStdString(info.file_name()),
                                              QString::fromStdString(info.location()),
                                              size ? QString::fromStdString(discovery::size_text(*size)) : QString(),
                                              time ? QString::fromStdString(discovery::modified_text(*time)) : QString()});
  item->setIcon(0, QIcon(":/icons/search.png"));
  ++found_;
}

void SearchDialog::showStatus(int count, const QString& folder) {
  if (searching_) status_->setText(QString("(%1) - %2").arg(count).arg(folder));
}

void SearchDialog::ended(int count) {
  if (thread_.joinable()) thread_.join();
  searching_ = false;
  search_button_->setText("Search");
  status_->setText(QString("%1 items found").arg(count));
  emit searchFinished(count);
}

void SearchDialog::chooseRow(int row) {
  const QTreeWidgetItem* item = results_->topLevelItem(row);
  if (!item) return;
  chosen_ = fs::path(item->text(1).toStdString()) / item->text(0).toStdString();
}

}  // namespace quorvine::app
