#pragma once
#include <cstdint>
#include <string_view>

namespace quorvine::ese {

// ESE column types, numbered as the catalog stores them.
enum class ColumnType : uint32_t {
  Nil = 0,
  Boolean = 1,
  UnsignedByte = 2,
  Short = 3,
  Long = 4,
  Currency = 5,
  Float32 = 6,
  Float64 = 7,
  DateTime = 8,
  Binary = 9,
  Text = 10,
  LargeBinary = 11,
  LargeText = 12,
  SuperLarge = 13,
  UnsignedLong = 14,
  LongLong = 15,
  Guid = 16,
  UnsignedShort = 17,
};

inline bool is_text(ColumnType t) { return t == ColumnType::Text || t == ColumnType::LargeText; }

// The flag byte stored beside a value.
namespace value_flags {
inline constexpr uint8_t variable_size = 0x01;
inline constexpr uint8_t compressed = 0x02;
inline constexpr uint8_t long_value = 0x04;
inline constexpr uint8_t multi_value = 0x08;
inline constexpr uint8_t two_values = 0x10;
}  // namespace value_flags

// Column flags as the catalog stores them.
namespace column_flags {
inline constexpr uint32_t not_null = 0x1;
inline constexpr uint32_t autoincrement = 0x4;
inline constexpr uint32_t multi_valued = 0x8;
inline constexpr uint32_t has_default = 0x10;
inline constexpr uint32_t escrow = 0x20;
inline constexpr uint32_t compressed = 0x1000;
}  // namespace column_flags

}  // namespace quorvine::ese
