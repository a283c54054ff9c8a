#pragma once
// Turning a stored attachment name into a file name that stays inside its folder.
#include <filesystem>
#include <string>
#include <string_view>

#include "textfile/output_file.hpp"

namespace quorvine::render {

// No path separators, no control characters, none of \ : ? * < > | " (so the files can be
// copied to any file system), never "." or ".." or empty, at most 255 bytes of UTF-8 cut at
// a character boundary, keeping a short extension.
std::string safe_file_name(std::string_view name);

// The `n`th candidate for a file named `safe` (a safe_file_name): `safe` itself for 1, then
// "name (2).ext", "name (3).ext" ...
std::string numbered_file_name(const std::string& safe, int n);

// Creates a new file named `name` (made safe) in `folder`, or "name (2).ext", "name (3).ext"
// ... when that exists: an existing file is never overwritten. Returns the path; `file` is
// left open. Throws std::system_error when no file can be created.
std::filesystem::path create_unique_file(const std::filesystem::path& folder, std::string_view name,
                                         textfile::OutputFile& file);

}  // namespace quorvine::render
