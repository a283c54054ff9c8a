// Our reader against libesedb, value for value: every sample libesedb reads and edbgen
// stores of the three generations. The only differences allowed are libesedb's known
// defects, each counted under its name:
// - "NULL fixed column": libesedb ignores the null bitmap and returns the filler;
// - "tagged default": libesedb does not apply catalog defaults of tagged columns;
// - "large-page tagged array": libesedb masks tagged offsets to 14 bits on 16/32 KiB pages
//   and fails records whose tagged area reaches 16 KiB.
// Long values, Xpress, surrogates, floats and fixed multi-values are libesedb defects of
// value conversion; stored bytes (what is compared here) are not affected by them. Files
// with newer headers libesedb refuses are covered by the sample sweep instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ese/database.hpp"
#include "ese/libesedb_oracle.hpp"
#include "support/test_support.hpp"

namespace quorvine::ese {
namespace {

namespace fs = std::filesystem;
using namespace quorvine::ese::testing;

struct Comparison {
  uint64_t records = 0;
  uint64_t values = 0;
  std::map<std::string, uint64_t> defects;
};

void compare_value(const std::string& where, const ColumnInfo& column, const StoredValue* ours,
                   const std::optional<OracleValue>& theirs, uint32_t page_size, Comparison& out) {
  if (!ours && !theirs) return;
  if (ours && theirs && ours->flags == theirs->flags && ours->raw == theirs->raw) {
    ++out.values;
    EXPECT_EQ(ours->type, column.type) << where;
    return;
  }
  if (!ours && theirs && column.id < 128 && !(column.flags & column_flags::not_null)) {
    ++out.defects["NULL fixed column"];
    return;
  }
  if (ours && !theirs && column.id >= 256 && !column.default_value.empty() && ours->raw == column.default_value) {
    ++out.defects["tagged default"];
    return;
  }
  ADD_FAILURE() << where << ": ours " << (ours ? std::to_string(ours->raw.size()) + " bytes, flags " + std::to_string(ours->flags) : "none")
                << "; libesedb " << (theirs ? std::to_string(theirs->raw.size()) + " bytes, flags " + std::to_string(theirs->flags) : "none")
                << " (page size " << page_size << ")";
}

Comparison compare_file(const fs::path& file) {
  Comparison out;
  OracleFile oracle = read_with_libesedb(file);
  EXPECT_TRUE(oracle.opened) << oracle.error;
  Database db = Database::open(file);
  const uint32_t page_size = db.header().page_size;
  EXPECT_EQ(db.damaged_catalog_entries(), 0u);
  EXPECT_EQ(db.tables().size(), oracle.tables.size());
  for (size_t t = 0; t < std::min(db.tables().size(), oracle.tables.size()); ++t) {
    const TableInfo& info = db.tables()[t];
    const OracleTable& theirs = oracle.tables[t];
    SCOPED_TRACE(info.name);
    EXPECT_EQ(info.index, t);
    EXPECT_EQ(info.name, theirs.name);
    EXPECT_EQ(info.object_id, theirs.object_id);
    EXPECT_TRUE(theirs.readable);
    Table table = db.open_table(t);
    EXPECT_EQ(table.damaged_pages(), 0u);
    EXPECT_EQ(table.columns().size(), theirs.columns.size());
    if (table.columns().size() != theirs.columns.size()) continue;
    for (size_t c = 0; c < theirs.columns.size(); ++c) {
      EXPECT_EQ(table.columns()[c].id, theirs.columns[c].id);
      EXPECT_EQ(static_cast<uint32_t>(table.columns()[c].type), theirs.columns[c].type);
      EXPECT_EQ(table.columns()[c].name, theirs.columns[c].name);
    }
    EXPECT_EQ(table.record_count(), theirs.records.size());
    std::vector<size_t> all(table.columns().size());
    for (size_t c = 0; c < all.size(); ++c) all[c] = c;
    auto check = [&](uint64_t index, const Record& record) {
      if (index >= theirs.records.size()) return;
      const OracleRecord& expected = theirs.records[index];
      ++out.records;
      if (!expected.readable) {
        EXPECT_GE(page_size, 16384u) << "record " << index << " unreadable for libesedb";
        ++out.defects["large-page tagged array"];
        return;
      }
      for (size_t c = 0; c < all.size(); ++c)
        compare_value(info.name + " record " + std::to_string(index) + " column " + table.columns()[c].name,
                      table.columns()[c], record.stored(c), expected.values[c], page_size, out);
    };
    PassResult pass = table.for_each_record(all, [&](uint64_t index, const Record& record) {
      check(index, record);
      return true;
    });
    EXPECT_EQ(pass.visited, theirs.records.size());
    EXPECT_EQ(pass.skipped, 0u);
    // Random access gives the same records as the pass.
    for (uint64_t index = 0; index < table.record_count(); index += 7) {
      Record again = table.read_record(index);
      const OracleRecord& expected = theirs.records[index];
      if (!expected.readable) continue;
      for (size_t c = 0; c < all.size(); ++c) {
        const StoredValue* v = again.stored(c);
        if (v && expected.values[c]) EXPECT_EQ(v->raw, expected.values[c]->raw) << index << " " << c;
      }
    }
  }
  return out;
}

const char* const kReadableSamples[] = {
    "artemis_bits_win10_qmgr.db", "dissect_basic.edb", "dissect_binary.edb", "dissect_default.edb",
    "dissect_index.edb", "dissect_multi.edb", "dissect_text.edb", "dissect_ual_Current.mdb",
    "dsinternals_2012r2_template_ntds.dit", "dsinternals_adlds_template_adamntds.dit",
    "museum_srum_server2022_SRUDB.dat", "museum_srum_win10_SRUDB.dat", "museum_srum_win11_clean_SRUDB.dat",
    "museum_winsearch_win10_clean_Windows.edb", "plaso_SystemIdentity.mdb", "plaso_filehistory_Catalog1.edb",
    "stroz_decompress_7bit.edb", "stroz_decompress_xpress.edb", "stroz_test.edb",
    "velo_ual_hyperv_Current_dirty.mdb"};

class OracleSample : public ::testing::TestWithParam<const char*> {};

TEST_P(OracleSample, EveryValueEqualsLibesedbs) {
  QUORVINE_REQUIRE_SAMPLES();
  Comparison c = compare_file(quorvine::testing::ese_sample(GetParam()));
  EXPECT_GT(c.values, 0u);
  for (const auto& [defect, count] : c.defects) RecordProperty(defect, static_cast<int>(count));
}

INSTANTIATE_TEST_SUITE_P(Samples, OracleSample, ::testing::ValuesIn(kReadableSamples),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

struct GeneratedStore {
  const char* generation;
  const char* source;  // a scenario file, or a message count for --scale
  uint32_t page_size;
};

class OracleGenerated : public ::testing::TestWithParam<GeneratedStore> {};

TEST_P(OracleGenerated, EveryValueEqualsLibesedbs) {
  const GeneratedStore& s = GetParam();
  quorvine::testing::ScratchDir dir;
  const fs::path store = dir / "store.edb";
  std::string source = std::string(s.source);
  source = source.find(".json") != std::string::npos
               ? "--scenario '" + (quorvine::testing::source_dir() / "tests" / "data" / source).string() + "'"
               : "--scale " + source;
  const std::string command = "'" + quorvine::testing::edbgen_program().string() + "' --exchange " + s.generation +
                              " " + source + " --page-size " + std::to_string(s.page_size) + " --out '" +
                              store.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(quorvine::testing::run_command(command).status, 0) << command;
  Comparison c = compare_file(store);
  EXPECT_GT(c.records, 20u);
  EXPECT_GT(c.values, 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, OracleGenerated,
    ::testing::Values(GeneratedStore{"2007", "basic2007.json", 8192}, GeneratedStore{"2007", "edge2007.json", 4096},
                      GeneratedStore{"2010", "basic2010.json", 32768}, GeneratedStore{"2013", "basic2013.json", 32768},
                      GeneratedStore{"2007", "400", 8192}, GeneratedStore{"2010", "400", 16384},
                      GeneratedStore{"2013", "400", 4096}),
    [](const ::testing::TestParamInfo<GeneratedStore>& info) {
      std::string name = std::string("x") + info.param.generation + "_" + info.param.source + "_" +
                         std::to_string(info.param.page_size);
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
}  // namespace quorvine::ese
