#pragma once
// The message list of the selected folder: eleven columns of which the identifier, From,
// Subject, Date and the attachment flag show, a check box per row, and a check box in the
// first column's header that checks or unchecks every row and follows the rows' states.
#include <vector>

#include <QTreeWidget>

#include "listing/message_list_row.hpp"

namespace quorvine::ui {

class MessageList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit MessageList(QWidget* parent = nullptr);

  void clearRows();
  void appendRows(const std::vector<listing::MessageListRow>& rows);
  listing::MessageListRow row(int index) const;
  // The row that was clicked last, or -1.
  int selectionMark() const;

  int checkedCount() const;
  std::vector<listing::MessageListRow> checkedRows() const;
  void setRowChecked(int index, bool checked);
  bool isRowChecked(int index) const;

  // What a click on the first column's header does: flips the header box and sets every
  // row to its new state.
  void clickCheckAllHeader();
  bool headerChecked() const { return header_checked_; }

 signals:
  void rowClicked(int index);
  void exportRequested();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void onItemChanged(QTreeWidgetItem* item, int column);
  void setHeaderChecked(bool checked);
  void followRows();

  bool header_checked_ = false;
  bool bulk_ = false;
};

}  // namespace quorvine::ui
