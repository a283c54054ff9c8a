#pragma once
// The renderers that turn one column of a record into text. Failures (no record, no data,
// a damaged value) give an empty string; details are not reported one by one.
#include <cstddef>
#include <string>

#include "decode/decode_context.hpp"
#include "decode/value_source.hpp"

namespace quorvine::decode {

// The general renderer. Long values are spilled: under "2007" only column ctx.m_S7d, to
// "m_S7d.txt" (result "true"); otherwise to "ccc.txt" (result empty). ctx.S7dszPath names
// the file written.
std::string export_handle_export_msg_record_value(DecodeContext& ctx, const ese::Record* record,
                                                  size_t column);
// 2013 mailbox, folder and header records: UTC dates, binary as hex, long values inline.
std::string export_handle_export_record_value_2013(const ese::Record* record, size_t column);
// Binary values as hex, long values as hex.
std::string export_handle_export_binary_record_value(const ese::Record* record, size_t column);

// The same over any value source; `column` is compared with ctx.m_S7d.
std::string export_handle_export_msg_record_value(DecodeContext& ctx, const ValueSource& value,
                                                  size_t column);
std::string export_handle_export_record_value_2013(const ValueSource& value);
std::string export_handle_export_binary_record_value(const ValueSource& value);

}  // namespace quorvine::decode
