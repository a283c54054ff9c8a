#pragma once
// The check-box tree of the open store: the root (the database path), the mailboxes and
// their folders. A click on a check box checks or unchecks the item with everything below
// it, then settles every ancestor: checked and bold when all its children are checked;
// the direct parent stays bold while any of its children is bold.
#include <optional>
#include <string>
#include <vector>

#include <QTreeWidget>

#include "scan/mailbox_tree.hpp"

namespace quorvine::ui {

class FolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit FolderTree(QWidget* parent = nullptr);

  // Empties the tree and inserts the root item.
  void reset(const QString& root_label);
  // Adds the core's tree item `item` under the widget item of `parent` (items arrive in
  // the core's order, so the parent exists).
  void addItem(scan::TreeItem item, scan::TreeItem parent, const std::string& label, const std::string& folder_class);

  QTreeWidgetItem* widgetItem(scan::TreeItem item) const;
  // The core's tree item of a widget item; nothing for foreign items.
  std::optional<scan::TreeItem> treeItem(const QTreeWidgetItem* item) const;

  // What a click on the item's check box does.
  void clickCheckBox(QTreeWidgetItem* item);
  static bool GetCheck(const QTreeWidgetItem* item);
  static bool isBold(const QTreeWidgetItem* item);
  // Every checked core item, in display order.
  std::vector<scan::TreeItem> checkedItems() const;

  // The ancestors' labels, outermost first, each followed by a backslash.
  static QString GetFolderPathName(const QTreeWidgetItem* item);

 private:
  void onItemChanged(QTreeWidgetItem* item, int column);

  std::vector<QTreeWidgetItem*> items_;  // by core tree item
  bool propagating_ = false;
};

}  // namespace quorvine::ui
