#pragma once
// Writing a long value into a spill file that the caller then reads.
#include <filesystem>
#include <string>

#include "decode/decode_context.hpp"
#include "decode/value_source.hpp"

namespace quorvine::decode {

enum class SpillForm {
  preview_text,  // bytes 1 to 125 only, for transport headers ("m_S7d.txt")
  raw_bytes,     // every byte as stored ("ccc.txt")
};

// Fetches the long value and writes its segments in order to `file_name` in
// ctx.tempFilePath, leaving its path in ctx.S7dszPath. On any failure the file is removed,
// so a caller never reads an earlier value's content as this one's. Returns success.
bool spill_long_value(DecodeContext& ctx, const ValueSource& value,
                      const std::filesystem::path& file_name, SpillForm form);

}  // namespace quorvine::decode
