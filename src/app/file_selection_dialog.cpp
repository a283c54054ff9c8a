#include "app/file_selection_dialog.hpp"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/search_dialog.hpp"
#include "scan/work_folders.hpp"

namespace quorvine::app {

namespace fs = std::filesystem;

FileSelectionDialog::FileSelectionDialog(decode::Generation version, Prompt prompt, QWidget* parent)
    : QDialog(parent), prompt_(std::move(prompt)) {
  setWindowTitle("File Open Dialog");
  choice_.version = version;
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Please Select Exchange Database (*.edb) File"), 0, 0, 1, 3);
  grid->addWidget(new QLabel("Select Exchange Database"), 1, 0, 1, 3);
  database_field_ = new QLineEdit;
  database_field_->setEnabled(false);
  grid->addWidget(database_field_, 2, 0);
  auto* browse = new QPushButton("Browse");
  grid->addWidget(browse, 2, 1);
  auto* search = new QPushButton("Search EDB file");
  grid->addWidget(search, 2, 2);
  grid->addWidget(new QLabel("Temp file location"), 3, 0, 1, 3);
  temp_field_ = new QLineEdit;
  temp_field_->setEnabled(false);
  grid->addWidget(temp_field_, 4, 0);
  auto* browse_temp = new QPushButton("Browse");
  grid->addWidget(browse_temp, 4, 1);
  grid->addWidget(new QLabel("Exchange Server type files."), 5, 0, 1, 3);
  const char* captions[3] = {"Exchange Server 5.5/2000/2003/2007", "Exchange Server 2010", "Exchange Server 2013"};
  const decode::Generation versions[3] = {decode::Generation::V2007, decode::Generation::V2010,
                                             decode::Generation::V2013};
  for (int i = 0; i < 3; ++i) {
    version_buttons_[i] = new QRadioButton(captions[i]);
    grid->addWidget(version_buttons_[i], 6 + i, 0, 1, 3);
    connect(version_buttons_[i], &QRadioButton::clicked, this, [this, v = versions[i]] { choice_.version = v; });
  }
  auto* next_button = new QPushButton("Next...");
  next_button->setDefault(true);
  auto* cancel = new QPushButton("Cancel");
  grid->addWidget(next_button, 9, 1);
  grid->addWidget(cancel, 9, 2);

  connect(browse, &QPushButton::clicked, this, &FileSelectionDialog::browseDatabase);
  connect(search, &QPushButton::clicked, this, &FileSelectionDialog::searchDatabase);
  connect(browse_temp, &QPushButton::clicked, this, &FileSelectionDialog::browseTemp);
  connect(next_button, &QPushButton::clicked, this, &FileSelectionDialog::next);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  chooseTempRoot(std::nullopt);
}

void FileSelectionDialog::setDatabase(const fs::path& database) {
  choice_.database = database;
  database_field_->setText(QString::fromStdString(database.string()));
}

void FileSelectionDialog::chooseVersion(decode::Generation version) {
  const int index = version == decode::Generation::V2007 ? 0 : version == decode::Generation::V2010 ? 1 : 2;
  version_buttons_[index]->click();
}

void FileSelectionDialog::chooseTempRoot(const std::optional<fs::path>& root) {
  choice_.temp_folder = scan::temp_folder(root);
  temp_field_->setText(QString::fromStdString(choice_.temp_folder.string()));
}

bool FileSelectionDialog::next() {
  const QString caption = "Quorvine EDB to MBOX Converter ";
  std::error_code error;
  if (choice_.database.empty() || !fs::is_regular_file(choice_.database, error)) {
    prompt_(this, QMessageBox::Critical, "Please select valid file", caption, QMessageBox::Ok);
    return false;
  }
  if (choice_.version == decode::Generation::Unset) {
    prompt_(this, QMessageBox::Critical, "Please select which exchange version of edb file", caption,
            QMessageBox::Ok);
    return false;
  }
  accept();
  return true;
}

void FileSelectionDialog::browseDatabase() {
  const QString file = QFileDialog::getOpenFileName(this, "Select Microsoft Exchange Database File...", QString(),
                                                    "Microsoft Exchange Database  File (*edb) (*.edb)");
  if (!file.isEmpty()) setDatabase(file.toStdString());
}

void FileSelectionDialog::searchDatabase() {
  SearchDialog search(prompt_, this);
  if (search.exec() == QDialog::Accepted && !search.chosen().empty()) setDatabase(search.chosen());
}

void FileSelectionDialog::browseTemp() {
  const QString folder = QFileDialog::getExistingDirectory(this, "Select the Temp Path");
  if (folder.isEmpty()) return;
  chooseTempRoot(fs::path(folder.toStdString()));
}

}  // namespace quorvine::app
