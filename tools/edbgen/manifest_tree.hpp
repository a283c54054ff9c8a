#pragma once
// The tree a correct reader builds below the database root, computed from the scenario.
#include <string>
#include <vector>

#include "edbgen/exchange_message.hpp"

namespace edbgen {

struct TreeNode {
  std::string label;
  std::string folder_class;       // "" for mailboxes
  const Folder* folder = nullptr;  // nullptr for mailbox nodes
  std::vector<TreeNode> children;
};

// 2003/2007: folders hang under their own parent folder; siblings in the order of their
// URL-path sort keys (case-insensitive); mailboxes numbered below 256 keep their folders;
// "/Finder" paths and folders deeper than 26 levels are left out.
// 2010/2013: scenario order; folders named "Restriction" or without a name are left out
// with their subfolders, "Public Folder" is shown as "Public_Folder".
// Public stores: one node "ExPublic Folder" (without folders in 2013 stores).
std::vector<TreeNode> manifest_tree(Generation g, bool is_public, const Scenario& s);

// The 2003/2007 sort key of a folder as readers compute it from the stored URL path
// (before the case-insensitive comparison); "" when the folder gets none.
std::string folder_sort_key_2007(const std::string& url_path, const std::string& folder_class,
                                 size_t record_number, uint64_t folder_id);

// A tree label inside a manifest path: "/" written "\/".
std::string path_label(const std::string& label);

}  // namespace edbgen
