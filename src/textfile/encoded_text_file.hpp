#pragma once
// The text file with a choice of encoding: UTF-16LE (modeWriteUnicode), UTF-8 (code page
// 65001) or an 8-bit code page with "#" for characters it cannot hold. A byte-order mark is
// written with the first text; line ends are never added or translated.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "textfile/open_flags.hpp"
#include "textfile/output_file.hpp"

namespace quorvine::textfile {

class EncodedTextFile {
 public:
  static constexpr uint32_t modeWriteUnicode = open_flags::modeWriteUnicode;
  static constexpr int32_t system_code_page = -1;  // Windows-1252 on this platform

  bool open(const std::filesystem::path& path, uint32_t flags, std::error_code* error = nullptr);
  // Writes the UTF-8 `text` in the file's encoding. Throws std::system_error on a failed
  // write, std::invalid_argument for a code page this platform cannot convert to.
  void write(std::string_view text);
  void close() { file_.close(); }

  void set_code_page(int32_t code_page) { code_page_ = code_page; }
  void set_write_byte_order_mark(bool write) { write_bom_ = write; }
  bool is_unicode() const { return unicode_; }

 private:
  OutputFile file_;
  bool unicode_ = false;
  uint32_t flags_ = 0;
  int32_t code_page_ = system_code_page;
  char replacement_ = '#';
  bool write_bom_ = true;
};

}  // namespace quorvine::textfile
