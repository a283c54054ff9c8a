#include "ui/folder_tree.hpp"

#include <functional>

#include "ui/folder_icons.hpp"

namespace quorvine::ui {
namespace {

constexpr int tree_item_role = Qt::UserRole + 1;

void set_bold(QTreeWidgetItem* item, bool bold) {
  QFont font = item->font(0);
  if (font.bold() == bold) return;
  font.setBold(bold);
  item->setFont(0, font);
}

void set_checked(QTreeWidgetItem* item, bool checked) {
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  set_bold(item, checked);
}

void set_subtree(QTreeWidgetItem* item, bool checked) {
  set_checked(item, checked);
  for (int i = 0; i < item->childCount(); ++i) set_subtree(item->child(i), checked);
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIconSize({16, 16});
  setUniformRowHeights(true);
  setRootIsDecorated(true);
  connect(this, &QTreeWidget::itemChanged, this, &FolderTree::onItemChanged);
}

void FolderTree::reset(const QString& root_label) {
  const QSignalBlocker quiet(this);
  clear();
  items_.clear();
  auto* root = new QTreeWidgetItem(this, {root_label});
  root->setFlags(root->flags() | Qt::ItemIsUserCheckable);
  root->setCheckState(0, Qt::Unchecked);
  root->setIcon(0, folder_icons().value(0));
  root->setData(0, tree_item_role, QVariant::fromValue<qulonglong>(scan::root_tree_item));
  items_.push_back(root);
}

void FolderTree::addItem(scan::TreeItem item, scan::TreeItem parent, const std::string& label,
                         const std::string& folder_class) {
  QTreeWidgetItem* parent_item = widgetItem(parent);
  if (!parent_item || item == scan::root_tree_item) return;
  const QSignalBlocker quiet(this);
  auto* added = new QTreeWidgetItem(parent_item, {QString::fromStdString(label)});
  added->setFlags(added->flags() | Qt::ItemIsUserCheckable);
  added->setCheckState(0, Qt::Unchecked);
  added->setIcon(0, folder_icons().value(folder_icon_index(label, folder_class)));
  added->setData(0, tree_item_role, QVariant::fromValue<qulonglong>(item));
  if (items_.size() <= item) items_.resize(item + 1, nullptr);
  items_[item] = added;
  items_.front()->setExpanded(true);
}

QTreeWidgetItem* FolderTree::widgetItem(scan::TreeItem item) const {
  return item < items_.size() ? items_[item] : nullptr;
}

std::optional<scan::TreeItem> FolderTree::treeItem(const QTreeWidgetItem* item) const {
  if (!item) return std::nullopt;
  const QVariant value = item->data(0, tree_item_role);
  if (!value.isValid()) return std::nullopt;
  return static_cast<scan::TreeItem>(value.toULongLong());
}

bool FolderTree::GetCheck(const QTreeWidgetItem* item) { return item && item->checkState(0) == Qt::Checked; }

bool FolderTree::isBold(const QTreeWidgetItem* item) { return item && item->font(0).bold(); }

void FolderTree::clickCheckBox(QTreeWidgetItem* item) {
  if (item) item->setCheckState(0, GetCheck(item) ? Qt::Unchecked : Qt::Checked);
}

void FolderTree::onItemChanged(QTreeWidgetItem* item, int column) {
  if (propagating_ || column != 0) return;
  propagating_ = true;
  const QSignalBlocker quiet(this);
  set_subtree(item, GetCheck(item));
  for (QTreeWidgetItem* ancestor = item->parent(); ancestor; ancestor = ancestor->parent()) {
    bool all = true;
    for (int i = 0; i < ancestor->childCount() && all; ++i) all = GetCheck(ancestor->child(i));
    set_checked(ancestor, all);
  }
  if (QTreeWidgetItem* parent = item->parent()) {
    bool any_bold = false;
    for (int i = 0; i < parent->childCount() && !any_bold; ++i) any_bold = isBold(parent->child(i));
    set_bold(parent, any_bold);
  }
  propagating_ = false;
  viewport()->update();
}

std::vector<scan::TreeItem> FolderTree::checkedItems() const {
  std::vector<scan::TreeItem> checked;
  std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
    if (GetCheck(item))
      if (auto core = treeItem(item)) checked.push_back(*core);
    for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
  };
  for (int i = 0; i < topLevelItemCount(); ++i) walk(topLevelItem(i));
  return checked;
}

QString FolderTree::GetFolderPathName(const QTreeWidgetItem* item) {
  QString path;
  for (const QTreeWidgetItem* ancestor = item ? item->parent() : nullptr; ancestor; ancestor = ancestor->parent())
    path.prepend(ancestor->text(0) + "\\");
  return path;
}

}  // namespace quorvine::ui
