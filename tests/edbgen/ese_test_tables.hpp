#pragma once
// Tables and values shared by the writer's tests: one table with a column of every type
// and storage form, and the values record i holds, so readers can be checked against them.
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "edbgen/ese_writer.hpp"

namespace edbgen::testing {

using quorvine::ese::ColumnType;
namespace cf = quorvine::ese::column_flags;

inline Bytes le_bytes(uint64_t v, size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(v >> (8 * i));
  return b;
}
inline Bytes ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes utf16(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) {
    b.push_back(uint8_t(c));
    b.push_back(uint8_t(c >> 8));
  }
  return b;
}
inline Bytes utf16_ascii(const std::string& s) {
  Bytes b;
  for (char c : s) {
    b.push_back(uint8_t(c));
    b.push_back(0);
  }
  return b;
}
inline Bytes double_bytes(double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return le_bytes(u, 8);
}
inline Bytes float_bytes(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return le_bytes(u, 4);
}

// Page size and format revision pairs as Exchange generations write them: 2003 (4 KiB,
// old revisions), 2007 (8 KiB), 2010 (32 KiB, 0x11), 2013 (32 KiB), and 16 KiB pages.
struct Format {
  uint32_t page_size = 8192;
  uint32_t revision = 0x14;
};
inline const std::vector<Format>& exchange_formats() {
  static const std::vector<Format> formats = {{4096, 0x09},  {4096, 0x0c},  {8192, 0x0c},
                                              {8192, 0x14},  {16384, 0x14}, {32768, 0x11},
                                              {32768, 0x14}};
  return formats;
}
inline std::string format_name(const Format& f) {
  return std::to_string(f.page_size) + "_rev" + std::to_string(f.revision);
}
inline void PrintTo(const Format& f, std::ostream* os) { *os << format_name(f); }
inline WriterOptions writer_options(const Format& f) {
  WriterOptions o;
  o.page_size = f.page_size;
  o.format_revision = f.revision;
  o.creation_format_revision = f.revision;
  return o;
}

// Column ids of the all-types table.
namespace col {
inline constexpr uint32_t kBool = 1, kByte = 2, kShort = 3, kLong = 4, kCurrency = 5, kFloat = 6,
                          kDouble = 7, kDate = 8, kULong = 9, kLongLong = 10, kGuid = 11,
                          kUShort = 12, kFixedText = 13, kFixedBinary = 14;
inline constexpr uint32_t kVarText = 128, kVarBinary = 129, kVarUnicode = 130;
inline constexpr uint32_t kBody = 256,       // LargeText 1200, compressed column
    kAttachment = 257,                       // LargeBinary
    kHeaders = 258,                          // LargeText 1252, compressed column
    kNumbers = 259,                          // Long, multi-valued
    kBlobs = 260,                            // LargeBinary, multi-valued
    kNames = 261,                            // Text 1200, multi-valued
    kTaggedGuid = 262, kTaggedDate = 263, kTaggedShort = 264, kTaggedULong = 265,
                          kTaggedBool = 266, kTaggedCurrency = 267, kTaggedFloat = 268,
                          kTaggedByte = 269, kTaggedUShort = 270, kTaggedLongLong = 271,
                          kTaggedDouble = 272, kTaggedBinary = 273, kSuperLarge = 274,
                          kPlainText = 275;  // LargeText 1252, not compressed
}  // namespace col

// libesedb 20181229 cannot create records holding type 13 (SuperLarge) values, and cannot
// decode Xpress values inside records (the engine itself puts only 7-bit values there).
// Tests of readers built on it leave those out.
struct Variant {
  bool super_large = true;
  bool inline_xpress = true;
};

inline TableDef all_types_table(const std::string& name, Variant variant = {}) {
  using T = ColumnType;
  TableDef t;
  t.name = name;
  t.columns = {
      {col::kBool, "Bool", T::Boolean, 0, 0, 1},
      {col::kByte, "Byte", T::UnsignedByte, 0, 0, 1},
      {col::kShort, "Short", T::Short, 0, 0, 2},
      {col::kLong, "Long", T::Long, cf::not_null, 0, 4},
      {col::kCurrency, "Currency", T::Currency, 0, 0, 8},
      {col::kFloat, "Float", T::Float32, 0, 0, 4},
      {col::kDouble, "Double", T::Float64, 0, 0, 8},
      {col::kDate, "Date", T::DateTime, 0, 0, 8},
      {col::kULong, "ULong", T::UnsignedLong, 0, 0, 4},
      {col::kLongLong, "LongLong", T::LongLong, 0, 0, 8},
      {col::kGuid, "Guid", T::Guid, 0, 0, 16},
      {col::kUShort, "UShort", T::UnsignedShort, 0, 0, 2},
      {col::kFixedText, "FixedText", T::Text, 0, 1252, 8},
      {col::kFixedBinary, "FixedBinary", T::Binary, 0, 0, 6},
      {col::kVarText, "VarText", T::Text, 0, 1252, 255},
      {col::kVarBinary, "VarBinary", T::Binary, 0, 0, 255},
      {col::kVarUnicode, "VarUnicode", T::Text, 0, 1200, 255},
      {col::kBody, "Body", T::LargeText, cf::compressed, 1200, 0},
      {col::kAttachment, "Attachment", T::LargeBinary, 0, 0, 0},
      {col::kHeaders, "Headers", T::LargeText, cf::compressed, 1252, 0},
      {col::kNumbers, "Numbers", T::Long, cf::multi_valued, 0, 0},
      {col::kBlobs, "Blobs", T::LargeBinary, cf::multi_valued, 0, 0},
      {col::kNames, "Names", T::Text, cf::multi_valued, 1200, 255},
      {col::kTaggedGuid, "TaggedGuid", T::Guid, 0, 0, 0},
      {col::kTaggedDate, "TaggedDate", T::DateTime, 0, 0, 0},
      {col::kTaggedShort, "TaggedShort", T::Short, 0, 0, 0},
      {col::kTaggedULong, "TaggedULong", T::UnsignedLong, 0, 0, 0},
      {col::kTaggedBool, "TaggedBool", T::Boolean, 0, 0, 0},
      {col::kTaggedCurrency, "TaggedCurrency", T::Currency, 0, 0, 0},
      {col::kTaggedFloat, "TaggedFloat", T::Float32, 0, 0, 0},
      {col::kTaggedByte, "TaggedByte", T::UnsignedByte, 0, 0, 0},
      {col::kTaggedUShort, "TaggedUShort", T::UnsignedShort, 0, 0, 0},
      {col::kTaggedLongLong, "TaggedLongLong", T::LongLong, 0, 0, 0},
      {col::kTaggedDouble, "TaggedDouble", T::Float64, 0, 0, 0},
      {col::kTaggedBinary, "TaggedBinary", T::Binary, 0, 0, 255},
      {col::kSuperLarge, "SuperLarge", T::SuperLarge, 0, 0, 0},
      {col::kPlainText, "PlainText", T::LargeText, 0, 1252, 0},
  };
  t.callbacks = {"JCB.DLL!EcJcbAttachCallback"};
  if (!variant.super_large)
    std::erase_if(t.columns, [](const ColumnDef& c) { return c.type == ColumnType::SuperLarge; });
  return t;
}

// Deterministic pseudo-random bytes (incompressible) for value i.
inline Bytes noise(size_t size, uint32_t seed) {
  Bytes b(size);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : b) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = uint8_t(x);
  }
  return b;
}

// Text that compresses well but is not one repeated character.
inline std::string mail_text(size_t size, uint32_t seed) {
  std::string s;
  while (s.size() < size) s += "Line " + std::to_string(seed + s.size() % 97) + " of the message body.\r\n";
  s.resize(size);
  return s;
}

// The cells of record i: every storage form turns up across records.
inline std::vector<Cell> all_types_cells(uint32_t i, Variant variant = {}) {
  std::vector<Cell> c;
  c.push_back({col::kBool, {Bytes{uint8_t(i % 2 ? 0xFF : 0x00)}}});
  c.push_back({col::kByte, {Bytes{uint8_t(i)}}});
  c.push_back({col::kShort, {le_bytes(uint16_t(-int(i)), 2)}});
  c.push_back({col::kLong, {le_bytes(i * 7, 4)}});
  if (i % 3 != 1) c.push_back({col::kCurrency, {le_bytes(uint64_t(i) * 10000, 8)}});  // NULLs too
  c.push_back({col::kFloat, {float_bytes(1.5f + float(i))}});
  c.push_back({col::kDouble, {double_bytes(3.14159 * i)}});
  c.push_back({col::kDate, {double_bytes(40000.5 + i)}});
  c.push_back({col::kULong, {le_bytes(0xFFFFFFF0u + i % 16, 4)}});
  c.push_back({col::kLongLong, {le_bytes(129440000000000000ull + i, 8)}});
  c.push_back({col::kGuid, {noise(16, i)}});
  if (i % 4 != 2) c.push_back({col::kUShort, {le_bytes(65535 - i % 1000, 2)}});
  c.push_back({col::kFixedText, {ascii("ab" + std::to_string(i % 100))}});
  c.push_back({col::kFixedBinary, {noise(6, i + 1)}});
  c.push_back({col::kVarText, {ascii("Subject " + std::to_string(i))}});
  if (i % 5 != 3) c.push_back({col::kVarBinary, {noise(1 + i % 200, i + 2)}});
  c.push_back({col::kVarUnicode, {utf16(u"Gr\u00fc\u00dfe \U0001F98A " + std::u16string(i % 9, u'x'))}});
  // Body: short raw, 7-bit, Xpress, long compressed.
  switch (i % 4) {
    case 0: c.push_back({col::kBody, {utf16_ascii("Hi " + std::to_string(i))}}); break;
    case 1: c.push_back({col::kBody, {utf16_ascii(mail_text(300, i))}, Storage::Compressed7Bit}); break;
    case 2:
      c.push_back({col::kBody, {utf16_ascii(mail_text(900, i))},
                   variant.inline_xpress ? Storage::CompressedXpress : Storage::Auto});
      break;
    default: c.push_back({col::kBody, {utf16_ascii(mail_text(20000 + i % 7, i))}}); break;
  }
  // Attachment: inline, forced separate, and a value of more than 1 MB every 50 records.
  if (i % 50 == 7)
    c.push_back({col::kAttachment, {noise(1100000 + i, i)}});
  else if (i % 3 == 0)
    c.push_back({col::kAttachment, {noise(40 + i % 100, i)}, Storage::LongValue});
  else
    c.push_back({col::kAttachment, {noise(1 + i % 600, i)}});
  c.push_back({col::kHeaders, {ascii(mail_text(i % 2 ? 5000 : 70, i + 5))},
               i % 6 == 5 ? Storage::LongValue : Storage::Auto});
  if (i % 2) c.push_back({col::kNumbers, {le_bytes(i, 4), le_bytes(i + 1, 4), le_bytes(0xFFFFFFFF, 4)}});
  else c.push_back({col::kNumbers, {le_bytes(i, 4)}});  // one value: stored as single
  if (i % 5 == 0) c.push_back({col::kBlobs, {noise(10, i), noise(3000, i + 1), Bytes{1, 2, 3}}});
  c.push_back({col::kNames, {utf16(u"Anna"), utf16(u"Bj\u00f6rn " + std::u16string(i % 4, u'z'))}});
  c.push_back({col::kTaggedGuid, {noise(16, i + 9)}});
  c.push_back({col::kTaggedDate, {double_bytes(45000.25 - i)}});
  c.push_back({col::kTaggedShort, {le_bytes(uint16_t(i * 3), 2)}});
  c.push_back({col::kTaggedULong, {le_bytes(i * 11, 4)}});
  c.push_back({col::kTaggedBool, {Bytes{0xFF}}});
  c.push_back({col::kTaggedCurrency, {le_bytes(uint64_t(-int64_t(i)), 8)}});
  c.push_back({col::kTaggedFloat, {float_bytes(-0.25f * i)}});
  c.push_back({col::kTaggedByte, {Bytes{uint8_t(255 - i % 256)}}});
  c.push_back({col::kTaggedUShort, {le_bytes(i % 65536, 2)}});
  c.push_back({col::kTaggedLongLong, {le_bytes(uint64_t(i) << 40, 8)}});
  c.push_back({col::kTaggedDouble, {double_bytes(1e300 / (i + 1))}});
  c.push_back({col::kTaggedBinary, {noise(1 + i % 200, i + 4)}});
  if (variant.super_large && i % 7 == 0) c.push_back({col::kSuperLarge, {noise(12, i)}});
  c.push_back({col::kPlainText, {ascii(mail_text(i % 2 ? 3000 : 12, i + 8))}});
  return c;
}

// What a reader must give back for a cell: fixed text comes back space-padded.
inline Bytes expected_single(const Cell& c) {
  Bytes v = c.elements.at(0);
  if (c.column_id == col::kFixedText) v.resize(8, ' ');
  return v;
}

}  // namespace edbgen::testing
