#include "decode/long_value_spill.hpp"

#include <fstream>
#include <system_error>

#include "decode/printable_filters.hpp"
#include "ese/error.hpp"

namespace quorvine::decode {

bool spill_long_value(DecodeContext& ctx, const ValueSource& value,
                      const std::filesystem::path& file_name, SpillForm form) {
  std::filesystem::path path = ctx.tempFilePath / file_name;
  ctx.S7dszPath = path;
  auto discard = [&path] {
    std::error_code ignored;  // nothing more to do when it cannot be removed either
    std::filesystem::remove(path, ignored);
    return false;
  };

  std::vector<ese::Bytes> segments;
  try {
    segments = value.long_value_segments();
  } catch (const ese::EseError&) {
    return discard();
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return discard();
  for (const ese::Bytes& segment : segments) {
    if (form == SpillForm::preview_text)
      export_preview_text(out, segment);
    else
      out.write(reinterpret_cast<const char*>(segment.data()),
                static_cast<std::streamsize>(segment.size()));
  }
  out.close();
  if (out.fail()) return discard();
  return true;
}

}  // namespace quorvine::decode
