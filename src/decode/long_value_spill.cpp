#include "decode/long_value_spill.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <system_error>

#include "decode/printable_filters.hpp"
#include "ese/error.hpp"

namespace quorvine::decode {
namespace {

// Owns the descriptor of a spill file while it is written.
class SpillFile {
 public:
  explicit SpillFile(std::string pattern) : path_(std::move(pattern)) {
    fd_ = ::mkstemps(path_.data(), 4);
  }
  ~SpillFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;

  bool open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  bool write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

bool spill_long_value(const DecodeContext& ctx, const ValueSource& value, const std::string& stem,
                      SpillForm form, std::filesystem::path& path) {
  path.clear();
  std::vector<ese::Bytes> segments;
  try {
    segments = value.long_value_segments();
  } catch (const ese::EseError&) {
    ctx.count_damaged_value();
    return false;
  }
  SpillFile file((ctx.temp_folder / (stem + "-XXXXXX.txt")).string());
  if (!file.open()) return false;
  bool written = true;
  for (const ese::Bytes& segment : segments) {
    std::string chunk;
    if (form == SpillForm::preview_text) {
      chunk = preview_text(segment);
    } else {
      chunk.assign(segment.begin(), segment.end());
    }
    if (!(written = file.write(chunk))) break;
  }
  written = file.close() && written;
  if (!written) {
    std::error_code ignored;  // nothing more to do when it cannot be removed either
    std::filesystem::remove(file.path(), ignored);
    return false;
  }
  path = file.path();
  return true;
}

}  // namespace quorvine::decode
