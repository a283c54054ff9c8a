// Reading a "Msg" record with only the two index columns against reading every column.
// Store from QUORVINE_BENCH_STORE (a 2003/2007 store, e.g. edbgen --scale 2000).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <optional>

#include "ese/database.hpp"

namespace {

struct Fixture {
  std::optional<quorvine::ese::Table> msg;
  std::vector<size_t> wanted;
};

Fixture& fixture() {
  static Fixture f = [] {
    Fixture made;
    const char* path = std::getenv("QUORVINE_BENCH_STORE");
    if (!path) return made;
    const auto db = quorvine::ese::Database::open(path);
    if (const auto index = db.find_table("Msg")) {
      made.msg = db.open_table(*index);
      for (const char* name : {"N67b0", "N67b3"})
        if (auto c = made.msg->column_index(name)) made.wanted.push_back(*c);
    }
    return made;
  }();
  return f;
}

template <bool Partial>
void read_records(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.msg) {
    state.SkipWithError("set QUORVINE_BENCH_STORE to a 2003/2007 store");
    return;
  }
  const uint64_t count = std::min<uint64_t>(f.msg->record_count(), 1000);
  size_t values = 0;
  for (auto _ : state) {
    for (uint64_t r = 0; r < count; ++r) {
      const auto record = Partial ? f.msg->read_record(r, f.wanted) : f.msg->read_record(r);
      values += record.column_count();
      benchmark::DoNotOptimize(record);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
  state.counters["values_per_record"] =
      static_cast<double>(values) / static_cast<double>(state.iterations() * count);
}

void BM_msg_two_wanted_columns(benchmark::State& state) { read_records<true>(state); }
void BM_msg_every_column(benchmark::State& state) { read_records<false>(state); }
BENCHMARK(BM_msg_two_wanted_columns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_msg_every_column)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
