#include "export/mbox_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

constexpr size_t kWriteChunk = 1 << 18;
constexpr std::string_view kFrom = "From ";

std::string errno_text(int error) { return std::generic_category().message(error); }

}  // namespace

MboxFile::MboxFile(std::filesystem::path final_path) : final_(std::move(final_path)) {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = final_.parent_path() /
                 ("." + final_.filename().string() + ".partial-" + std::to_string(::getpid()) + "-" +
                  std::to_string(random()));
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) fail("cannot create it: " + errno_text(errno));
  }
  if (fd_ < 0) fail("cannot create a temporary file beside it");
  buffer_.reserve(kWriteChunk + 4096);
}

MboxFile::~MboxFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void MboxFile::fail(const std::string& what) const {
  throw MboxWriteError("cannot write the MBOX file " + final_.string() + ": " + what);
}

void MboxFile::write_out() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(errno_text(n < 0 ? errno : EIO));
    done += static_cast<size_t>(n);
  }
  // Start writing back what was just written, so the fsync at commit waits only for the
  // tail instead of the whole file; this is only a hint, so its failure does not matter.
  ::sync_file_range(fd_, static_cast<off_t>(flushed_), static_cast<off_t>(buffer_.size()), SYNC_FILE_RANGE_WRITE);
  flushed_ += buffer_.size();
  buffer_.clear();
}

void MboxFile::discard_record() {
  if (offset_ >= flushed_) {
    buffer_.resize(offset_ - flushed_);
    return;
  }
  buffer_.clear();
  if (::ftruncate(fd_, static_cast<off_t>(offset_)) != 0 || ::lseek(fd_, static_cast<off_t>(offset_), SEEK_SET) < 0)
    fail(errno_text(errno));
  flushed_ = offset_;
}

// Quoting decides at each line start whether the line reads ">*From "; until it is known,
// the characters wait in prefix_.
void MboxFile::quote_line_start(char c) {
  prefix_.push_back(c);
  const size_t gts = prefix_.find_first_not_of('>');
  const std::string_view rest = std::string_view(prefix_).substr(gts == std::string::npos ? prefix_.size() : gts);
  if (rest.size() <= kFrom.size() && kFrom.substr(0, rest.size()) == rest) {
    if (rest.size() < kFrom.size()) return;  // still undecided
    buffer_.push_back('>');
  }
  buffer_ += prefix_;
  prefix_.clear();
  in_prefix_ = false;
}

void MboxFile::put(char c) {
  if (c == '\n') {
    buffer_ += prefix_;
    prefix_.clear();
    buffer_.push_back('\n');
    in_prefix_ = true;
  } else if (in_prefix_) {
    quote_line_start(c);
  } else {
    buffer_.push_back(c);
  }
  last_ = c;
}

void MboxFile::begin_record(std::optional<uint64_t> filetime) {
  buffer_ += "From - " + asctime_date(filetime) + "\n";
  prefix_.clear();
  in_prefix_ = true;
  pending_cr_ = false;
  last_ = '\n';
}

void MboxFile::write(std::span<const uint8_t> chunk) {
  const char* at = reinterpret_cast<const char*>(chunk.data());
  const char* const end = at + chunk.size();
  const char* next_cr = nullptr;  // the next CR at or after `at`, once looked for
  bool cr_known = false;
  while (at < end) {
    if (pending_cr_) {
      pending_cr_ = false;
      if (*at != '\n') put('\r');
    }
    // Most lines cannot become ">*From " from their first character on.
    if (in_prefix_ && prefix_.empty() && *at != '>' && *at != 'F' && *at != '\r' && *at != '\n') in_prefix_ = false;
    if (!in_prefix_) {
      if (!cr_known || (next_cr && next_cr < at)) {
        next_cr = static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(end - at)));
        cr_known = true;
      }
      const char* const line_end = next_cr ? next_cr : end;
      // Whole lines go across at once while the line after each cannot need quoting.
      const char* stop = at;
      for (;;) {
        const char* lf = static_cast<const char*>(std::memchr(stop, '\n', static_cast<size_t>(line_end - stop)));
        if (!lf) {
          stop = line_end;
          break;
        }
        if (lf + 1 < line_end && lf[1] != '>' && lf[1] != 'F' && lf[1] != '\n') {
          stop = lf + 1;
          continue;
        }
        stop = lf;
        break;
      }
      if (stop > at) {
        buffer_.append(at, stop);
        last_ = stop[-1];
        at = stop;
      }
      if (at == end) break;
    }
    const char c = *at++;
    if (c == '\r')
      pending_cr_ = true;
    else
      put(c);
  }
  if (buffer_.size() >= kWriteChunk) write_out();
}

void MboxFile::end_record() {
  if (pending_cr_) put('\r');
  pending_cr_ = false;
  buffer_ += prefix_;
  prefix_.clear();
  if (last_ != '\n') buffer_.push_back('\n');
  buffer_.push_back('\n');
  offset_ = flushed_ + buffer_.size();
  ++records_;
  if (buffer_.size() >= kWriteChunk) write_out();
}

void MboxFile::abandon_record() { discard_record(); }

void MboxFile::commit() {
  write_out();
  if (::fsync(fd_) != 0) fail(errno_text(errno));
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno_text(errno));
  std::error_code error;
  std::filesystem::rename(temporary_, final_, error);
  if (error) fail("cannot put it in place: " + error.message());
  committed_ = true;
}

std::optional<long> partial_file_owner(const std::string& name) {
  constexpr std::string_view marker = ".partial-";
  const size_t at = name.rfind(marker);
  if (name.size() < 2 || name[0] != '.' || at == std::string::npos || at < 2) return std::nullopt;
  const std::string_view rest = std::string_view(name).substr(at + marker.size());
  const size_t dash = rest.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size() || dash > 9) return std::nullopt;
  auto digits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return std::nullopt;
  return std::stol(std::string(rest.substr(0, dash)));
}

std::vector<std::filesystem::path> remove_stale_partial_files(const std::filesystem::path& tree) {
  std::vector<std::filesystem::path> removed;
  std::error_code error;
  std::filesystem::recursive_directory_iterator it(tree, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
    const auto owner = partial_file_owner(it->path().filename().string());
    if (!owner || *owner <= 0) continue;
    // A running process (this one included) may still be writing it.
    if (*owner == ::getpid() || ::kill(static_cast<pid_t>(*owner), 0) == 0 || errno != ESRCH) continue;
    std::error_code ignored;
    if (std::filesystem::remove(it->path(), ignored)) removed.push_back(it->path());
  }
  return removed;
}

}  // namespace quorvine::exporting
