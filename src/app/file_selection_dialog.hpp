#pragma once
// "File Open Dialog": the database file, the temporary folder and the Exchange version.
// "Next..." refuses a path that is not a file (M1) and a missing version (M2); the version
// chosen once stays chosen for later dialogs.
#include <filesystem>
#include <optional>

#include <QDialog>

#include "app/prompt.hpp"
#include "decode/generation.hpp"

class QLineEdit;
class QRadioButton;

namespace quorvine::app {

struct StoreChoice {
  std::filesystem::path database;
  decode::Generation version = decode::Generation::Unset;
  std::filesystem::path temp_folder;
};

class FileSelectionDialog : public QDialog {
  Q_OBJECT
 public:
  // `version` is the choice of an earlier dialog (Unset at first).
  FileSelectionDialog(decode::Generation version, Prompt prompt, QWidget* parent = nullptr);

  void setDatabase(const std::filesystem::path& database);
  void chooseVersion(decode::Generation version);
  void chooseTempRoot(const std::optional<std::filesystem::path>& root);
  // What "Next..." does; returns whether the dialog was accepted.
  bool next();

  StoreChoice choice() const { return choice_; }

 private:
  void browseDatabase();
  void searchDatabase();
  void browseTemp();

  Prompt prompt_;
  StoreChoice choice_;
  QLineEdit* database_field_;
  QLineEdit* temp_field_;
  QRadioButton* version_buttons_[3];
};

}  // namespace quorvine::app
