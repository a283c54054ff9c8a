#pragma once
// The output folders of an export of several stores: one per store, named after the store
// file without its extension. A name taken by another store, in this run or in an earlier
// run into the same folder (xargs may split a long list into several runs), gets "-2",
// "-3", ...; each folder carries a mark naming its store, so a store exported again keeps
// its folder and no store ever writes into another's.
#include <filesystem>
#include <string>
#include <vector>

namespace quorvine::cli {

std::vector<std::string> store_folder_names(const std::vector<std::string>& stores, const std::filesystem::path& out);

// Creates `folder` and marks it as `store`'s. Throws std::filesystem::filesystem_error.
void mark_store_folder(const std::filesystem::path& folder, const std::string& store);

// Whether `out` holds folders marked by an earlier export of several stores, so that a run
// given a single store (the last part of a split list) goes beside them too.
bool holds_store_folders(const std::filesystem::path& out);

}  // namespace quorvine::cli
