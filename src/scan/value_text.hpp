#pragma once
// The value texts the scan compares and shows, through the value renderers. An unmapped
// column reads as no value.
#include <cstdint>
#include <optional>
#include <string>

#include "scan/column_maps.hpp"
#include "ese/database.hpp"

namespace quorvine::decode {
struct DecodeContext;
}

namespace quorvine::scan {

// 8-byte identifier, big-endian, lowercase hex without leading zeros.
std::string identifier_text(const ese::Record& record, ColumnIndex column);
// Replica-counter form under format revision 17, else as identifier_text.
std::string identifier_text_2010(const decode::DecodeContext& context, const ese::Record& record,
                                 ColumnIndex column);
// Text or number column, general renderer.
std::string value_text(const decode::DecodeContext& context, const ese::Record& record,
                       ColumnIndex column);
// 2013 value text (binary as hex, dates in UTC).
std::string value_text_2013(const ese::Record& record, ColumnIndex column);
// A folder record's stored message count (a 32-bit column); nothing when the column is
// missing, empty, negative or unreadable.
std::optional<uint64_t> stored_message_count(const ese::Record& record, ColumnIndex column);
// Binary as lowercase hex.
std::string binary_text(const ese::Record& record, ColumnIndex column);

}  // namespace quorvine::scan
