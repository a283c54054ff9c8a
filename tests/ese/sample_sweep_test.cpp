// Reads every table, column and value of every sample file through our layer.
#include <gtest/gtest.h>

#include <libesedb.h>

#include "ese/sample_values.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {
namespace {

namespace fs = std::filesystem;
using namespace quorvine::ese::testing;

struct SweepCounts {
  size_t tables = 0;
  size_t records = 0;
  size_t values = 0;
  size_t long_values = 0;        // references resolved in the long-value tree
  size_t multi_values = 0;       // values with the multi-value flag
  size_t compressed = 0;         // values with the compressed flag
  std::vector<std::string> errors;
};

// Reads everything; damaged values are collected, never thrown past.
SweepCounts sweep(const fs::path& file) {
  SweepCounts counts;
  Database db = Database::open(file);
  for (const TableInfo& info : db.tables()) {
    Table table = db.open_table(info.index);
    ++counts.tables;
    for (uint64_t row = 0; row < table.record_count(); ++row) {
      Record record;
      try {
        record = table.read_record(row);
      } catch (const EseError& e) {
        counts.errors.push_back(info.name + " row " + std::to_string(row) + ": " + e.what());
        continue;
      }
      ++counts.records;
      for (size_t c = 0; c < record.column_count(); ++c) {
        const StoredValue* value = record.stored(c);
        if (!value) continue;
        ++counts.values;
        try {
          auto elements = record.multi_values(c);
          if (value->flags & value_flags::multi_value) ++counts.multi_values;
          if (value->flags & value_flags::compressed) ++counts.compressed;
          if (value->flags & value_flags::long_value) ++counts.long_values;
          if (!(value->flags & value_flags::multi_value)) {
            auto whole = record.bytes(c);
            size_t joined = 0;
            for (const auto& s : record.long_value_segments(c)) joined += s.size();
            EXPECT_EQ(joined, whole->size()) << info.name << " " << table.columns()[c].name;
            if (is_text(value->type)) (void)record.text(c);
          }
        } catch (const EseError& e) {
          counts.errors.push_back(info.name + " row " + std::to_string(row) + " " + table.columns()[c].name + ": " +
                                  e.what());
        }
      }
    }
  }
  return counts;
}

class ReadableSample : public ::testing::TestWithParam<std::string> {};

TEST_P(ReadableSample, EveryValueReadsWithoutError) {
  QUORVINE_REQUIRE_SAMPLES();
  SweepCounts counts = sweep(quorvine::testing::ese_sample(GetParam()));
  EXPECT_GT(counts.tables, 3u);
  EXPECT_GT(counts.values, 0u);
  for (const auto& e : counts.errors) ADD_FAILURE() << e;
  RecordProperty("values", static_cast<int>(counts.values));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ReadableSample,
    ::testing::Values("artemis_bits_win10_qmgr.db", "dissect_basic.edb", "dissect_binary.edb", "dissect_default.edb",
                      "dissect_index.edb", "dissect_multi.edb", "dissect_text.edb", "dissect_ual_Current.mdb",
                      "dsinternals_2012r2_template_ntds.dit", "dsinternals_adlds_template_adamntds.dit",
                      "museum_srum_server2022_SRUDB.dat", "museum_srum_win10_SRUDB.dat",
                      "museum_srum_win11_clean_SRUDB.dat", "museum_winsearch_win10_clean_Windows.edb",
                      "plaso_SystemIdentity.mdb", "plaso_filehistory_Catalog1.edb", "stroz_decompress_7bit.edb",
                      "stroz_decompress_xpress.edb", "stroz_test.edb", "velo_ual_hyperv_Current_dirty.mdb"),
    [](const ::testing::TestParamInfo<std::string>& info) {
      std::string name = info.param;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST(SampleFeatures, LargePagesEightByteReferencesAndWideTablesResolve) {
  QUORVINE_REQUIRE_SAMPLES();
  // 16 KiB pages with 8-byte long-value references (libesedb 20181229 rejects those).
  SweepCounts bits = sweep(quorvine::testing::ese_sample("artemis_bits_win10_qmgr.db"));
  EXPECT_GT(bits.long_values, 0u);
  EXPECT_TRUE(bits.errors.empty());
  // 32 KiB pages, hundreds of compressed columns, four long-value trees.
  SweepCounts search = sweep(quorvine::testing::ese_sample("museum_winsearch_win10_clean_Windows.edb"));
  EXPECT_GE(search.long_values, 20u);
  EXPECT_GT(search.compressed, 100u);
  EXPECT_TRUE(search.errors.empty());
  // The old (revision 0x0c) format with many multi-valued columns.
  SweepCounts adam = sweep(quorvine::testing::ese_sample("dsinternals_adlds_template_adamntds.dit"));
  EXPECT_GT(adam.multi_values, 0u);
  EXPECT_TRUE(adam.errors.empty());
}

TEST(SampleFeatures, HeaderOfRevision200IsReadWhereLibesedbAloneFails) {
  QUORVINE_REQUIRE_SAMPLES();
  const auto path = quorvine::testing::ese_sample("museum_srum_win11_dirty_SRUDB.dat");
  // libesedb 20181229 sums only 668 header bytes and reports a false checksum mismatch.
  libesedb_file_t* file = nullptr;
  libesedb_error_t* error = nullptr;
  ASSERT_EQ(libesedb_file_initialize(&file, &error), 1);
  EXPECT_EQ(libesedb_file_open(file, path.c_str(), LIBESEDB_OPEN_READ, &error), -1);
  if (error) libesedb_error_free(&error);
  libesedb_file_free(&file, nullptr);

  SweepCounts counts = sweep(path);
  EXPECT_GE(counts.tables, 10u);
  EXPECT_GT(counts.records, 1000u);
  EXPECT_TRUE(counts.errors.empty());
  Database db = Database::open(path);
  EXPECT_EQ(db.header().format_revision, 200u);
  EXPECT_EQ(db.header().state, DatabaseState::DirtyShutdown);
}

TEST(SampleFeatures, TablesCarryObjectIdsAndCatalogColumnDetails) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_text.edb", "text");
  const auto& tables = t.database.tables();
  ASSERT_EQ(tables.front().name, "MSysObjects");
  EXPECT_EQ(tables.front().object_id, 2u);
  for (const auto& info : tables) EXPECT_TRUE(info.callbacks.empty()) << info.name;  // no sample has callbacks
  const ColumnInfo& unicode = t.table.columns()[*t.table.column_index("LongCompressedUnicode")];
  EXPECT_EQ(unicode.codepage, 1200u);
  EXPECT_TRUE(unicode.compressed());
  EXPECT_EQ(unicode.type, ColumnType::LargeText);
  EXPECT_GE(unicode.id, 256u);
  EXPECT_EQ(t.table.columns()[*t.table.column_index("ASCII")].codepage, 1252u);
}

TEST(PartialRecords, TablesAndRecordsOutliveTheirDatabase) {
  QUORVINE_REQUIRE_SAMPLES();
  std::optional<Table> table;
  {
    Database db = Database::open(quorvine::testing::ese_sample("dissect_text.edb"));
    table = db.open_table(*db.find_table("text"));
  }
  auto column = *table->column_index("LongCompressedASCII");
  Record record = table->read_record(0);
  Record copy = record;
  EXPECT_EQ(*copy.text(column), "Long compressed ASCII text " + std::string(1024, 'a'));
}

TEST(PartialRecords, OnlyWantedColumnsCarryData) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_basic.edb", "basic");
  const size_t columns = t.table.columns().size();
  // Nothing wanted: column 0 only, without data.
  Record none = t.table.read_record(0, std::span<const size_t>{});
  EXPECT_EQ(none.column_count(), 1u);
  EXPECT_FALSE(none.has_value(0));
  EXPECT_EQ(none.column_type(0), ColumnType::Long);
  // Columns 3 and 1, with a duplicate: entries up to 3, data only for those two.
  std::vector<size_t> wanted{3, 1, 3};
  Record some = t.table.read_record(0, wanted);
  EXPECT_EQ(some.column_count(), 4u);
  EXPECT_TRUE(some.has_value(1));
  EXPECT_TRUE(some.has_value(3));
  EXPECT_FALSE(some.has_value(0));
  EXPECT_FALSE(some.has_value(2));
  EXPECT_EQ(some.column_type(2), t.table.columns()[2].type);
  EXPECT_EQ(some.column_type(7), ColumnType::Nil);
  EXPECT_FALSE(some.bytes(9));
  // More wanted than the table has: capped at its columns.
  std::vector<size_t> beyond{columns + 5};
  EXPECT_EQ(t.table.read_record(0, beyond).column_count(), columns);
  EXPECT_THROW(t.table.read_record(t.table.record_count()), EseError);
  EXPECT_THROW(t.database.open_table(t.database.tables().size()), EseError);
}

}  // namespace
}  // namespace quorvine::ese
