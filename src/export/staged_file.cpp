#include "export/staged_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "export/mbox_file.hpp"

namespace quorvine::exporting {

StagedFile::StagedFile(std::filesystem::path temporary, std::filesystem::path final_path)
    : temporary_(std::move(temporary)), final_(std::move(final_path)) {
  fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) fail("cannot create " + temporary_.string() + ": " + std::generic_category().message(errno));
}

StagedFile::~StagedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void StagedFile::fail(const std::string& what) const {
  throw MboxWriteError("cannot write the file " + final_.string() + ": " + what);
}

void StagedFile::write(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(std::generic_category().message(n < 0 ? errno : EIO));
    done += static_cast<size_t>(n);
  }
  size_ += bytes.size();
}

void StagedFile::commit() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(std::generic_category().message(errno));
  if (::rename(temporary_.c_str(), final_.c_str()) != 0) fail(std::generic_category().message(errno));
  committed_ = true;
}

void write_file_atomically(const std::filesystem::path& path, std::string_view text) {
  StagedFile file(path.parent_path() / ("." + path.filename().string() + ".partial"), path);
  file.write(text);
  file.commit();
}

}  // namespace quorvine::exporting
