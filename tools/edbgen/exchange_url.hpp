#pragma once
// URL-style folder paths of 2003/2007 "Folders" tables ("/Inbox/Sub+Folder").
#include <string>

namespace edbgen {

// One path segment: "%" "/" "+" "#" escaped as %25 %2F %2B %23, blanks written "+"; "Unnamed" for an empty name.
std::string url_segment(const std::string& name);

}  // namespace edbgen
