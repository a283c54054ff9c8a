#include "ese/file_descriptor.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "ese/error.hpp"

namespace quorvine::ese::detail {

FileDescriptor FileDescriptor::open_database(const std::filesystem::path& file) {
  const std::string name = file.string();
  std::error_code ec;
  auto status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status))
    throw EseError("Cannot open " + name + ": the file does not exist.");
  if (std::filesystem::is_directory(status)) throw EseError("Cannot open " + name + ": it is a directory.");
  FileDescriptor result;
  result.fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (result.fd_ < 0) throw EseError("Cannot open " + name + ": " + std::strerror(errno) + ".");
  struct stat st {};
  if (::fstat(result.fd_, &st) != 0) throw EseError("Cannot open " + name + ": " + std::strerror(errno) + ".");
  if (!S_ISREG(st.st_mode)) throw EseError("Cannot open " + name + ": it is not a regular file.");
  if (st.st_size == 0) throw EseError("Cannot open " + name + ": the file is empty.");
  result.size_ = static_cast<uint64_t>(st.st_size);
  result.path_ = file;
  return result;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), path_(std::move(other.path_)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    path_ = std::move(other.path_);
  }
  return *this;
}

size_t FileDescriptor::read_at(uint64_t offset, std::span<uint8_t> buffer) const {
  size_t done = 0;
  while (done < buffer.size()) {
    ssize_t n = ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EseError("Cannot read " + path_.string() + ": " + std::strerror(errno) + ".");
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

}  // namespace quorvine::ese::detail
