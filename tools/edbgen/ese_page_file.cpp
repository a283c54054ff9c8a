#include "edbgen/ese_page_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace edbgen::ese {

namespace {
constexpr size_t kWindowBytes = size_t(8) << 20;

std::runtime_error io_error(const std::string& what, const std::filesystem::path& path) {
  return std::runtime_error("Cannot " + what + " " + path.string() + ": " + std::strerror(errno) +
                            ".");
}
}  // namespace

PageFile::PageFile(const std::filesystem::path& path, uint32_t page_size, uint32_t first_free_page)
    : path_(path), page_size_(page_size), next_page_(first_free_page) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) throw io_error("create", path);
  window_pages_ = uint32_t(kWindowBytes / page_size);
  window_.assign(size_t(window_pages_) * page_size, 0);
  filled_.assign(window_pages_, false);
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

void PageFile::pwrite_all(const uint8_t* data, size_t size, uint64_t offset) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, data, size, off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw io_error("write to", path_);
    }
    data += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
}

void PageFile::flush() {
  if (!any_filled_) return;
  uint32_t i = 0;
  while (i < window_pages_) {
    if (!filled_[i]) {
      ++i;
      continue;
    }
    uint32_t j = i;
    while (j < window_pages_ && filled_[j]) ++j;
    pwrite_all(&window_[size_t(i) * page_size_], size_t(j - i) * page_size_,
               (uint64_t(window_base_) + i + 1) * page_size_);
    i = j;
  }
  std::fill(filled_.begin(), filled_.end(), false);
  any_filled_ = false;
}

void PageFile::write_page(uint32_t page_number, std::span<const uint8_t> page) {
  if (page_number < window_base_ || page_number >= window_base_ + window_pages_) {
    // Pages far from the write front (roots written at the end) go straight out.
    if (page_number < window_base_ && any_filled_) {
      pwrite_all(page.data(), page_size_, (uint64_t(page_number) + 1) * page_size_);
      return;
    }
    flush();
    window_base_ = page_number;
  }
  const uint32_t slot = page_number - window_base_;
  std::memcpy(&window_[size_t(slot) * page_size_], page.data(), page_size_);
  filled_[slot] = true;
  any_filled_ = true;
}

void PageFile::write_header(std::span<const uint8_t> header) {
  pwrite_all(header.data(), page_size_, 0);
  pwrite_all(header.data(), page_size_, page_size_);
}

void PageFile::close() {
  flush();
  const uint64_t size = (uint64_t(pages_allocated()) + 2) * page_size_;
  if (::ftruncate(fd_, off_t(size)) != 0) throw io_error("size", path_);
  if (::close(fd_) != 0) {
    fd_ = -1;
    throw io_error("close", path_);
  }
  fd_ = -1;
}

}  // namespace edbgen::ese
