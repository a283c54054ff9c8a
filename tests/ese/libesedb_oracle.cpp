#include "ese/libesedb_oracle.hpp"

#include <libesedb.h>

#include <memory>

namespace quorvine::ese::testing {
namespace {

struct ErrorText {
  libesedb_error_t* error = nullptr;
  ~ErrorText() { clear(); }
  void clear() {
    if (error) libesedb_error_free(&error);
  }
  std::string text() {
    char buffer[512] = {};
    if (error) libesedb_error_sprint(error, buffer, sizeof buffer);
    clear();
    return buffer;
  }
};

template <typename T, int (*Free)(T**, libesedb_error_t**)>
struct Handle {
  T* raw = nullptr;
  ~Handle() {
    if (raw) Free(&raw, nullptr);
  }
};

std::string utf8(int (*size_of)(void*, size_t*, libesedb_error_t**),
                 int (*get)(void*, uint8_t*, size_t, libesedb_error_t**), void* object) {
  size_t size = 0;
  if (size_of(object, &size, nullptr) != 1 || size == 0) return {};
  std::string out(size, '\0');
  if (get(object, reinterpret_cast<uint8_t*>(out.data()), size, nullptr) != 1) return {};
  while (!out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

}  // namespace

OracleFile read_with_libesedb(const std::filesystem::path& path) {
  OracleFile out;
  ErrorText error;
  Handle<libesedb_file_t, libesedb_file_free> file;
  if (libesedb_file_initialize(&file.raw, &error.error) != 1 ||
      libesedb_file_open(file.raw, path.c_str(), LIBESEDB_OPEN_READ, &error.error) != 1) {
    out.error = error.text();
    return out;
  }
  out.opened = true;
  int table_count = 0;
  if (libesedb_file_get_number_of_tables(file.raw, &table_count, &error.error) != 1) {
    out.error = error.text();
    return out;
  }
  for (int t = 0; t < table_count; ++t) {
    OracleTable& table = out.tables.emplace_back();
    Handle<libesedb_table_t, libesedb_table_free> handle;
    if (libesedb_file_get_table(file.raw, t, &handle.raw, &error.error) != 1) {
      error.clear();
      continue;
    }
    table.name = utf8(reinterpret_cast<int (*)(void*, size_t*, libesedb_error_t**)>(libesedb_table_get_utf8_name_size),
                      reinterpret_cast<int (*)(void*, uint8_t*, size_t, libesedb_error_t**)>(libesedb_table_get_utf8_name),
                      handle.raw);
    libesedb_table_get_identifier(handle.raw, &table.object_id, nullptr);
    int column_count = 0, record_count = 0;
    if (libesedb_table_get_number_of_columns(handle.raw, &column_count, 0, &error.error) != 1 ||
        libesedb_table_get_number_of_records(handle.raw, &record_count, &error.error) != 1) {
      error.clear();
      continue;
    }
    table.readable = true;
    for (int c = 0; c < column_count; ++c) {
      OracleColumn& column = table.columns.emplace_back();
      Handle<libesedb_column_t, libesedb_column_free> col;
      if (libesedb_table_get_column(handle.raw, c, &col.raw, 0, &error.error) != 1) {
        error.clear();
        continue;
      }
      libesedb_column_get_identifier(col.raw, &column.id, nullptr);
      libesedb_column_get_type(col.raw, &column.type, nullptr);
      column.name = utf8(reinterpret_cast<int (*)(void*, size_t*, libesedb_error_t**)>(libesedb_column_get_utf8_name_size),
                         reinterpret_cast<int (*)(void*, uint8_t*, size_t, libesedb_error_t**)>(libesedb_column_get_utf8_name),
                         col.raw);
    }
    for (int r = 0; r < record_count; ++r) {
      OracleRecord& record = table.records.emplace_back();
      Handle<libesedb_record_t, libesedb_record_free> rec;
      if (libesedb_table_get_record(handle.raw, r, &rec.raw, &error.error) != 1) {
        error.clear();
        continue;
      }
      record.readable = true;
      int value_count = 0;
      if (libesedb_record_get_number_of_values(rec.raw, &value_count, nullptr) != 1) value_count = 0;
      record.values.resize(static_cast<size_t>(column_count));
      for (int v = 0; v < value_count && v < column_count; ++v) {
        size_t size = 0;
        if (libesedb_record_get_value_data_size(rec.raw, v, &size, nullptr) != 1 || size == 0) continue;
        OracleValue value;
        value.raw.resize(size);
        if (libesedb_record_get_value_data(rec.raw, v, value.raw.data(), size, &error.error) != 1) {
          error.clear();
          continue;
        }
        libesedb_record_get_value_data_flags(rec.raw, v, &value.flags, nullptr);
        record.values[static_cast<size_t>(v)] = std::move(value);
      }
    }
  }
  return out;
}

}  // namespace quorvine::ese::testing
