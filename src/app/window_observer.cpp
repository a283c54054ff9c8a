#include "app/window_observer.hpp"

namespace quorvine::app {

void WindowObserver::tree_item_added(const scan::MailboxTree& tree, scan::TreeItem item) {
  // The node is copied here, on the scan's thread, while the tree cannot change under us.
  const scan::TreeNode& node = tree.node(item);
  emit treeItemAdded(item, node.parent, QString::fromStdString(node.label), QString::fromStdString(node.folderClass));
}

}  // namespace quorvine::app
