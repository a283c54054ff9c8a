#include "discovery/path_info.hpp"

#include <sys/stat.h>

#include <array>

namespace quorvine::discovery {

std::string with_trailing_separator(std::string text) {
  if (text.empty() || (text.back() != '/' && text.back() != '\\')) text += '/';
  return text;
}

std::string FoundFile::location() const { return with_trailing_separator(path_.parent_path().string()); }

std::optional<uint64_t> FoundFile::file_size() const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<std::time_t> FoundFile::last_write_time() const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) return std::nullopt;
  return info.st_mtime;
}

std::string size_text(uint64_t bytes) {
  if (bytes < 10 * 1024) return std::to_string(bytes) + " B";
  return std::to_string(bytes / 1024) + " KB";
}

std::string modified_text(std::time_t time) {
  std::tm utc{};
  if (!::gmtime_r(&time, &utc)) return {};
  std::array<char, 64> text{};
  const size_t length = std::strftime(text.data(), text.size(), "%d-%m-%Y %I:%M %p", &utc);
  return std::string(text.data(), length);
}

}  // namespace quorvine::discovery
