#include "edbgen/manifest_tree.hpp"

#include <algorithm>
#include <map>

#include "edbgen/exchange_ids.hpp"
#include "edbgen/exchange_url.hpp"
#include "edbgen/manifest_rows.hpp"

namespace edbgen {
namespace {

constexpr size_t kMaxDepth2007 = 26;

std::string lower_ascii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// One "Folders" record of a 2003/2007 store, as the layout writes it.
struct FolderRecord {
  const Folder* folder;
  uint64_t parent_id;
  size_t record;
  std::string url_path;
};

void collect_2007(const Folder& f, uint64_t parent, const std::string& parent_path, size_t& record,
                  std::vector<FolderRecord>& out) {
  const std::string path = parent_path + "/" + url_segment(f.name);
  out.push_back({&f, parent, record++, path});
  for (const Folder& c : f.children) collect_2007(c, f.id, path, record, out);
}

struct Placed2007 {
  const FolderRecord* rec;
  std::string key;  // transformed for sorting
  size_t depth;
};

std::vector<TreeNode> place_2007(const std::vector<FolderRecord>& records) {
  std::map<uint64_t, Placed2007> placed;
  for (const FolderRecord& r : records) {
    std::string key = folder_sort_key_2007(r.url_path, tree_folder_class(r.folder->container_class),
                                           r.record, r.folder->id);
    if (key.find("/Finder") != std::string::npos) continue;
    key = replace_all(key, "%", "_");
    key = replace_all(key, ".", "_");
    for (const char* gone : {",", "?", "(", ")"}) key = replace_all(key, gone, "");
    const size_t depth = static_cast<size_t>(std::count(key.begin(), key.end(), '/'));
    if (depth == 0 || depth > kMaxDepth2007) continue;
    placed.emplace(r.folder->id, Placed2007{&r, lower_ascii(key), depth});
  }
  // Children by parent; a folder whose parent is not placed goes directly under the mailbox.
  std::map<uint64_t, std::vector<const Placed2007*>> children;
  for (const auto& [id, p] : placed) {
    const uint64_t parent = placed.count(p.rec->parent_id) ? p.rec->parent_id : 0;
    children[parent].push_back(&p);
  }
  for (auto& [parent, list] : children)
    std::stable_sort(list.begin(), list.end(),
                     [](const Placed2007* a, const Placed2007* b) {
                       if (a->key != b->key) return a->key < b->key;
                       return a->rec->record < b->rec->record;
                     });
  std::vector<TreeNode> top;
  auto build = [&](auto&& self, uint64_t parent, std::vector<TreeNode>& into) -> void {
    const auto it = children.find(parent);
    if (it == children.end()) return;
    for (const Placed2007* p : it->second) {
      const Folder& f = *p->rec->folder;
      std::string label =
          f.name.empty() ? "Unknown" + std::to_string(p->rec->record) : f.name;
      label = replace_all(label, "/", "");
      TreeNode node{label, tree_folder_class(f.container_class), &f, {}};
      self(self, f.id, node.children);
      into.push_back(std::move(node));
    }
  };
  build(build, 0, top);
  return top;
}

void place_2010(const std::vector<Folder>& folders, std::vector<TreeNode>& into) {
  for (const Folder& f : folders) {
    const std::string label = replace_all(f.name, "Public Folder", "Public_Folder");
    if (label.empty() || label == "Restriction") continue;
    TreeNode node{label, tree_folder_class(f.container_class), &f, {}};
    place_2010(f.children, node.children);
    into.push_back(std::move(node));
  }
}

}  // namespace

std::string folder_sort_key_2007(const std::string& url_path, const std::string& folder_class,
                                 size_t record_number, uint64_t folder_id) {
  std::string path = url_path.empty() ? "/Unknown" + std::to_string(record_number) : url_path;
  path = replace_all(path, "/NON_IPM_SUBTREE", "");
  if (path == "/") return "";
  path = replace_all(path, "%23", "#");
  path = replace_all(path, "%2B", "-");
  path = replace_all(path, "+", " ");
  return path + "+" + folder_class + "+" + std::to_string(record_number) + "+" +
         identifier_text(folder_id);
}

std::string path_label(const std::string& label) { return replace_all(label, "/", "\\/"); }

std::vector<TreeNode> manifest_tree(Generation g, bool is_public, const Scenario& s) {
  std::vector<TreeNode> tree;
  if (is_public) {
    TreeNode node{"ExPublic Folder", "", nullptr, {}};
    if (g == Generation::Ex2007) {
      std::vector<FolderRecord> records;
      size_t record = 1;  // record 0 is the public root
      for (const Folder& f : s.public_folders) collect_2007(f, s.public_root_id, "", record, records);
      node.children = place_2007(records);
    } else if (g == Generation::Ex2010) {
      place_2010(s.public_folders, node.children);
    }
    tree.push_back(std::move(node));
    return tree;
  }
  size_t record = 0;
  for (const Mailbox& m : s.mailboxes) {
    TreeNode node{replace_all(m.display_name, ",", "_"), "", nullptr, {}};
    if (g == Generation::Ex2007) {
      std::vector<FolderRecord> records;
      ++record;  // the mailbox's root folder record
      for (const Folder& f : m.folders) collect_2007(f, m.root_folder_id, "", record, records);
      node.children = place_2007(records);
    } else {
      place_2010(m.folders, node.children);
    }
    tree.push_back(std::move(node));
  }
  return tree;
}

}  // namespace edbgen
