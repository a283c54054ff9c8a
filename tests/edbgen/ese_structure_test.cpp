// The file's structure read back with an independent page walker: header, fixed pages,
// catalogs, B-tree shape and links, long-value keys; and the writer's error behaviour.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "edbgen/ese_checksum.hpp"
#include "edbgen/ese_page_walk.hpp"
#include "edbgen/ese_test_tables.hpp"
#include "support/test_support.hpp"

namespace {

using namespace edbgen;
using namespace edbgen::testing;
using quorvine::testing::ScratchDir;

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t be32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

WriterOptions options_for(uint32_t page_size) {
  WriterOptions o;
  o.page_size = page_size;
  o.format_revision = page_size >= 32768 ? 0x11 : 0x14;
  o.creation_format_revision = o.format_revision;
  return o;
}

// A table holding only a counter and some text, for tall trees of small records.
TableDef counter_table(const std::string& name) {
  TableDef t;
  t.name = name;
  t.columns = {{1, "N", ColumnType::Long, 0, 0, 4}, {256, "Text", ColumnType::Text, 0, 1252, 255}};
  return t;
}

class EseStructure : public ::testing::TestWithParam<Format> {};

TEST_P(EseStructure, HeaderCatalogAndTreesAreWellFormed) {
  const uint32_t ps = GetParam().page_size;
  ScratchDir dir;
  const auto path = dir / "t.edb";
  const uint32_t small_records = ps == 4096 ? 30000 : 12000;
  {
    DatabaseWriter w(path, writer_options(GetParam()));
    TableWriter& all = w.add_table(all_types_table("AllTypes"));
    TableWriter& small = w.add_table(counter_table("Small"));
    // Interleaved filling of the two tables.
    for (uint32_t i = 0; i < small_records; ++i) {
      if (i % 200 == 0) all.add_record(all_types_cells(i / 200));
      small.add_record({{1, {le_bytes(i, 4)}}, {256, {ascii("row " + std::to_string(i) + std::string(60, '.'))}}});
    }
    EXPECT_EQ(small.record_count(), small_records);
    w.finish();
  }
  EseFile f(path);
  ASSERT_EQ(f.page_size(), ps);
  const Bytes& b = f.bytes();
  // Header and shadow are identical, checksummed, and zero from 668 on except the marker.
  EXPECT_TRUE(std::equal(b.begin(), b.begin() + ps, b.begin() + ps));
  EXPECT_EQ(le32(&b[0]), ese::header_checksum({b.data(), ps}));
  EXPECT_EQ(le32(&b[4]), 0x89ABCDEFu);
  EXPECT_EQ(le32(&b[8]), 0x620u);
  EXPECT_EQ(le32(&b[52]), 3u);
  EXPECT_TRUE(std::all_of(b.begin() + 668, b.begin() + ps, [](uint8_t c) { return c == 0; }));
  EXPECT_EQ(b.size() % ps, 0u);

  // Every page carries valid checksums, a database time not above the header's, and
  // the free-byte count the tags imply.
  const uint64_t header_time = le32(&b[16]) | uint64_t(le32(&b[20])) << 32;
  size_t pages_with_common_key = 0;
  for (uint32_t n = 1; n <= f.page_count(); ++n) {
    const uint8_t* raw = f.raw_page(n);
    if (le32(raw) == 0 && le32(raw + 36) == 0) continue;
    std::vector<uint8_t> copy(raw, raw + ps);
    ese::seal_page(copy, n);
    ASSERT_TRUE(std::equal(copy.begin(), copy.end(), raw)) << "page " << n;
    const uint64_t t = le32(raw + 8) | uint64_t(le32(raw + 12)) << 32;
    ASSERT_LE(t, header_time);
    PageView pv = f.page(n);
    size_t used = 0;
    for (const Bytes& v : pv.values) used += v.size();
    ASSERT_EQ(pv.free_bytes, ps - (ps >= 16384 ? 80 : 40) - used - 4 * pv.values.size()) << n;
    ASSERT_TRUE(pv.flags & 0x2000);
    if (!(pv.flags & 1) && !pv.values.empty() && !pv.values[0].empty()) ++pages_with_common_key;
    if (ps >= 16384) {
      ASSERT_EQ(le32(raw + 64), n);
    }
  }

  EXPECT_GT(pages_with_common_key, 10u);  // keys share prefixes on most non-root pages

  // Both catalogs list the same entries; the tables, columns, LV and callback are there.
  std::vector<std::string> faults;
  auto cat = f.catalog(4, faults);
  auto shadow = f.catalog(24, faults);
  ASSERT_TRUE(faults.empty()) << faults.front();
  ASSERT_EQ(cat.size(), shadow.size());
  EXPECT_EQ(f.page(4).objid, 2u);
  EXPECT_EQ(f.page(24).objid, 3u);
  uint32_t all_root = 0, small_root = 0, lv_root = 0, all_objid = 0, lv_objid = 0, columns = 0;
  std::string callback;
  for (size_t i = 0; i < cat.size(); ++i) {
    EXPECT_EQ(cat[i].name, shadow[i].name);
    EXPECT_EQ(cat[i].id, shadow[i].id);
    const auto& r = cat[i];
    if (r.type == 1 && r.name == "AllTypes") all_root = r.coltyp_or_pgno, all_objid = r.objid;
    if (r.type == 1 && r.name == "Small") small_root = r.coltyp_or_pgno;
    if (r.type == 2 && r.objid == all_objid) ++columns;
    if (r.type == 4 && r.objid == all_objid) lv_root = r.coltyp_or_pgno, lv_objid = r.id;
    if (r.type == 5 && r.objid == all_objid) callback = r.template_table;
  }
  EXPECT_EQ(columns, all_types_table("x").columns.size());
  EXPECT_EQ(callback, "JCB.DLL!EcJcbAttachCallback");
  ASSERT_NE(all_root, 0u);
  ASSERT_NE(small_root, 0u);
  ASSERT_NE(lv_root, 0u);

  // The small table: keys 1..n in order, several levels, links and separators sound.
  TreeShape small = f.walk(small_root, faults);
  ASSERT_TRUE(faults.empty()) << faults.front();
  ASSERT_EQ(small.leaves.size(), small_records);
  for (uint32_t i = 0; i < small_records; ++i) ASSERT_EQ(be32(small.leaves[i].key, 0), i + 1);
  EXPECT_GE(small.depth, 2);
  if (ps == 4096) {
    EXPECT_GE(small.depth, 3);  // branch pages of their own
  }

  // The long-value tree: parent is the table root, each root entry before its segments,
  // offsets adding up to the stated length.
  PageView lv_root_page = f.page(lv_root);
  EXPECT_EQ(lv_root_page.objid, lv_objid);
  EXPECT_TRUE(lv_root_page.flags & 0x80);
  EXPECT_EQ(le32(&lv_root_page.values[0][4]), all_root);
  TreeShape lv = f.walk(lv_root, faults);
  ASSERT_TRUE(faults.empty()) << faults.front();
  // Segments follow their root with offsets from 0 in equal steps; the last one starts
  // within one step of the stated length.
  uint32_t current = 0, total = 0, values = 0, step = 0, last_offset = 0;
  size_t segments = 0;
  auto check_value_end = [&] {
    if (current == 0) return;
    ASSERT_GT(segments, 0u) << "value " << current;
    EXPECT_LT(last_offset, total) << "value " << current;
    if (segments > 1) {
      EXPECT_LE(total - last_offset, step) << "value " << current;
    }
  };
  for (const TreeEntry& e : lv.leaves) {
    if (e.key.size() == 4) {
      check_value_end();
      current = be32(e.key, 0);
      ASSERT_EQ(e.data.size(), 8u);
      EXPECT_EQ(le32(&e.data[0]), 1u);
      total = le32(&e.data[4]);
      segments = 0;
      ++values;
    } else {
      ASSERT_EQ(e.key.size(), 8u);
      ASSERT_EQ(be32(e.key, 0), current);
      const uint32_t offset = be32(e.key, 4);
      if (segments == 0) {
        ASSERT_EQ(offset, 0u);
      } else if (segments == 1) {
        step = offset;
      } else {
        ASSERT_EQ(offset - last_offset, step) << "value " << current;
      }
      last_offset = offset;
      ++segments;
    }
  }
  check_value_end();
  EXPECT_GT(values, 10u);
}

INSTANTIATE_TEST_SUITE_P(Formats, EseStructure, ::testing::ValuesIn(exchange_formats()),
                         [](const auto& info) { return format_name(info.param); });

TEST(EseWriterErrors, UnfinishedWriterLeavesNoFile) {
  ScratchDir dir;
  const auto path = dir / "gone.edb";
  {
    DatabaseWriter w(path, options_for(8192));
    TableWriter& t = w.add_table(counter_table("T"));
    for (uint32_t i = 0; i < 5000; ++i) t.add_record({{1, {le_bytes(i, 4)}}});
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(EseWriterErrors, FinishReplacesTheTargetAtomically) {
  ScratchDir dir;
  const auto path = dir / "done.edb";
  { std::ofstream(path) << "old"; }
  DatabaseWriter w(path, options_for(4096));
  w.add_table(counter_table("T")).add_record({{1, {le_bytes(1, 4)}}});
  EXPECT_EQ(std::filesystem::file_size(path), 3u);  // untouched until finish()
  w.finish();
  EXPECT_GT(std::filesystem::file_size(path), 3u * 4096);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_THROW(w.finish(), std::logic_error);
}

TEST(EseWriterErrors, BadOptionsAndDefinitionsAreRefused) {
  ScratchDir dir;
  WriterOptions odd = options_for(8192);
  odd.page_size = 2048;
  EXPECT_THROW(DatabaseWriter(dir / "a.edb", odd), std::invalid_argument);
  WriterOptions old = options_for(32768);
  old.format_revision = 0x0c;  // large pages need the extended header
  EXPECT_THROW(DatabaseWriter(dir / "b.edb", old), std::invalid_argument);

  DatabaseWriter w(dir / "c.edb", options_for(8192));
  TableDef gap = counter_table("Gap");
  gap.columns.push_back({3, "Three", ColumnType::Long, 0, 0, 4});  // fixed 2 missing
  EXPECT_THROW(w.add_table(gap), std::invalid_argument);
  TableDef twice = counter_table("Twice");
  twice.columns.push_back({256, "Again", ColumnType::Long, 0, 0, 4});
  EXPECT_THROW(w.add_table(twice), std::invalid_argument);
  TableDef long_fixed = counter_table("LongFixed");
  long_fixed.columns.push_back({2, "Blob", ColumnType::LargeBinary, 0, 0, 0});
  EXPECT_THROW(w.add_table(long_fixed), std::invalid_argument);
  w.add_table(counter_table("T"));
  EXPECT_THROW(w.add_table(counter_table("T")), std::invalid_argument);
}

TEST(EseWriterErrors, BadRecordsAreRefusedWithoutBreakingTheTable) {
  ScratchDir dir;
  const auto path = dir / "r.edb";
  DatabaseWriter w(path, options_for(4096));
  TableDef def = all_types_table("AllTypes");
  TableWriter& t = w.add_table(def);
  auto try_cells = [&](std::vector<Cell> cells) { t.add_record(cells); };
  EXPECT_THROW(try_cells({{999, {Bytes{1}}}}), std::invalid_argument);                  // no column
  EXPECT_THROW(try_cells({{col::kLong, {Bytes{1, 2}}}}), std::invalid_argument);        // wrong size
  EXPECT_THROW(try_cells({{col::kLong, {le_bytes(1, 4), le_bytes(2, 4)}}}), std::invalid_argument);
  EXPECT_THROW(try_cells({{col::kTaggedGuid, {noise(16, 1), noise(16, 2)}}}), std::invalid_argument);
  EXPECT_THROW(try_cells({{col::kTaggedBinary, {Bytes{1}}, Storage::LongValue}}), std::invalid_argument);
  EXPECT_THROW(try_cells({{col::kHeaders, {ascii("caf\xe9 caf\xe9")}, Storage::Compressed7Bit}}),
               std::invalid_argument);
  // Non-long values that cannot leave the record make it too large for the page.
  std::vector<Cell> huge;
  for (uint32_t id : {col::kVarText, col::kVarBinary, col::kTaggedBinary})
    huge.push_back({id, {noise(1500, id)}});
  EXPECT_THROW(try_cells(huge), std::length_error);
  EXPECT_EQ(t.record_count(), 0u);
  try_cells(all_types_cells(1));
  EXPECT_EQ(t.record_count(), 1u);
  w.finish();
  std::vector<std::string> faults;
  EseFile f(path);
  auto cat = f.catalog(4, faults);
  for (const auto& r : cat)
    if (r.type == 1 && r.name == "AllTypes") {
      TreeShape s = f.walk(r.coltyp_or_pgno, faults);
      ASSERT_EQ(s.leaves.size(), 1u);
      EXPECT_EQ(be32(s.leaves[0].key, 0), 1u);  // the refused records used no key
    }
  EXPECT_TRUE(faults.empty());
}

}  // namespace

namespace {

TEST(EseWriterLongValues, RecordThatOutgrowsItsPageSeparatesWithoutOrphans) {
  ScratchDir dir;
  const auto path = dir / "lv.edb";
  TableDef def;
  def.name = "Blobs";
  for (uint32_t k = 0; k < 5; ++k)
    def.columns.push_back({256 + k, "Blob" + std::to_string(k), ColumnType::LargeBinary, 0, 0, 0});
  {
    DatabaseWriter w(path, writer_options({4096, 0x0c}));
    TableWriter& t = w.add_table(def);
    // Each value fits inline alone; together they need the long-value tree.
    std::vector<Cell> cells;
    for (uint32_t k = 0; k < 5; ++k) cells.push_back({256 + k, {noise(1000, k)}});
    t.add_record(cells);
    t.add_record({{256, {noise(100, 9)}}});
    w.finish();
  }
  EseFile f(path);
  std::vector<std::string> faults;
  uint32_t lv_root = 0;
  for (const auto& r : f.catalog(4, faults))
    if (r.type == 4) lv_root = r.coltyp_or_pgno;
  ASSERT_NE(lv_root, 0u);
  size_t roots = 0;
  for (const TreeEntry& e : f.walk(lv_root, faults).leaves) roots += e.key.size() == 4;
  EXPECT_TRUE(faults.empty());
  EXPECT_EQ(roots, 5u);  // one per value, none left over from the first attempt
}

}  // namespace
