#pragma once
// Which mailboxes "Save Mailbox" exports: those with a checked folder, the first record of
// each mailbox kept, in the reverse order of their last checked folder record.
#include <string>
#include <vector>

#include "scan/scan_records.hpp"

namespace quorvine::app {

struct SaveMailBox {
  std::string name;
  std::string mailboxId;
};

// One folder record of the finished scan, as the window keeps it.
struct FolderRecord {
  scan::TreeItem treeItem = scan::root_tree_item;
  std::string mailboxName;
  std::string mailboxId;
};

// `checked` says whether a tree item is checked.
template <typename IsChecked>
std::vector<SaveMailBox> mailboxes_to_save(const std::vector<FolderRecord>& records, IsChecked checked) {
  std::vector<SaveMailBox> dump;
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (!it->mailboxName.empty() && checked(it->treeItem)) dump.push_back({it->mailboxName, it->mailboxId});
  // Head insertion then duplicates removed from the head: the first of each mailbox stays.
  std::vector<SaveMailBox> unique;
  for (const auto& entry : dump) {
    bool seen = false;
    for (const auto& kept : unique) seen = seen || kept.mailboxId == entry.mailboxId;
    if (!seen) unique.push_back(entry);
  }
  return unique;
}

}  // namespace quorvine::app
