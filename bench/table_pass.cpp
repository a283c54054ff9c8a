// Times one full pass over a table's records through the reading layer, every column
// built. Usage: bench_table_pass STORE [TABLE | PREFIX*]; without TABLE the table with the
// most records is taken, with PREFIX* the one with the most records among those so named.
#include <chrono>
#include <cstdio>
#include <string>

#include "ese/database.hpp"

using namespace quorvine::ese;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bench_table_pass STORE [TABLE | PREFIX*]\n");
    return 2;
  }
  try {
    const auto open_start = std::chrono::steady_clock::now();
    Database db = Database::open(argv[1]);
    std::optional<size_t> index;
    uint64_t most = 0;
    const std::string pattern = argc == 3 ? argv[2] : "*";
    if (!pattern.ends_with('*')) {
      index = db.find_table(pattern);
      if (!index) throw EseError("no table " + pattern);
      // Counted here as for a prefix, so that the timed pass is the pass alone whichever way
      // the table was named.
      db.open_table(*index).record_count();
    } else {
      const std::string prefix = pattern.substr(0, pattern.size() - 1);
      for (const TableInfo& info : db.tables()) {
        if (!info.name.starts_with(prefix)) continue;
        const uint64_t count = db.open_table(info.index).record_count();
        if (!index || count > most) {
          index = info.index;
          most = count;
        }
      }
      if (!index) throw EseError("no table named " + pattern);
    }
    const double open_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - open_start).count();
    Table table = db.open_table(*index);
    std::vector<size_t> all(table.columns().size());
    for (size_t c = 0; c < all.size(); ++c) all[c] = c;
    uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    PassResult pass = table.for_each_record(all, [&](uint64_t, const Record& record) {
      for (size_t c = 0; c < record.column_count(); ++c)
        if (const StoredValue* v = record.stored(c)) bytes += v->raw.size();
      return true;
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("table %s: %llu records (%llu skipped), %zu columns, %llu stored bytes\n", table.name().c_str(),
                static_cast<unsigned long long>(pass.visited), static_cast<unsigned long long>(pass.skipped),
                all.size(), static_cast<unsigned long long>(bytes));
    std::printf("open and count %.3f s; pass %.3f s; %.2f us per record\n", open_seconds, seconds,
                pass.visited ? seconds * 1e6 / static_cast<double>(pass.visited) : 0.0);
  } catch (const EseError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
