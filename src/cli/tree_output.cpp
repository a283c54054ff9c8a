#include "cli/tree_output.hpp"

#include <vector>

namespace quorvine::cli {

nlohmann::ordered_json tree_to_json(const scan::MailboxTree& tree) {
  // Built bottom-up: children always have larger item numbers than their parents.
  std::vector<nlohmann::ordered_json> nodes(tree.size());
  for (size_t item = tree.size(); item-- > 1;) {
    const scan::TreeNode& node = tree.node(item);
    nlohmann::ordered_json children = nlohmann::ordered_json::array();
    for (scan::TreeItem child : node.children) children.push_back(std::move(nodes[child]));
    nodes[item] = {{"label", node.label}, {"class", node.folderClass}, {"children", std::move(children)}};
  }
  nlohmann::ordered_json top = nlohmann::ordered_json::array();
  for (scan::TreeItem child : tree.root().children) top.push_back(std::move(nodes[child]));
  return top;
}

std::string tree_to_text(const scan::MailboxTree& tree) {
  std::string out = tree.root().label + "\n";
  struct Step {
    scan::TreeItem item;
    size_t depth;
  };
  std::vector<Step> stack;
  const auto& top = tree.root().children;
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back({*it, 1});
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    const scan::TreeNode& node = tree.node(step.item);
    out.append(step.depth * 2, ' ');
    out += node.label;
    if (!node.folderClass.empty()) out += " [" + node.folderClass + "]";
    out += '\n';
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
      stack.push_back({*it, step.depth + 1});
  }
  return out;
}

}  // namespace quorvine::cli
