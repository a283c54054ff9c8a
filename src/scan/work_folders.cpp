#include "scan/work_folders.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace quorvine::scan {
namespace {

std::filesystem::path env_path(const char* name) {
  const char* value = std::getenv(name);
  return (value && *value) ? std::filesystem::path(value) : std::filesystem::path();
}

std::string user_name() {
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
    return entry->pw_name;
  return std::to_string(::getuid());
}

std::filesystem::path home_folder() {
  std::filesystem::path home = env_path("HOME");
  if (home.empty())
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) home = entry->pw_dir;
  return home;
}

}  // namespace

std::filesystem::path data_folder() {
  std::filesystem::path base = env_path("XDG_DATA_HOME");
  if (base.empty() || base.is_relative()) base = home_folder() / ".local" / "share";
  return base / "quorvine";
}

std::filesystem::path work_folder_for(const std::filesystem::path& database) {
  return data_folder() / database.stem();
}

std::filesystem::path temp_folder(const std::optional<std::filesystem::path>& chosen) {
  if (chosen) return *chosen / "Quorvine";
  std::filesystem::path base = env_path("TMPDIR");
  if (base.empty()) base = "/tmp";
  return base / ("Quorvine-" + user_name());
}

void create_private_folder(const std::filesystem::path& folder) {
  if (!folder.parent_path().empty()) std::filesystem::create_directories(folder.parent_path());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::filesystem::filesystem_error("cannot create folder", folder,
                                            std::error_code(errno, std::generic_category()));
  struct stat info {};
  // lstat: a link planted in a shared folder must not redirect our files.
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
    throw std::runtime_error("the folder " + folder.string() +
                             " exists but is not a directory owned by this user");
}

}  // namespace quorvine::scan
