#include "textfile/output_file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "textfile/open_flags.hpp"

namespace quorvine::textfile {

bool OutputFile::open(const std::filesystem::path& path, uint32_t flags, std::error_code* error) {
  file_.reset();
  int mode = O_WRONLY | O_CLOEXEC;
  if (flags & open_flags::modeCreate) {
    mode |= O_CREAT;
    if (!(flags & open_flags::modeNoTruncate)) mode |= O_TRUNC;
    if (flags & open_flags::modeCreateNew) mode |= O_EXCL;
  }
  const int fd = ::open(path.c_str(), mode, 0644);
  if (fd < 0) {
    if (error) *error = std::error_code(errno, std::generic_category());
    return false;
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    if (error) *error = std::error_code(errno, std::generic_category());
    ::close(fd);
    return false;
  }
  file_.reset(f);
  path_ = path;
  if (error) error->clear();
  return true;
}

uint64_t OutputFile::position() const {
  if (!file_) return 0;
  const long at = std::ftell(file_.get());
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

void OutputFile::write(std::span<const uint8_t> bytes) {
  if (!file_) throw std::system_error(std::make_error_code(std::errc::bad_file_descriptor), path_.string());
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
    throw std::system_error(errno, std::generic_category(), "cannot write " + path_.string());
}

void OutputFile::close() {
  if (!file_) return;
  std::FILE* f = file_.release();
  if (std::fclose(f) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot write " + path_.string());
}

}  // namespace quorvine::textfile
