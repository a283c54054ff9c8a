#pragma once
// "Search EDB file": searches a folder (optionally its subfolders, optionally within a size
// window in KB) for *.edb files on a thread of its own, shows each find as it comes with the
// folder being searched, stops on "Cancel", and hands the chosen row back.
#include <filesystem>
#include <memory>
#include <thread>

#include <QDialog>

#include "app/prompt.hpp"
#include "discovery/file_finder.hpp"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace quorvine::app {

class SearchDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SearchDialog(Prompt prompt, QWidget* parent = nullptr);
  ~SearchDialog() override;

  void setSearchFolder(const QString& folder);
  void setSubfolders(bool on);
  void setSizeWindow(bool on, const QString& min_kb, const QString& max_kb);
  // What "Start Searching" / "Cancel" does.
  void startOrStop();
  bool searching() const { return searching_; }

  QString statusText() const;
  QTreeWidget* results() const { return results_; }
  // The database chosen with the last row click ("" after Cancel).
  std::filesystem::path chosen() const { return chosen_; }
  void chooseRow(int row);

 signals:
  void searchFinished(int count);

 private:
  void addRow(const QString& path);
  void showStatus(int count, const QString& folder);
  void ended(int count);

  Prompt prompt_;
  QLineEdit* folder_field_;
  QCheckBox* subfolders_box_;
  QCheckBox* size_box_;
  QLineEdit* min_field_;
  QLineEdit* max_field_;
  QPushButton* search_button_;
  QLabel* status_;
  QTreeWidget* results_;
  std::unique_ptr<discovery::FileFinder> finder_;
  std::jthread thread_;
  bool searching_ = false;
  int found_ = 0;
  std::filesystem::path chosen_;
};

}  // namespace quorvine::app
