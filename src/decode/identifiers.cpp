#include "decode/identifiers.hpp"

#include <array>
#include <cstdio>

#include "decode/date_text.hpp"
#include "decode/printable_filters.hpp"
#include "ese/byte_reader.hpp"

namespace quorvine::decode {
namespace {

bool is_plain(uint8_t flags) { return flags == 0x00 || flags == 0x01; }

bool holds_eight_bytes(ese::ColumnType type) {
  return type == ese::ColumnType::Binary || type == ese::ColumnType::Currency;
}

std::string hex(uint64_t value, bool upper) {
  char buffer[20];
  std::snprintf(buffer, sizeof buffer, upper ? "%llX" : "%llx",
                static_cast<unsigned long long>(value));
  return buffer;
}

// The short replica number: leading zero nibbles of the 16-bit field shown in full.
std::string replica_text(std::string text) {
  if (text.size() > 4) text.resize(4);
  for (size_t index : {size_t{3}, size_t{2}, size_t{1}}) {
    if (index >= text.size() || text[index] != '0') break;
    text.erase(index, 1);
  }
  return text;
}

}  // namespace

std::string identifier_text(ese::ColumnType type, uint8_t flags,
                            std::span<const uint8_t> bytes, char byte_order) {
  if (!holds_eight_bytes(type)) return {};
  if (!is_plain(flags)) return strict_printable_bytes(bytes);
  auto value = read_u64(bytes, byte_order);
  return value ? hex(*value, false) : std::string();
}

std::string replica_identifier_text(uint32_t format_revision, ese::ColumnType type,
                                    uint8_t flags, std::span<const uint8_t> bytes,
                                    char byte_order) {
  if (format_revision != 17 || !holds_eight_bytes(type) || !is_plain(flags))
    return identifier_text(type, flags, bytes, byte_order);
  if (bytes.size() != 8) return {};
  // The first two bytes are the replica number, the other six the counter.
  const ese::ByteReader in(bytes, "An identifier");
  std::array<uint8_t, 8> counter{};
  const auto counter_bytes = in.bytes_at(2, 6, "the counter");
  std::copy(counter_bytes.begin(), counter_bytes.end(), counter.begin() + 2);
  const uint16_t replica_number = in.be16_at(0, "the replica number");
  std::array<uint8_t, 8> replica{uint8_t(replica_number), uint8_t(replica_number >> 8), 0, 0, 0, 0, 0, 0};
  auto counter_value = read_u64(counter, byte_order);
  auto replica_value = read_u64(replica, byte_order);
  if (!counter_value || !replica_value) return {};
  return replica_text(hex(*replica_value, false)) + "-" + hex(*counter_value, true);
}

std::optional<std::string> stored_filetime_text(
    ese::ColumnType type, uint8_t flags, std::span<const uint8_t> bytes, char byte_order) {
  if (!holds_eight_bytes(type)) return std::nullopt;
  if (!is_plain(flags)) return strict_printable_bytes(bytes);
  if (bytes.empty()) return std::nullopt;
  auto utc = filetime_utc_text(bytes, byte_order);
  if (!utc) return std::nullopt;
  return convert_date(*utc);
}

std::string identifier_text(const ValueSource& value, char byte_order) {
  const ese::StoredValue* stored = value.stored();
  if (!stored) return {};
  return identifier_text(value.column_type(), stored->flags, stored->raw,
                         byte_order);
}

std::string replica_identifier_text(const DecodeContext& ctx, const ValueSource& value,
                                    char byte_order) {
  const ese::StoredValue* stored = value.stored();
  std::string result;
  if (stored)
    result = replica_identifier_text(ctx.format_revision, value.column_type(),
                                     stored->flags, stored->raw, byte_order);
  return result;
}

std::optional<std::string> stored_filetime_text(const ValueSource& value,
                                                char byte_order) {
  const ese::StoredValue* stored = value.stored();
  if (!stored) return std::nullopt;
  return stored_filetime_text(value.column_type(), stored->flags,
                              stored->raw, byte_order);
}

}  // namespace quorvine::decode
