#pragma once
// Identifiers and dates kept in 8-byte binary or currency columns. Callers pass byte order
// 'b' (big-endian) for identifiers and 'l' (little-endian) for dates.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "decode/decode_context.hpp"
#include "decode/value_source.hpp"
#include "ese/column_type.hpp"

namespace quorvine::decode {

// Plain form: lowercase hex without leading zeros.
std::string identifier_text(ese::ColumnType type, uint8_t flags,
                            std::span<const uint8_t> bytes, char byte_order);
// Replica-counter form "1-2A3F0C" under format revision 17, the plain form otherwise.
std::string replica_identifier_text(uint32_t format_revision, ese::ColumnType type,
                                    uint8_t flags, std::span<const uint8_t> bytes,
                                    char byte_order);
// Both date stages; nothing when the column or value does not hold a FILETIME.
std::optional<std::string> stored_filetime_text(
    ese::ColumnType type, uint8_t flags, std::span<const uint8_t> bytes, char byte_order);

// The same over a column of a record (nullptr record or no data: empty / nothing).
std::string identifier_text(const ValueSource& value, char byte_order);
std::string replica_identifier_text(const DecodeContext& ctx, const ValueSource& value,
                                    char byte_order);
std::optional<std::string> stored_filetime_text(const ValueSource& value,
                                                char byte_order);

std::string identifier_text(const ese::Record* record, size_t column,
                            char byte_order);
std::string replica_identifier_text(const DecodeContext& ctx, const ese::Record* record,
                                    size_t column, char byte_order);
std::optional<std::string> stored_filetime_text(const ese::Record* record,
                                                size_t column,
                                                char byte_order);

}  // namespace quorvine::decode
