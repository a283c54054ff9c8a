// Reads every long value of the Windows Search sample (32 KiB pages, compressed columns,
// four long-value trees) through the reading layer. The sample comes from the source tree's
// tests/data/ese-samples; without it the benchmark reports an error.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ese/database.hpp"

namespace fs = std::filesystem;
using namespace quorvine::ese;

namespace {

const char* const kSample = "museum_winsearch_win10_clean_Windows.edb";

// The sample, unpacked once into the temporary folder.
std::optional<fs::path> sample_file() {
  fs::path plain = fs::path(QUORVINE_SOURCE_DIR) / "tests" / "data" / "ese-samples" / "readable" / kSample;
  if (fs::exists(plain)) return plain;
  fs::path packed = plain;
  packed += ".gz";
  if (!fs::exists(packed)) return std::nullopt;
  fs::path out = fs::temp_directory_path() / (std::string("quorvine-bench-") + kSample);
  if (!fs::exists(out)) {
    fs::path part = out;
    part += ".part";
    std::string command = "gzip -dc '" + packed.string() + "' > '" + part.string() + "'";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    fs::rename(part, out);
  }
  return out;
}

struct LongValueCell {
  size_t table;
  uint64_t row;
  size_t column;
};

void BM_ReadEveryLongValue(benchmark::State& state) {
  auto file = sample_file();
  if (!file) {
    state.SkipWithError((std::string("the sample ") + kSample + " is missing").c_str());
    return;
  }
  Database db = Database::open(*file);
  std::vector<Table> tables;
  std::vector<LongValueCell> cells;
  for (const TableInfo& info : db.tables()) {
    tables.push_back(db.open_table(info.index));
    const Table& table = tables.back();
    for (uint64_t row = 0; row < table.record_count(); ++row) {
      Record record = table.read_record(row);
      for (size_t c = 0; c < record.column_count(); ++c)
        if (const StoredValue* v = record.stored(c); v && (v->flags & value_flags::long_value))
          cells.push_back({info.index, row, c});
    }
  }
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const LongValueCell& cell : cells) {
      const size_t wanted[] = {cell.column};
      Record record = tables[cell.table].read_record(cell.row, wanted);
      for (const MultiValueElement& e : record.multi_values(cell.column)) bytes += static_cast<int64_t>(e.data.size());
    }
  }
  state.SetBytesProcessed(bytes);
  state.counters["long_values"] = static_cast<double>(cells.size());
}
BENCHMARK(BM_ReadEveryLongValue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
