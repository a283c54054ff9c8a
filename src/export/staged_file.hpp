#pragma once
// A file written under a temporary name in a folder and renamed to its final name only when
// it is complete; removed when abandoned or destroyed uncommitted. Failures throw
// MboxWriteError naming the final file.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quorvine::exporting {

class StagedFile {
 public:
  // `temporary` and `final_path` should be in one file system (one folder, or a Maildir's
  // tmp/ and cur/).
  StagedFile(std::filesystem::path temporary, std::filesystem::path final_path);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  void write(std::span<const uint8_t> bytes);
  void write(std::string_view text) { write({reinterpret_cast<const uint8_t*>(text.data()), text.size()}); }
  void commit();
  uint64_t size() const { return size_; }

 private:
  [[noreturn]] void fail(const std::string& what) const;

  std::filesystem::path temporary_, final_;
  int fd_ = -1;
  uint64_t size_ = 0;
  bool committed_ = false;
};

// Writes `text` to `path` through a temporary file beside it.
void write_file_atomically(const std::filesystem::path& path, std::string_view text);

}  // namespace quorvine::exporting
