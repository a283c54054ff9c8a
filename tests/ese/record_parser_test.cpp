// Crafted records through our record reader: fixed columns with the null bitmap, variable
// columns with NULL entries, tagged columns in the small- and large-page forms, defaults,
// and records whose areas leave the record.
#include <gtest/gtest.h>

#include "ese/error.hpp"
#include "ese/record_parser.hpp"

namespace quorvine::ese {
namespace {

using Bytes = std::vector<uint8_t>;

ColumnInfo column(uint32_t id, ColumnType type, uint32_t flags = 0, Bytes default_value = {}) {
  ColumnInfo c;
  c.id = id;
  c.name = "c" + std::to_string(id);
  c.type = type;
  c.flags = flags;
  c.default_value = std::move(default_value);
  return c;
}

struct Parsed {
  std::vector<std::optional<StoredValue>> values;
  std::optional<Bytes> raw(size_t i) const { return values[i] ? std::optional<Bytes>(values[i]->raw) : std::nullopt; }
  uint8_t flags(size_t i) const { return values[i] ? values[i]->flags : 0xEE; }
};

// Columns: fixed 1 (Long) and 2 (Short), variable 128 and 129, tagged 256, 257, 258 (258
// has a default).
Parsed parse(const Bytes& record, bool large_pages = false) {
  auto columns = std::make_shared<std::vector<ColumnInfo>>(std::vector<ColumnInfo>{
      column(1, ColumnType::Long), column(2, ColumnType::Short), column(128, ColumnType::Binary),
      column(129, ColumnType::Binary), column(256, ColumnType::LargeBinary), column(257, ColumnType::Long),
      column(258, ColumnType::Binary, column_flags::has_default, Bytes{0xDE, 0xFA})});
  detail::RecordFormat format;
  format.flag_byte_always = large_pages;
  format.tagged_offset_mask = large_pages ? 0x7FFF : 0x3FFF;
  detail::RecordSchema schema(columns, {4, 2, 0, 0, 0, 0, 0}, format);
  Parsed out;
  out.values.resize(columns->size());
  std::vector<size_t> all{0, 1, 2, 3, 4, 5, 6};
  schema.read(record, all, out.values);
  return out;
}

// Header: last fixed 2, last variable 129, variable array at 4 + 6 + 1 (bitmap) = 11.
Bytes small_record() {
  return {2, 129, 11, 0,
          1, 0, 0, 0,       // fixed 1 = 1
          0xAA, 0xBB,       // fixed 2 (NULL by the bitmap)
          0xFE,             // null bitmap: bit 1 set (column 2), unused bits set
          0x00, 0x80,       // 128: NULL (end 0)
          0x03, 0x00,       // 129: bytes 0..3
          'a', 'b', 'c',
          // tagged: 256 at 8 with a flag byte (0x4000), 257 at 13 without
          0x00, 0x01, 0x08, 0x40, 0x01, 0x01, 0x0D, 0x00,
          0x05, 7, 0, 0, 0,  // 256: flags 0x05, a 4-byte reference
          9, 0, 0, 0};       // 257: 9
}

TEST(RecordParser, ReadsFixedVariableAndTaggedColumnsOfSmallPages) {
  Parsed p = parse(small_record());
  EXPECT_EQ(p.raw(0), (Bytes{1, 0, 0, 0}));
  EXPECT_FALSE(p.raw(1)) << "the null bitmap marks column 2";
  EXPECT_FALSE(p.raw(2)) << "a NULL variable column";
  EXPECT_EQ(p.raw(3), (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(p.raw(4), (Bytes{7, 0, 0, 0}));
  EXPECT_EQ(p.flags(4), 0x05);
  EXPECT_EQ(p.raw(5), (Bytes{9, 0, 0, 0}));
  EXPECT_EQ(p.flags(5), 0);
  EXPECT_EQ(p.raw(6), (Bytes{0xDE, 0xFA})) << "an absent tagged column takes its default";
  EXPECT_EQ(p.values[0]->type, ColumnType::Long);
}

TEST(RecordParser, LargePagesPutAFlagByteBeforeEveryTaggedValue) {
  // No fixed or variable columns; tagged 256 at 8 (flag byte 0 allowed) and 257 at 10.
  Bytes r = {0, 127, 4, 0, 0x00, 0x01, 0x08, 0x00, 0x01, 0x01, 0x0A, 0x00, 0x00, 0x42, 0x00, 5, 0, 0, 0};
  Parsed p = parse(r, true);
  EXPECT_EQ(p.raw(4), (Bytes{0x42}));
  EXPECT_EQ(p.flags(4), 0x00);
  EXPECT_EQ(p.raw(5), (Bytes{5, 0, 0, 0}));
  EXPECT_FALSE(p.raw(0)) << "no fixed columns present";
  // A tagged area past 16 KiB: offsets take 15 bits, so 0x4000 is part of 257's offset.
  Bytes big = {0, 127, 4, 0, 0x00, 0x01, 0x08, 0x00, 0x01, 0x01, 0x09, 0x40};
  big.push_back(0x01);
  big.insert(big.end(), 0x4000, 'x');
  big.insert(big.end(), {0x00, 6, 0, 0, 0});
  p = parse(big, true);
  EXPECT_EQ(p.raw(4)->size(), 0x4000u);
  EXPECT_EQ(p.flags(4), 0x01);
  EXPECT_EQ(p.raw(5), (Bytes{6, 0, 0, 0}));
}

TEST(RecordParser, AreasOutsideTheRecordAreDamage) {
  Bytes r = small_record();
  Bytes bad = r;
  bad[2] = 0xF0;  // variable array beyond the record
  EXPECT_THROW(parse(bad), EseError);
  bad = r;
  bad[13] = 0x40;  // variable 129 ends far past the record
  EXPECT_THROW(parse(bad), EseError);
  bad = r;
  bad[20] = 0x30;  // tagged array size beyond the tagged area
  EXPECT_THROW(parse(bad), EseError);
  bad = r;
  bad[24] = 0x03;  // 257 starts before 256 ends: 256 would run backwards
  EXPECT_THROW(parse(bad), EseError);
  EXPECT_THROW(parse(Bytes{2, 127}), EseError);
  // A fixed column longer than the record.
  EXPECT_THROW(parse(Bytes{1, 127, 6, 0, 1, 0}), EseError);
}

}  // namespace
}  // namespace quorvine::ese
