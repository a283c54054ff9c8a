// The floor for the scan's index pass: libesedb alone reading two columns of every record
// of a table, nothing else. Usage: bench_bare_libesedb_loop STORE TABLE COLUMN COLUMN
// [TABLE COLUMN COLUMN ...]
#include <libesedb.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int column_index(libesedb_table_t* table, const std::string& name) {
  int count = 0;
  if (libesedb_table_get_number_of_columns(table, &count, 0, nullptr) != 1) return -1;
  for (int c = 0; c < count; ++c) {
    libesedb_column_t* column = nullptr;
    if (libesedb_table_get_column(table, c, &column, 0, nullptr) != 1) continue;
    char buffer[256] = {};
    const bool match =
        libesedb_column_get_utf8_name(column, reinterpret_cast<uint8_t*>(buffer), sizeof buffer,
                                      nullptr) == 1 &&
        name == buffer;
    libesedb_column_free(&column, nullptr);
    if (match) return c;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr, "usage: %s STORE TABLE COLUMN COLUMN [TABLE COLUMN COLUMN ...]\n", argv[0]);
    return 1;
  }
  libesedb_file_t* file = nullptr;
  if (libesedb_file_initialize(&file, nullptr) != 1 ||
      libesedb_file_open(file, argv[1], LIBESEDB_OPEN_READ, nullptr) != 1) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  uint64_t records = 0, bytes = 0;
  std::vector<uint8_t> buffer;
  for (int a = 2; a + 2 < argc; a += 3) {
    libesedb_table_t* table = nullptr;
    if (libesedb_file_get_table_by_utf8_name(file, reinterpret_cast<const uint8_t*>(argv[a]),
                                             std::strlen(argv[a]), &table, nullptr) != 1) {
      std::fprintf(stderr, "no table %s\n", argv[a]);
      return 2;
    }
    const int columns[2] = {column_index(table, argv[a + 1]), column_index(table, argv[a + 2])};
    int count = 0;
    if (libesedb_table_get_number_of_records(table, &count, nullptr) != 1) {
      std::fprintf(stderr, "cannot count the records of %s\n", argv[a]);
      return 2;
    }
    for (int r = 0; r < count; ++r) {
      libesedb_record_t* record = nullptr;
      if (libesedb_table_get_record(table, r, &record, nullptr) != 1) continue;
      for (int column : columns) {
        size_t size = 0;
        if (column < 0 || libesedb_record_get_value_data_size(record, column, &size, nullptr) != 1)
          continue;
        buffer.resize(size);
        if (size > 0 &&
            libesedb_record_get_value_data(record, column, buffer.data(), size, nullptr) == 1)
          bytes += size;
      }
      libesedb_record_free(&record, nullptr);
      ++records;
    }
    libesedb_table_free(&table, nullptr);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("records %llu value bytes %llu seconds %.3f\n",
              static_cast<unsigned long long>(records), static_cast<unsigned long long>(bytes),
              seconds);
  libesedb_file_close(file, nullptr);
  libesedb_file_free(&file, nullptr);
  return 0;
}
