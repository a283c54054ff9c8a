// The floor a folder listing is measured against: libesedb alone reading the same records
// and the same columns, with no decoding and no rows.
//
//   bench_list_bare_loop STORE TABLE COLUMNS [MSG_TABLE MSG_COLUMNS RECORD_NUMBERS_FILE]
//
// Reads every record of TABLE (the folder's contents table, or a 2010 header table) and
// the raw data of each named column (comma-separated), then, when given, the records of
// MSG_TABLE whose numbers RECORD_NUMBERS_FILE lists (one a line) with MSG_COLUMNS. Prints
// the wall-clock and processor time of the loops alone. A TABLE written "PREFIX*" is the largest table whose name
// starts with PREFIX.
#include <libesedb.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t comma = text.find(',', pos);
    if (comma == std::string::npos) comma = text.size();
    if (comma > pos) out.push_back(text.substr(pos, comma - pos));
    pos = comma + 1;
  }
  return out;
}

struct Table {
  libesedb_table_t* table = nullptr;
  std::vector<int> columns;
  ~Table() {
    if (table) libesedb_table_free(&table, nullptr);
  }
};

// "PREFIX*" names the table with the most records among those whose name starts with PREFIX.
std::string resolve_table_name(libesedb_file_t* file, const std::string& name) {
  if (name.empty() || name.back() != '*') return name;
  const std::string prefix = name.substr(0, name.size() - 1);
  std::string best;
  int best_count = -1, tables = 0;
  libesedb_file_get_number_of_tables(file, &tables, nullptr);
  for (int i = 0; i < tables; ++i) {
    libesedb_table_t* table = nullptr;
    if (libesedb_file_get_table(file, i, &table, nullptr) != 1) continue;
    uint8_t buffer[256] = {};
    int count = 0;
    if (libesedb_table_get_utf8_name(table, buffer, sizeof buffer, nullptr) == 1 &&
        libesedb_table_get_number_of_records(table, &count, nullptr) == 1) {
      const std::string table_name = reinterpret_cast<const char*>(buffer);
      if (table_name.rfind(prefix, 0) == 0 && count > best_count) {
        best = table_name;
        best_count = count;
      }
    }
    libesedb_table_free(&table, nullptr);
  }
  return best;
}

bool open_table(libesedb_file_t* file, const std::string& wanted_name, const std::string& column_list, Table& out) {
  const std::string name = resolve_table_name(file, wanted_name);
  if (name.empty() ||
      libesedb_file_get_table_by_utf8_name(file, reinterpret_cast<const uint8_t*>(name.data()), name.size(),
                                           &out.table, nullptr) != 1)
    return false;
  const auto wanted = split(column_list);
  int count = 0;
  libesedb_table_get_number_of_columns(out.table, &count, 0, nullptr);
  for (int c = 0; c < count; ++c) {
    libesedb_column_t* column = nullptr;
    if (libesedb_table_get_column(out.table, c, &column, 0, nullptr) != 1) continue;
    uint8_t buffer[256] = {};
    if (libesedb_column_get_utf8_name(column, buffer, sizeof buffer, nullptr) == 1)
      for (const auto& w : wanted)
        if (w == reinterpret_cast<const char*>(buffer)) out.columns.push_back(c);
    libesedb_column_free(&column, nullptr);
  }
  return true;
}

// Reads record `r` and copies the raw data of the wanted columns; returns bytes copied.
size_t read_record(const Table& t, int r, std::vector<uint8_t>& buffer) {
  libesedb_record_t* record = nullptr;
  if (libesedb_table_get_record(t.table, r, &record, nullptr) != 1) return 0;
  size_t copied = 0;
  for (int c : t.columns) {
    size_t size = 0;
    if (libesedb_record_get_value_data_size(record, c, &size, nullptr) != 1 || size == 0) continue;
    if (buffer.size() < size) buffer.resize(size);
    if (libesedb_record_get_value_data(record, c, buffer.data(), size, nullptr) == 1) copied += size;
  }
  libesedb_record_free(&record, nullptr);
  return copied;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 7) {
    std::fprintf(stderr, "usage: %s STORE TABLE COLUMNS [MSG_TABLE MSG_COLUMNS RECORD_NUMBERS_FILE]\n", argv[0]);
    return 1;
  }
  libesedb_file_t* file = nullptr;
  if (libesedb_file_initialize(&file, nullptr) != 1 || libesedb_file_open(file, argv[1], LIBESEDB_OPEN_READ, nullptr) != 1) {
    std::fprintf(stderr, "cannot open %s with libesedb\n", argv[1]);
    return 1;
  }
  int status = 0;
  {
    Table main_table, msg_table;
    std::vector<int> msg_records;
    if (!open_table(file, argv[2], argv[3], main_table)) {
      std::fprintf(stderr, "no table %s\n", argv[2]);
      status = 1;
    }
    if (status == 0 && argc == 7) {
      if (!open_table(file, argv[4], argv[5], msg_table)) {
        std::fprintf(stderr, "no table %s\n", argv[4]);
        status = 1;
      }
      std::ifstream numbers(argv[6]);
      for (int n; numbers >> n;) msg_records.push_back(n);
    }
    if (status == 0) {
      int count = 0;
      libesedb_table_get_number_of_records(main_table.table, &count, nullptr);
      std::vector<uint8_t> buffer(4096);
      size_t bytes = 0;
      const auto start = std::chrono::steady_clock::now();
      const std::clock_t cpu_start = std::clock();
      for (int r = 0; r < count; ++r) bytes += read_record(main_table, r, buffer);
      for (int r : msg_records) bytes += read_record(msg_table, r, buffer);
      const std::clock_t cpu_end = std::clock();
      const auto end = std::chrono::steady_clock::now();
      std::printf("bare loop: %d + %zu records, %zu bytes, %.1f ms wall, %.1f ms cpu\n", count, msg_records.size(),
                  bytes, std::chrono::duration<double, std::milli>(end - start).count(),
                  1000.0 * (cpu_end - cpu_start) / CLOCKS_PER_SEC);
    }
  }
  libesedb_file_close(file, nullptr);
  libesedb_file_free(&file, nullptr);
  return status;
}
