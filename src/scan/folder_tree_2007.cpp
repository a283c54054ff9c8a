#include "scan/folder_tree_2007.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

namespace quorvine::scan {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Levels of the path part of a sort key (before the first "+"): "/a" is 1, "/a/b" 2.
int path_depth(std::string_view sort_key) {
  const std::string_view path = sort_key.substr(0, sort_key.find('+'));
  return static_cast<int>(std::count(path.begin(), path.end(), '/'));
}

std::string without_slashes(std::string_view label) {
  std::string out;
  for (char c : label)
    if (c != '/') out += c;
  return out;
}

struct Level {
  TreeItem item = root_tree_item;
  std::string path;
  size_t record = 0;  // index into folders_2007
};

}  // namespace

std::string sortable_key(std::string_view sort_key) {
  std::string out;
  out.reserve(sort_key.size());
  for (char c : sort_key) {
    if (c == ',' || c == '?' || c == '(' || c == ')') continue;
    out += (c == '%' || c == '.') ? '_' : c;
  }
  return out;
}

bool sort_key_less(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(lower(a[i]));
    const auto y = static_cast<unsigned char>(lower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

void build_folder_tree_2007(ScanSession& session, ScanObserver& observer,
                            const MailboxRecord& mailbox) {
  struct Entry {
    std::string key;
    size_t folder;  // index into folder_records
  };
  std::vector<Entry> entries;
  for (size_t i = 0; i < session.folder_records.size(); ++i)
    if (session.folder_records[i].mailboxId == mailbox.mailboxId)
      entries.push_back({sortable_key(session.folder_records[i].sortKey), i});
  // Stable, like the repeated-pass bubble sort it stands for.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return sort_key_less(a.key, b.key); });

  std::array<std::optional<Level>, max_folder_depth_2007 + 1> levels;
  std::unordered_map<std::string, Level> placed;  // folder identifier -> its level record
  size_t too_deep = 0;

  for (const Entry& entry : entries) {
    const FolderRecord2007& folder = session.folder_records[entry.folder];
    const int key_depth = path_depth(entry.key);
    if (key_depth == 0) continue;  // the store's root and folders without a path
    const std::string label = without_slashes(folder.displayName);

    TreeItem parent_item = mailbox.treeItem;
    std::string parent_path;
    int depth = 1;
    const auto parent = folder.parentId.empty() ? placed.end() : placed.find(folder.parentId);
    if (parent != placed.end()) {
      const Folder2007& up = session.folders_2007[parent->second.record];
      parent_item = up.treeItem;
      parent_path = up.folderPath;
      depth = up.depth + 1;
    } else if (key_depth > 1) {
      // Parent unknown: the latest folder of the level above, or the nearest level that has one.
      int above = std::min(key_depth, max_folder_depth_2007 + 1) - 1;
      while (above > 0 && !levels[above]) --above;
      if (above > 0) {
        parent_item = levels[above]->item;
        parent_path = levels[above]->path;
      }
      depth = key_depth > max_folder_depth_2007 ? key_depth : above + 1;
    }
    if (depth > max_folder_depth_2007) {
      ++too_deep;
      continue;
    }

    observer.status("Status: (Step 4/7) Rebuild mailbox folders informations ( " + label + ")");
    const TreeItem item = session.tree.add(parent_item, label, folder.folderClass);
    observer.tree_item_added(session.tree.added(item));
    Folder2007 record;
    record.mailboxId = mailbox.mailboxId;
    record.mailboxName = mailbox.displayName;
    record.ownerName = mailbox.ownerName;
    record.folderId = folder.folderId;
    record.folderName = label;
    record.folderClass = folder.folderClass;
    record.treeItem = item;
    record.folderPath = parent_path + "\\" + label;
    record.recordNumber = folder.recordNumber;
    record.depth = depth;
    record.messageCount = folder.messageCount;
    const Level level{item, record.folderPath, session.folders_2007.size()};
    session.folders_2007.push_back(std::move(record));
    levels[depth] = level;
    for (int deeper = depth + 1; deeper <= max_folder_depth_2007; ++deeper) levels[deeper].reset();
    if (!folder.folderId.empty()) placed.try_emplace(folder.folderId, level);
  }
  if (too_deep > 0) {
    const std::string text = std::to_string(too_deep) + " folder(s) of mailbox \"" +
                             mailbox.displayName + "\" lie deeper than " +
                             std::to_string(max_folder_depth_2007) + " levels and were left out";
    session.warnings.push_back(text);
    observer.warning(text);
  }
}

}  // namespace quorvine::scan
