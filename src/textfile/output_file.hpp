#pragma once
// A file opened for binary writing, shared by the text file classes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

namespace quorvine::textfile {

class OutputFile {
 public:
  // Opens `path` for writing per the framework flags (modeCreate empties the file unless
  // modeNoTruncate is given; without modeCreate the file must exist). The position starts at 0.
  bool open(const std::filesystem::path& path, uint32_t flags, std::error_code* error);
  bool is_open() const { return file_ != nullptr; }
  uint64_t position() const;
  // Throws std::system_error naming the file when the bytes cannot be written.
  void write(std::span<const uint8_t> bytes);
  // Flushes and closes; throws std::system_error when buffered bytes cannot be written.
  void close();

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::filesystem::path path_;
};

}  // namespace quorvine::textfile
