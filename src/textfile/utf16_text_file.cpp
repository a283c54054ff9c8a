#include "textfile/utf16_text_file.hpp"

#include <array>

#include "textfile/utf8_units.hpp"

namespace quorvine::textfile {

bool Utf16TextFile::open(const std::filesystem::path& path, uint32_t flags, std::error_code* error) {
  return file_.open(path, flags | open_flags::typeBinary, error);
}

void Utf16TextFile::write(std::string_view text, int) {
  static constexpr std::array<uint8_t, 2> mark{0xFF, 0xFE};
  if (file_.position() == 0) file_.write(mark);
  file_.write(utf16le_bytes(text));
}

}  // namespace quorvine::textfile
