#pragma once
// The renderers that turn one column of a record into text. Failures (no record, no data,
// a damaged value) give an empty string; details are not reported one by one.
#include <cstddef>
#include <filesystem>
#include <string>

#include "decode/decode_context.hpp"
#include "decode/value_source.hpp"

namespace quorvine::decode {

// The names of the spill files in the work folder: "<name>-XXXXXX.txt".
inline constexpr char transport_headers_spill[] = "m_S7d";
inline constexpr char raw_value_spill[] = "ccc";

// The general renderer. A long value renders as "true" under "2007" for column ctx.spilled_column
// when it can be read, otherwise as nothing. When `spilled` is given, the value is also
// written to a new file of its own in ctx.temp_folder (named after transport_headers_spill
// and holding the header text, or after raw_value_spill and holding the raw bytes) whose path
// is left there; a damaged value leaves no file. Damaged values are counted in ctx.damage.
std::string render_value(const DecodeContext& ctx, const ese::Record* record,
                                                  size_t column, std::filesystem::path* spilled = nullptr);
// 2013 mailbox, folder and header records: UTC dates, binary as hex, long values inline.
std::string render_value_2013(const ese::Record* record, size_t column);
// Binary values as hex, long values as hex.
std::string render_value_as_hex(const ese::Record* record, size_t column);

// The same over any value source; `column` is compared with ctx.spilled_column.
std::string render_value(const DecodeContext& ctx, const ValueSource& value,
                                                  size_t column, std::filesystem::path* spilled = nullptr);
std::string render_value_2013(const ValueSource& value);
std::string render_value_as_hex(const ValueSource& value);

}  // namespace quorvine::decode
