#pragma once
// The manifest written beside a store: what a correct reader must find in it.
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "edbgen/manifest_rows.hpp"
#include "edbgen/manifest_tree.hpp"

namespace edbgen {

struct ManifestHeader {
  Generation generation = Generation::Ex2007;
  bool is_public = false;
  uint32_t page_size = 0, format_version = 0, format_revision = 0;
};

// "exchange", "public", "page_size", "format_version", "format_revision" and "tree".
nlohmann::json manifest_skeleton(const ManifestHeader& h, const std::vector<TreeNode>& tree);
nlohmann::json row_json(Generation g, const ManifestRow& row);

// Visits every folder node of the tree in display order with its manifest path.
void for_each_folder(const std::vector<TreeNode>& tree,
                     const std::function<void(const TreeNode&, const std::string&, size_t)>& visit);

// The owner names the 2003/2007 row builder compares senders with.
std::vector<std::string> owner_names(const Scenario& s, bool is_public);

// The complete manifest of a scenario store: every folder with every row.
nlohmann::json scenario_manifest(const ManifestHeader& h, const Scenario& s);

// The manifest's file beside a store: "x/demo.edb" gives "x/demo.manifest.json".
std::filesystem::path manifest_path(const std::filesystem::path& store);

}  // namespace edbgen
