// Values written and read back through the product's reading layer: every column type and
// storage form, long values over 1 MB, multi-values, 7-bit and Xpress values, every page
// size, and a table of 100,000 records.
#include <gtest/gtest.h>

#include "edbgen/ese_test_tables.hpp"
#include "ese/database.hpp"
#include "support/test_support.hpp"

namespace {

using namespace edbgen;
using namespace edbgen::testing;
using quorvine::testing::ScratchDir;
namespace qe = quorvine::ese;

std::string column_name(const TableDef& def, uint32_t id) {
  for (const auto& c : def.columns)
    if (c.id == id) return c.name;
  return {};
}

// The reading layer walks records through libesedb, which cannot create a record holding a
// type 13 value.
constexpr Variant kReadable{false, true};

class EseRoundTrip : public ::testing::TestWithParam<Format> {};

TEST_P(EseRoundTrip, EveryTypeAndStorageFormReadsBack) {
  const uint32_t ps = GetParam().page_size;
  ScratchDir dir;
  const auto path = dir / "rt.edb";
  const uint32_t records = 110;  // includes three attachments of more than 1 MB
  const TableDef def = all_types_table("Messages", kReadable);
  {
    DatabaseWriter w(path, writer_options(GetParam()));
    TableWriter& t = w.add_table(def);
    for (uint32_t i = 0; i < records; ++i) t.add_record(all_types_cells(i, kReadable));
    w.finish();
  }
  qe::Database db = qe::Database::open(path);
  EXPECT_EQ(db.header().page_size, ps);
  EXPECT_EQ(db.header().format_revision, GetParam().revision);
  EXPECT_EQ(db.header().format_version, 0x620u);
  EXPECT_TRUE(db.header().clean());
  auto index = db.find_table("Messages");
  ASSERT_TRUE(index);
  EXPECT_EQ(db.tables()[*index].callbacks, def.callbacks);
  qe::Table table = db.open_table(*index);
  ASSERT_EQ(table.record_count(), records);
  ASSERT_EQ(table.columns().size(), def.columns.size());
  for (size_t c = 0; c < def.columns.size(); ++c) {
    EXPECT_EQ(table.columns()[c].id, def.columns[c].id);
    EXPECT_EQ(table.columns()[c].type, def.columns[c].type);
    EXPECT_EQ(table.columns()[c].flags, def.columns[c].flags);
    EXPECT_EQ(table.columns()[c].codepage, def.columns[c].codepage);
  }
  std::vector<std::string> null_faults;
  for (uint32_t i = 0; i < records; ++i) {
    qe::Record r = table.read_record(i);
    std::vector<bool> seen(def.columns.size(), false);
    for (const Cell& cell : all_types_cells(i, kReadable)) {
      const std::string name = column_name(def, cell.column_id);
      auto c = table.column_index(name);
      ASSERT_TRUE(c) << name;
      seen[*c] = true;
      if (cell.elements.size() == 1) {
        auto got = r.bytes(*c);
        ASSERT_TRUE(got) << "record " << i << " " << name;
        ASSERT_EQ(*got, expected_single(cell)) << "record " << i << " " << name;
      } else {
        auto got = r.multi_values(*c);
        ASSERT_EQ(got.size(), cell.elements.size()) << "record " << i << " " << name;
        for (size_t k = 0; k < got.size(); ++k)
          ASSERT_EQ(got[k].data, cell.elements[k]) << "record " << i << " " << name << " #" << k;
      }
    }
    // Columns the record did not set read as empty (fixed NULLs included).
    for (size_t c = 0; c < seen.size(); ++c)
      if (!seen[c] && r.bytes(c)) null_faults.push_back(def.columns[c].name + " of record " + std::to_string(i));
  }
  EXPECT_TRUE(null_faults.empty()) << null_faults.size() << " NULL values read as set, first: "
                                   << null_faults.front();
  // The storage forms asked for are the ones stored: 7-bit, Xpress, separated.
  auto body = *table.column_index("Body");
  auto attachment = *table.column_index("Attachment");
  auto numbers = *table.column_index("Numbers");
  auto flags_of = [&](uint32_t i, size_t c) { return table.read_record(i).stored(c)->flags; };
  auto first_byte = [&](uint32_t i, size_t c) { return table.read_record(i).stored(c)->raw.at(0); };
  EXPECT_EQ(flags_of(1, body), qe::value_flags::variable_size | qe::value_flags::compressed);
  EXPECT_EQ(first_byte(1, body) >> 3, 2);  // 7-bit Unicode
  EXPECT_EQ(flags_of(2, body), qe::value_flags::variable_size | qe::value_flags::compressed);
  EXPECT_EQ(first_byte(2, body), 0x18);  // Xpress
  EXPECT_EQ(flags_of(3, body), qe::value_flags::variable_size | qe::value_flags::long_value);
  EXPECT_EQ(flags_of(0, body) & qe::value_flags::long_value, 0);
  EXPECT_EQ(flags_of(7, attachment), qe::value_flags::variable_size | qe::value_flags::long_value);
  EXPECT_EQ(flags_of(1, numbers), qe::value_flags::multi_value);
  EXPECT_EQ(flags_of(2, numbers) & qe::value_flags::multi_value, 0);  // one value: single form

  // Text decodes through the column's code page, surrogate pairs included.
  auto var_unicode = table.column_index("VarUnicode");
  ASSERT_TRUE(var_unicode);
  EXPECT_EQ(table.read_record(2).text(*var_unicode), "Gr\u00fc\u00dfe \U0001F98A xx");
}

INSTANTIATE_TEST_SUITE_P(Formats, EseRoundTrip, ::testing::ValuesIn(exchange_formats()),
                         [](const auto& info) { return format_name(info.param); });

TEST(EseRoundTripLarge, HundredThousandRecordsInInterleavedTables) {
  ScratchDir dir;
  const auto path = dir / "big.edb";
  constexpr uint32_t kRecords = 100000;
  TableDef a;
  a.name = "Msg";
  a.columns = {{1, "Id", ColumnType::Long, 0, 0, 4},
               {256, "Subject", ColumnType::Text, 0, 1200, 255},
               {257, "Body", ColumnType::LargeText, quorvine::ese::column_flags::compressed, 1200, 0}};
  TableDef b;
  b.name = "Att";
  b.columns = {{1, "Id", ColumnType::Long, 0, 0, 4}, {256, "Data", ColumnType::LargeBinary, 0, 0, 0}};
  {
    DatabaseWriter w(path, WriterOptions{});
    TableWriter& ta = w.add_table(a);
    TableWriter& tb = w.add_table(b);
    for (uint32_t i = 0; i < kRecords; ++i) {
      ta.add_record({{1, {le_bytes(i, 4)}},
                     {256, {utf16_ascii("Subject " + std::to_string(i))}},
                     {257, {utf16_ascii(mail_text(200 + i % 3000, i))}}});
      if (i % 10 == 0) tb.add_record({{1, {le_bytes(i, 4)}}, {256, {noise(500 + i % 5000, i)}}});
    }
    w.finish();
  }
  qe::Database db = qe::Database::open(path);
  qe::Table ta = db.open_table(*db.find_table("Msg"));
  qe::Table tb = db.open_table(*db.find_table("Att"));
  ASSERT_EQ(ta.record_count(), kRecords);
  ASSERT_EQ(tb.record_count(), kRecords / 10);
  for (uint32_t i = 0; i < kRecords; i += (i < 2000 ? 1 : 997)) {
    qe::Record r = ta.read_record(i);
    ASSERT_EQ(r.bytes(0), le_bytes(i, 4)) << i;
    ASSERT_EQ(r.bytes(1), utf16_ascii("Subject " + std::to_string(i))) << i;
    ASSERT_EQ(r.bytes(2), utf16_ascii(mail_text(200 + i % 3000, i))) << i;
  }
  for (uint32_t k = 0; k < kRecords / 10; k += 37) {
    const uint32_t i = k * 10;
    qe::Record r = tb.read_record(k);
    ASSERT_EQ(r.bytes(0), le_bytes(i, 4)) << i;
    ASSERT_EQ(r.bytes(1), noise(500 + i % 5000, i)) << i;
  }
}

}  // namespace

TEST(EseRoundTripStorage, InlineLongValuesStayInTheRecord) {
  ScratchDir dir;
  const auto path = dir / "inline.edb";
  TableDef def;
  def.name = "T";
  def.columns = {{256, "Blob", ColumnType::LargeBinary, 0, 0, 0}};
  const Bytes big = noise(3000, 1);
  {
    DatabaseWriter w(path, writer_options({8192, 0x14}));
    TableWriter& t = w.add_table(def);
    t.add_record({{256, {big}, Storage::Inline}});
    t.add_record({{256, {big}}});
    // Too large for the page when kept inline.
    EXPECT_THROW(t.add_record({{256, {noise(9000, 2)}, Storage::Inline}}), std::length_error);
    w.finish();
  }
  qe::Database db = qe::Database::open(path);
  qe::Table t = db.open_table(*db.find_table("T"));
  ASSERT_EQ(t.record_count(), 2u);
  qe::Record inline_record = t.read_record(0);
  EXPECT_EQ(inline_record.stored(0)->flags, qe::value_flags::variable_size);
  EXPECT_EQ(inline_record.bytes(0), big);
  qe::Record separated = t.read_record(1);
  EXPECT_EQ(separated.stored(0)->flags, qe::value_flags::variable_size | qe::value_flags::long_value);
  EXPECT_EQ(separated.bytes(0), big);
}
