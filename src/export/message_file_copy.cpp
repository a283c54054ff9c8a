#include "export/message_file_copy.hpp"

#include <fstream>
#include <vector>

namespace quorvine::exporting {

bool copy_message_file(const std::filesystem::path& eml, ese::ByteSink& out, bool lf_line_ends) {
  std::ifstream in(eml, std::ios::binary);
  if (!in) return false;
  std::vector<char> buffer(1 << 16);
  std::vector<uint8_t> converted;
  bool pending_cr = false;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const size_t n = static_cast<size_t>(in.gcount());
    if (n == 0) break;
    converted.clear();
    for (size_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (!lf_line_ends) {
        converted.push_back(static_cast<uint8_t>(c));
        continue;
      }
      // A CR is held back until it is known not to end a line.
      if (pending_cr && c != '\n') converted.push_back('\r');
      pending_cr = c == '\r';
      if (!pending_cr) converted.push_back(static_cast<uint8_t>(c));
    }
    out.write(converted);
  }
  if (pending_cr) {
    const uint8_t cr = '\r';
    out.write({&cr, 1});
  }
  return !in.bad();
}

}  // namespace quorvine::exporting
