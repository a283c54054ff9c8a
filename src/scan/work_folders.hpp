#pragma once
// Where a scan keeps its files: the per-database work folder under the user's data folder,
// and the temporary folder for attachments and previews.
#include <filesystem>
#include <optional>
#include <string>

namespace quorvine::scan {

// $XDG_DATA_HOME/quorvine (default ~/.local/share/quorvine).
std::filesystem::path data_folder();
// data_folder() / <database file name without extension> + "-" + a key of the database's
// full path, size and modification time, so that two stores of one name (from two servers)
// never share a folder. A name that would lead out of the data folder ("..", ".") has its
// dots replaced.
std::filesystem::path work_folder_for(const std::filesystem::path& database);
// $TMPDIR (default /tmp) + "/Quorvine-" + user name, or chosen + "/Quorvine".
std::filesystem::path temp_folder(const std::optional<std::filesystem::path>& chosen = {});

// Creates `folder` (and its parents) with owner-only permissions. Throws
// std::filesystem::filesystem_error, or std::runtime_error when it exists but is not a
// directory owned by this user.
void create_private_folder(const std::filesystem::path& folder);

// Creates a new owner-only folder named `near` + "-XXXXXX" (random) beside `near` and
// returns it. Throws std::filesystem::filesystem_error.
std::filesystem::path create_unique_private_folder(const std::filesystem::path& near);

// Why `store` cannot be read as a database file ("" when it is a regular file). Checked
// before opening, so that a FIFO or device never blocks the open.
std::string check_store_file(const std::filesystem::path& store);

}  // namespace quorvine::scan
