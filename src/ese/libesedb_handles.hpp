#pragma once
// RAII ownership of libesedb handles, and the library's error text.
#include <libesedb.h>

#include <memory>
#include <string>

namespace quorvine::ese::detail {

// Receives a libesedb error and frees it.
class LibError {
 public:
  LibError() = default;
  ~LibError() { reset(); }
  LibError(const LibError&) = delete;
  LibError& operator=(const LibError&) = delete;
  libesedb_error_t** out() {
    reset();
    return &error_;
  }
  // The library's innermost message, one line.
  std::string message() const;
  void reset() {
    if (error_) libesedb_error_free(&error_);
  }

 private:
  libesedb_error_t* error_ = nullptr;
};

template <typename T, int (*Free)(T**, libesedb_error_t**)>
struct LibDeleter {
  void operator()(T* p) const {
    if (p) Free(&p, nullptr);
  }
};

using TableHandle = std::unique_ptr<libesedb_table_t, LibDeleter<libesedb_table_t, libesedb_table_free>>;
using ColumnHandle = std::unique_ptr<libesedb_column_t, LibDeleter<libesedb_column_t, libesedb_column_free>>;
using RecordHandle = std::unique_ptr<libesedb_record_t, LibDeleter<libesedb_record_t, libesedb_record_free>>;
using LongValueHandle =
    std::unique_ptr<libesedb_long_value_t, LibDeleter<libesedb_long_value_t, libesedb_long_value_free>>;
using MultiValueHandle =
    std::unique_ptr<libesedb_multi_value_t, LibDeleter<libesedb_multi_value_t, libesedb_multi_value_free>>;

}  // namespace quorvine::ese::detail
