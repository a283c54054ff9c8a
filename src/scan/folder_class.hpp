#pragma once
#include <string>
#include <string_view>

namespace quorvine::scan {

// The tree's class of a folder from its container class: "calendar", "journal", "contact",
// "task", "note", "Folder" for anything not "IPF."/"IPM.", other classes unchanged.
std::string map_folder_class(std::string_view container_class);

}  // namespace quorvine::scan
