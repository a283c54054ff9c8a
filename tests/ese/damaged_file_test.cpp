// Damaged databases: the samples libesedb cannot read, and truncated or byte-flipped
// copies of readable ones. Each must give an EseError or partial data, never a crash or
// a hang.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "edbgen/ese_checksum.hpp"
#include "ese/byte_reader.hpp"
#include "ese/error.hpp"
#include "ese/page_reader.hpp"
#include "ese/sample_values.hpp"

namespace quorvine::ese {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;
using namespace quorvine::ese::testing;

struct Outcome {
  bool opened = false;
  size_t values = 0;
  size_t errors = 0;
};

// Reads every value it can; errors are counted, anything other than EseError escapes and
// fails the test.
Outcome read_everything(const fs::path& file) {
  Outcome outcome;
  std::optional<Database> db;
  try {
    db = Database::open(file);
  } catch (const EseError& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    ++outcome.errors;
    return outcome;
  }
  outcome.opened = true;
  outcome.errors += db->damaged_catalog_entries();
  for (const TableInfo& info : db->tables()) {
    std::optional<Table> table;
    try {
      table = db->open_table(info.index);
    } catch (const EseError&) {
      ++outcome.errors;
      continue;
    }
    outcome.errors += table->damaged_pages();
    for (uint64_t row = 0; row < table->record_count(); ++row) {
      Record record;
      try {
        record = table->read_record(row);
      } catch (const EseError&) {
        ++outcome.errors;
        continue;
      }
      for (size_t c = 0; c < record.column_count(); ++c) {
        if (!record.has_value(c)) continue;
        try {
          record.multi_values(c);
          record.long_value_segments(c);
          record.text(c);
          ++outcome.values;
        } catch (const EseError&) {
          ++outcome.errors;
        }
      }
    }
  }
  return outcome;
}

std::vector<uint8_t> load(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void save(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(DamagedSamples, FilesLibesedbCannotReadGiveErrorsOrPartialData) {
  QUORVINE_REQUIRE_SAMPLES();
  // Revision 0x12c, whose header libesedb refuses and whose tag counts carry flag bits:
  // every table reads without damage.
  Outcome newer = read_everything(quorvine::testing::ese_sample("velo_bits_qmgr_rev300.db"));
  EXPECT_TRUE(newer.opened);
  EXPECT_GT(newer.values, 0u);
  EXPECT_EQ(newer.errors, 0u);
  // A just-created file whose catalog pages belong to the shadow catalog's object and were
  // never sealed: a clean error naming the file (read_everything checks the name).
  Outcome fresh = read_everything(quorvine::testing::ese_sample("museum_ntds_2012r2_temp_justcreated.edb"));
  EXPECT_GT(fresh.errors, 0u);
  // A dirty 32 KiB file with page flags libesedb 20181229 refuses: its other tables read.
  Outcome o = read_everything(quorvine::testing::ese_sample("museum_winsearch_win10_dirty_Windows.edb"));
  EXPECT_TRUE(o.opened);
  EXPECT_GT(o.values, 0u);
  EXPECT_GT(o.errors, 0u);
}

TEST(DamagedSamples, WideLargePageRecordsReadOrFailCleanly) {
  QUORVINE_REQUIRE_SAMPLES();
  // 64 993 tagged columns; column i sits in row i / 4096 and holds i. libesedb 20181229
  // masks large-page tagged offsets to 14 bits and fails rows whose tagged area reaches
  // 16 KiB; our reader takes 15 bits and reads them all.
  SampleTable t = open_sample_table("dissect_large_32k.edb", "large");
  ASSERT_EQ(t.table.record_count(), 16u);
  ASSERT_EQ(t.table.columns().size(), 64994u);
  EXPECT_EQ(t.database.header().page_size, 32768u);
  size_t rows_read = 0;
  for (uint64_t row = 0; row < 16; ++row) {
    const size_t first = row * 4096;
    std::vector<size_t> wanted{first + 1, std::min<size_t>(first + 4096, 64993)};
    try {
      Record record = t.table.read_record(row, wanted);
      for (size_t column : wanted) {
        SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
        ASSERT_TRUE(record.bytes(column));
        EXPECT_EQ(as<uint16_t>(*record.bytes(column)), column - 1);
      }
      ++rows_read;
    } catch (const EseError& e) {
      EXPECT_NE(std::string(e.what()).find("large"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(rows_read, 16u);
}

TEST(DamagedSamples, TruncatedCopiesNeverCrash) {
  QUORVINE_REQUIRE_SAMPLES();
  ScratchDir dir;
  for (const char* name : {"dissect_text.edb", "stroz_decompress_xpress.edb", "artemis_bits_win10_qmgr.db"}) {
    auto bytes = load(quorvine::testing::ese_sample(name));
    std::mt19937 rng(42);
    for (int round = 0; round < 12; ++round) {
      size_t keep = rng() % bytes.size();
      fs::path copy = dir / ("cut" + std::to_string(round) + ".edb");
      save(copy, std::vector<uint8_t>(bytes.begin(), bytes.begin() + keep));
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(keep));
      read_everything(copy);
    }
  }
}

TEST(DamagedSamples, ByteFlippedCopiesNeverCrash) {
  QUORVINE_REQUIRE_SAMPLES();
  ScratchDir dir;
  size_t opened = 0, errors = 0;
  for (const char* name : {"dissect_text.edb", "dissect_multi.edb", "stroz_decompress_xpress.edb",
                           "artemis_bits_win10_qmgr.db"}) {
    const auto original = load(quorvine::testing::ese_sample(name));
    for (uint32_t seed = 1; seed <= 25; ++seed) {
      std::mt19937 rng(seed);
      auto bytes = original;
      // Flips land in the used part of the file (the first pages: catalog, tables, long
      // values), a few bytes or a burst.
      const size_t used = std::min<size_t>(bytes.size(), 64 * 4096);
      const int flips = 1 + static_cast<int>(rng() % 40);
      for (int i = 0; i < flips; ++i) bytes[rng() % used] ^= static_cast<uint8_t>(1 + rng() % 255);
      fs::path copy = dir / ("flip" + std::to_string(seed) + ".edb");
      save(copy, bytes);
      SCOPED_TRACE(std::string(name) + " seed " + std::to_string(seed));
      Outcome o = read_everything(copy);
      opened += o.opened;
      errors += o.errors;
    }
  }
  // The damage must have been noticed somewhere, and not every copy may be refused outright.
  EXPECT_GT(errors, 0u);
  EXPECT_GT(opened, 0u);
}

// A generated store whose biggest mailbox table has a two-level tree, to break its branches.
struct BrokenTree {
  ScratchDir dir;
  fs::path store = dir / "store.edb";
  std::vector<uint8_t> bytes;
  uint32_t page_size = 4096;
  uint32_t root = 0;
  std::string table;
  uint64_t records = 0;
  std::vector<uint32_t> child_at;  // file offsets of the root's child page numbers

  BrokenTree() {
    const std::string command = "'" + quorvine::testing::edbgen_program().string() +
                                "' --exchange 2007 --scale 300 --page-size 4096 --out '" + store.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(quorvine::testing::run_command(command).status, 0);
    Database db = Database::open(store);
    uint32_t object_id = 0;
    for (const TableInfo& info : db.tables()) {
      if (info.name.rfind("MSys", 0) == 0) continue;
      Table t = db.open_table(info.index);
      if (t.record_count() > records) {
        records = t.record_count();
        table = info.name;
        object_id = info.object_id;
      }
    }
    bytes = load(store);
    auto reader = std::make_shared<detail::PageReader>(std::make_shared<detail::MemorySource>(bytes),
                                                       detail::PageLayout{page_size, db.header().format_revision});
    for (uint32_t n = 1; n <= reader->page_count() && !root; ++n) {
      const ByteReader p(std::span<const uint8_t>(bytes).subspan((n + 1ull) * page_size, page_size), "Page", n);
      const uint32_t flags = p.u32_at(format::page_header::flags, "the flags");
      if (p.u32_at(format::page_header::object_id, "the object id") == object_id && (flags & 0x1) && !(flags & 0x2) &&
          !(flags & 0xE0))
        root = n;
    }
    EXPECT_NE(root, 0u) << "the biggest table has no branch root";
    if (!root) return;
    detail::Page page = reader->read(root);
    for (const auto& e : page.entries)
      child_at.push_back(static_cast<uint32_t>((root + 1ull) * page_size + e.data_offset));
  }
  uint32_t child(size_t i) const { return ByteReader(bytes, "The store").u32_at(child_at[i], "a child page"); }
  void set_child(std::vector<uint8_t>& b, size_t i, uint32_t page) const {
    for (int k = 0; k < 4; ++k) b[child_at[i] + k] = static_cast<uint8_t>(page >> (8 * k));
    edbgen::ese::seal_page(std::span<uint8_t>(b).subspan((root + 1ull) * page_size, page_size), root);
  }
  // Opens the damaged copy and reads its biggest table through a pass.
  void expect_counted_damage(const std::vector<uint8_t>& damaged, const std::string& what) {
    SCOPED_TRACE(what);
    fs::path copy = dir / "damaged.edb";
    save(copy, damaged);
    Database db = Database::open(copy);
    auto index = db.find_table(table);
    ASSERT_TRUE(index) << table << "; catalog damage " << db.damaged_catalog_entries();
    Table t = db.open_table(*index);
    EXPECT_GE(t.damaged_pages(), 1u);
    EXPECT_LT(t.record_count(), records);
    EXPECT_GT(t.record_count(), 0u) << "the rest of the tree is still read";
    std::vector<size_t> all(t.columns().size());
    for (size_t c = 0; c < all.size(); ++c) all[c] = c;
    PassResult pass = t.for_each_record(all, [](uint64_t, const Record&) { return true; });
    EXPECT_EQ(pass.visited, t.record_count());
    EXPECT_GE(pass.skipped, 1u);
    EXPECT_FALSE(pass.stopped);
  }
};

TEST(DamagedTrees, CyclesForeignPagesAndChildrenOutsideTheFileAreCountedDamage) {
  BrokenTree tree;
  ASSERT_GE(tree.child_at.size(), 2u);
  // The first child points back to the root: a cycle.
  auto cycle = tree.bytes;
  tree.set_child(cycle, 0, tree.root);
  tree.expect_counted_damage(cycle, "cycle");
  // The first child points beyond the end of the file.
  auto outside = tree.bytes;
  tree.set_child(outside, 0, static_cast<uint32_t>(tree.bytes.size() / tree.page_size + 1000));
  tree.expect_counted_damage(outside, "outside");
  // The first leaf is overwritten by a catalog page, resealed as if it belonged there.
  auto foreign = tree.bytes;
  const uint32_t leaf = tree.child(0);
  std::copy_n(tree.bytes.begin() + 5 * tree.page_size, tree.page_size, foreign.begin() + (leaf + 1ull) * tree.page_size);
  edbgen::ese::seal_page(std::span<uint8_t>(foreign).subspan((leaf + 1ull) * tree.page_size, tree.page_size), leaf);
  tree.expect_counted_damage(foreign, "foreign page");
  // Two children naming the same leaf: its records are read once.
  auto twice = tree.bytes;
  tree.set_child(twice, 1, tree.child(0));
  tree.expect_counted_damage(twice, "repeated child");
}

TEST(DamagedTrees, ACatalogCycleLosesNoTableTheShadowCopyHolds) {
  BrokenTree tree;
  Database original = Database::open(tree.store);
  const size_t tables = original.tables().size();
  // The catalog root (page 4) of this store is a branch; its first child now points back.
  auto reader = std::make_shared<detail::PageReader>(
      std::make_shared<detail::MemorySource>(tree.bytes),
      detail::PageLayout{tree.page_size, original.header().format_revision});
  detail::Page catalog = reader->read(4);
  ASSERT_FALSE(catalog.is_leaf());
  ASSERT_GE(catalog.entries.size(), 2u);
  auto looped = tree.bytes;
  const size_t at = 5ull * tree.page_size + catalog.entries[0].data_offset;
  for (int k = 0; k < 4; ++k) looped[at + k] = k == 0 ? 4 : 0;
  edbgen::ese::seal_page(std::span<uint8_t>(looped).subspan(5ull * tree.page_size, tree.page_size), 4);
  fs::path copy = tree.dir / "catalog.edb";
  save(copy, looped);
  Database db = Database::open(copy);
  EXPECT_GE(db.damaged_catalog_entries(), 1u);
  EXPECT_EQ(db.tables().size(), tables);
}

}  // namespace
}  // namespace quorvine::ese
