#include "scan/mailbox_tree.hpp"

#include <algorithm>

namespace quorvine::scan {
namespace {

std::string escape_label(std::string_view label) {
  std::string out;
  out.reserve(label.size());
  for (char c : label) {
    if (c == '/') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

MailboxTree::MailboxTree(std::string root_label) { clear(std::move(root_label)); }

void MailboxTree::clear(std::string root_label) {
  nodes_.clear();
  nodes_.push_back(TreeNode{std::move(root_label), {}, root_tree_item, {}});
}

TreeItem MailboxTree::add(TreeItem parent, std::string label, std::string folder_class) {
  if (parent >= nodes_.size()) parent = root_tree_item;
  const TreeItem item = nodes_.size();
  nodes_.push_back(TreeNode{std::move(label), std::move(folder_class), parent, {}});
  nodes_[parent].children.push_back(item);
  return item;
}

std::vector<TreeItem> MailboxTree::lineage(TreeItem item) const {
  std::vector<TreeItem> chain;
  // Parents always have smaller numbers than their children, so this walk ends.
  while (item != root_tree_item && item < nodes_.size()) {
    chain.push_back(item);
    item = nodes_[item].parent;
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

std::string MailboxTree::path_of(TreeItem item) const {
  std::string path;
  for (TreeItem step : lineage(item)) {
    if (!path.empty()) path += '/';
    path += escape_label(nodes_[step].label);
  }
  return path;
}

std::optional<TreeItem> MailboxTree::find_path(std::string_view path) const {
  // Depth-first in display order, so the first match is the one the tree shows first.
  std::vector<TreeItem> stack(nodes_.front().children.rbegin(), nodes_.front().children.rend());
  while (!stack.empty()) {
    const TreeItem item = stack.back();
    stack.pop_back();
    if (path_of(item) == path) return item;
    const auto& kids = nodes_[item].children;
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  return std::nullopt;
}

std::vector<std::string> MailboxTree::all_paths() const {
  std::vector<std::string> paths;
  std::vector<TreeItem> stack(nodes_.front().children.rbegin(), nodes_.front().children.rend());
  while (!stack.empty()) {
    const TreeItem item = stack.back();
    stack.pop_back();
    paths.push_back(path_of(item));
    const auto& kids = nodes_[item].children;
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  return paths;
}

}  // namespace quorvine::scan
