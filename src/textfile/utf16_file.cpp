#include "textfile/utf16_file.hpp"

#include <array>

#include "textfile/utf8_units.hpp"

namespace quorvine::textfile {

bool CUTF16File::Open(const std::filesystem::path& path, uint32_t flags, std::error_code* error) {
  return file_.open(path, flags | open_flags::typeBinary, error);
}

void CUTF16File::WriteString(std::string_view text, int) {
  static constexpr std::array<uint8_t, 2> mark{0xFF, 0xFE};
  if (file_.position() == 0) file_.write(mark);
  file_.write(utf16le_bytes(text));
}

}  // namespace quorvine::textfile
