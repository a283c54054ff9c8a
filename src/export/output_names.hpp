#pragma once
// Names of what an export writes: the mailbox and folder directories of the whole-mailbox
// tree, the MBOX file names, and the temporary message files. No name leaves its folder:
// path separators, "." and "..", control characters and over-long names are replaced.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::exporting {

inline constexpr const char* kMailboxTreeRoot = "QuorvineRec";
inline constexpr const char* kSelectedItemsRoot = "Quorvine";

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cut_utf8(std::string text, size_t limit);
// One path component made safe: "/" and NUL-to-0x1f become "_", "." and ".." become "_",
// an empty name "_", and a name longer than 255 bytes is cut at a character boundary.
std::string safe_component(std::string_view name);
// The mailbox directory: each of : \ / * ? < > | and the double quote replaced by "_",
// then made safe.
std::string mailbox_directory_name(std::string_view mailbox_name);
// The folder's directory components below the mailbox directory, each made safe, with
// every "Deleted Items" turned into "Deleted-Items" when `deleted_items_renamed`.
std::vector<std::string> folder_directory_components(const std::vector<std::string>& labels,
                                                     bool deleted_items_renamed);
// The 2003/2007 folder path ("\a\b" from the mailbox down) as its labels.
std::vector<std::string> split_folder_path(std::string_view folder_path);


}  // namespace quorvine::exporting
