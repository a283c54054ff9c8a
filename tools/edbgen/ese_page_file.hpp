#pragma once
// The database file being written: page numbers handed out in order, sealed pages
// collected in a large window and written in runs, so interleaved trees still produce
// mostly sequential, large writes.
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace edbgen::ese {

class PageFile {
 public:
  // Creates (truncating) `path`. Throws std::runtime_error when it cannot.
  PageFile(const std::filesystem::path& path, uint32_t page_size, uint32_t first_free_page);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  uint32_t page_size() const { return page_size_; }
  uint32_t allocate() { return next_page_++; }
  uint32_t pages_allocated() const { return next_page_ - 1; }
  uint64_t next_dbtime() { return ++dbtime_; }
  uint64_t dbtime() const { return dbtime_; }

  void write_page(uint32_t page_number, std::span<const uint8_t> page);
  // The header block and its shadow (file offsets 0 and page size).
  void write_header(std::span<const uint8_t> header);
  // Writes what is buffered, sizes the file to hold every allocated page, closes.
  void close();

 private:
  void flush();
  void pwrite_all(const uint8_t* data, size_t size, uint64_t offset);

  int fd_ = -1;
  std::filesystem::path path_;
  uint32_t page_size_;
  uint32_t next_page_;
  uint64_t dbtime_ = 0;
  // Window of pages [window_base_, window_base_ + window_pages_).
  uint32_t window_base_ = 0;
  uint32_t window_pages_ = 0;
  std::vector<uint8_t> window_;
  std::vector<bool> filled_;
  bool any_filled_ = false;
};

}  // namespace edbgen::ese
