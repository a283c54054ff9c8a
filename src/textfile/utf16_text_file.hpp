#pragma once
// The UTF-16 text file of the preview pages and body files: UTF-16LE with one leading FF FE
// mark, written with the first text; line ends are never added or translated.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "textfile/open_flags.hpp"
#include "textfile/output_file.hpp"

namespace quorvine::textfile {

class Utf16TextFile {
 public:
  // Nonzero on success; nothing is written on opening.
  bool open(const std::filesystem::path& path, uint32_t flags, std::error_code* error = nullptr);
  // Writes the UTF-8 `text` as UTF-16LE units, after the mark when the position is 0. The
  // flag is ignored, as every caller passes 0. Throws std::system_error on a failed write.
  void write(std::string_view text, int flag = 0);
  void close() { file_.close(); }

 private:
  OutputFile file_;
};

}  // namespace quorvine::textfile
