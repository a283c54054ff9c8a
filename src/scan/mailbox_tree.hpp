#pragma once
// The mailbox and folder tree the scan builds: the core's own model of the window's check-box
// tree. Item 0 is the root, labelled with the database path; items are never removed until
// the next scan clears the tree, so an item number stays valid for the whole session.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::scan {

using TreeItem = size_t;
inline constexpr TreeItem root_tree_item = 0;

struct TreeNode {
  std::string label;
  std::string folderClass;  // "" for the root and mailboxes
  TreeItem parent = root_tree_item;
  std::vector<TreeItem> children;  // in insertion (display) order
};

// What an observer learns of a newly added item: a copy, so a front end on another thread
// never reads the tree while the scan is still adding to it.
struct AddedTreeItem {
  TreeItem item = root_tree_item;
  TreeItem parent = root_tree_item;
  std::string label;
  std::string folderClass;
};

class MailboxTree {
 public:
  explicit MailboxTree(std::string root_label = {});

  void clear(std::string root_label);
  TreeItem add(TreeItem parent, std::string label, std::string folder_class);

  const TreeNode& node(TreeItem item) const { return nodes_.at(item); }
  AddedTreeItem added(TreeItem item) const {
    const TreeNode& n = node(item);
    return {item, n.parent, n.label, n.folderClass};
  }
  const TreeNode& root() const { return nodes_.front(); }
  size_t size() const { return nodes_.size(); }
  // Items from the mailbox level down to `item`, root excluded.
  std::vector<TreeItem> lineage(TreeItem item) const;

  // The folder path of an item: labels below the root joined by "/", a "/" inside a label
  // written "\/" ("Mailbox/Inbox/Sub").
  std::string path_of(TreeItem item) const;
  // The first item (in display order) whose path is `path`.
  std::optional<TreeItem> find_path(std::string_view path) const;
  // Every path of the tree below the root, in display order.
  std::vector<std::string> all_paths() const;

 private:
  std::vector<TreeNode> nodes_;
};

}  // namespace quorvine::scan
