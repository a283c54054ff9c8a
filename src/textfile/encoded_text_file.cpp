#include "textfile/encoded_text_file.hpp"

#include <array>
#include <span>

#include "textfile/code_page_text.hpp"
#include "textfile/utf8_units.hpp"

namespace quorvine::textfile {

bool EncodedTextFile::open(const std::filesystem::path& path, uint32_t flags, std::error_code* error) {
  unicode_ = (flags & modeWriteUnicode) != 0;
  flags_ = (flags & ~open_flags::typeText) | open_flags::typeBinary;
  return file_.open(path, flags_, error);
}

void EncodedTextFile::write(std::string_view text) {
  static constexpr std::array<uint8_t, 2> utf16_mark{0xFF, 0xFE};
  static constexpr std::array<uint8_t, 3> utf8_mark{0xEF, 0xBB, 0xBF};
  if (write_bom_ && file_.position() == 0) {
    if (unicode_)
      file_.write(utf16_mark);
    else if (code_page_ == 65001)
      file_.write(utf8_mark);
  }
  if (unicode_) {
    file_.write(utf16le_bytes(text));
  } else if (code_page_ == 65001) {
    file_.write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  } else {
    const uint32_t page = code_page_ == system_code_page ? 1252u : static_cast<uint32_t>(code_page_);
    const std::string bytes = to_code_page(text, page, replacement_);
    file_.write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
}

}  // namespace quorvine::textfile
