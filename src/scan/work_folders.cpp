#include "scan/work_folders.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

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

// FNV-1a: a fixed function, so that a store keeps its folder from one run to the next.
uint64_t fnv1a(std::string_view bytes, uint64_t hash = 0xcbf29ce484222325ull) {
  for (const unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
  return hash;
}

// The full path (links resolved where they can be), the size and the modification time; a
// store that cannot be looked at keys on its path alone.
std::string store_key(const std::filesystem::path& database) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::weakly_canonical(database, error);
  if (error) full = std::filesystem::absolute(database, error).lexically_normal();
  std::string identity = full.string();
  struct stat info {};
  if (::stat(database.c_str(), &info) == 0)
    identity += '\0' + std::to_string(info.st_size) + '\0' + std::to_string(info.st_mtim.tv_sec) + '.' +
                std::to_string(info.st_mtim.tv_nsec);
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(fnv1a(identity)));
  return key;
}

}  // namespace

std::filesystem::path data_folder() {
  std::filesystem::path base = env_path("XDG_DATA_HOME");
  if (base.empty() || base.is_relative()) base = home_folder() / ".local" / "share";
  return base / "quorvine";
}

std::filesystem::path work_folder_for(const std::filesystem::path& database) {
  std::string name = database.stem().string();
  if (name.find_first_not_of('.') == std::string::npos) name.assign(name.size() + 1, '_');
  return data_folder() / (name + "-" + store_key(database));
}

std::filesystem::path temp_folder(const std::optional<std::filesystem::path>& chosen) {
  if (chosen) return *chosen / "Quorvine";
  std::filesystem::path base = env_path("TMPDIR");
  if (base.empty()) base = "/tmp";
  return base / ("Quorvine-" + user_name());
}

std::filesystem::path create_unique_private_folder(const std::filesystem::path& near) {
  std::string pattern = near.string() + "-XXXXXX";
  if (!near.parent_path().empty()) std::filesystem::create_directories(near.parent_path());
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::filesystem::filesystem_error("cannot create folder", near,
                                            std::error_code(errno, std::generic_category()));
  return pattern;
}

std::string check_store_file(const std::filesystem::path& store) {
  std::error_code error;
  const auto status = std::filesystem::status(store, error);
  if (error) return store.string() + " cannot be read: " + error.message() + ".";
  if (std::filesystem::is_directory(status)) return store.string() + " is a directory, not a database file.";
  if (!std::filesystem::is_regular_file(status))
    return store.string() + " is not a regular file (a pipe, socket or device), so it is not read.";
  return {};
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
