#pragma once
// A found file's name, folder, size and time, and the texts the search results show.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace quorvine::discovery {

class FoundFile {
 public:
  explicit FoundFile(std::filesystem::path path) : path_(std::move(path)) {}

  // Title and extension: "Mail.edb".
  std::string file_name() const { return path_.filename().string(); }
  // The folder with its trailing separator: "/data/".
  std::string location() const;
  // Size in bytes; nothing when the file cannot be read.
  std::optional<uint64_t> file_size() const;
  // Last-write time; nothing when the file cannot be read.
  std::optional<std::time_t> last_write_time() const;

 private:
  std::filesystem::path path_;
};

// Appends "/" unless `text` already ends in "/" or "\".
std::string with_trailing_separator(std::string text);

// "10239 B" below 10 KB, otherwise whole kilobytes: "10 KB".
std::string size_text(uint64_t bytes);
// The time in UTC as "%d-%m-%Y %I:%M %p": "07-03-2011 02:05 PM".
std::string modified_text(std::time_t time);

}  // namespace quorvine::discovery
