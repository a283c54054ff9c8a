#pragma once
// An owned, read-only file descriptor with positioned reads.
#include <cstdint>
#include <filesystem>
#include <span>

namespace quorvine::ese::detail {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  // Opens a database file read-only. Throws EseError naming the file when it is missing, a
  // directory, unreadable or empty.
  static FileDescriptor open_database(const std::filesystem::path& file);
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  uint64_t size() const { return size_; }
  const std::filesystem::path& path() const { return path_; }
  // Reads up to buffer.size() bytes at offset; returns the count read (short at end of
  // file). Throws EseError on an I/O error.
  size_t read_at(uint64_t offset, std::span<uint8_t> buffer) const;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  std::filesystem::path path_;
};

}  // namespace quorvine::ese::detail
