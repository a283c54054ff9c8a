#pragma once
// Writing a long value into a spill file of its own that the caller then reads.
#include <filesystem>
#include <string>

#include "decode/decode_context.hpp"
#include "decode/value_source.hpp"

namespace quorvine::decode {

enum class SpillForm {
  preview_text,  // bytes 1 to 125 only, for transport headers
  raw_bytes,     // every byte as stored
};

// Fetches the long value and writes its segments in order to a new file named `stem` +
// "-XXXXXX.txt" (unique, owner-only) in ctx.temp_folder, leaving its path in `path`. On
// any failure no file is left and `path` is cleared. Returns success.
bool spill_long_value(const DecodeContext& ctx, const ValueSource& value, const std::string& stem,
                      SpillForm form, std::filesystem::path& path);

}  // namespace quorvine::decode
