#include "app/window_observer.hpp"

namespace quorvine::app {

void WindowObserver::tree_item_added(const scan::AddedTreeItem& added) {
  emit treeItemAdded(added.item, added.parent, QString::fromStdString(added.label),
                     QString::fromStdString(added.folderClass));
}

}  // namespace quorvine::app
