#include "export/work_folder.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quorvine::exporting {
namespace {

// Large enough that a disk without room for a message's long text refuses it.
constexpr size_t kProbeBytes = 256 * 1024;

std::filesystem::path base_of(const std::filesystem::path& parent) {
  return parent.empty() ? std::filesystem::temp_directory_path() : parent;
}

}  // namespace

WorkFolder::WorkFolder(const std::filesystem::path& parent) {
  const std::filesystem::path base = base_of(parent);
  std::error_code error;
  std::filesystem::create_directories(base, error);
  if (error) throw std::runtime_error("cannot create the work folder " + base.string() + ": " + error.message());
  std::string pattern = (base / "export-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a work folder in " + base.string() + ": " +
                             std::generic_category().message(errno));
  path_ = pattern;
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string work_folder_problem(const std::filesystem::path& parent) {
  try {
    WorkFolder folder(parent);
    const std::filesystem::path probe = folder.path() / "probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot write in the work folder " + folder.path().string() + ": " +
                       std::generic_category().message(errno);
    const std::vector<char> zeros(kProbeBytes, 0);
    size_t done = 0;
    int failure = 0;
    while (done < zeros.size() && failure == 0) {
      const ssize_t n = ::write(fd, zeros.data() + done, zeros.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) failure = n < 0 ? errno : EIO;
      else done += static_cast<size_t>(n);
    }
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    ::close(fd);
    if (failure != 0)
      return "cannot write in the work folder " + base_of(parent).string() + ": " +
             std::generic_category().message(failure);
    return {};
  } catch (const std::runtime_error& error) {
    return error.what();
  }
}

}  // namespace quorvine::exporting
