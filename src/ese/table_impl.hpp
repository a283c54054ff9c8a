#pragma once
// What a Table holds: its libesedb handle, its columns and its long-value tree. The file
// stays open as long as any table of it is alive.
#include <memory>
#include <string>
#include <vector>

#include "ese/database.hpp"
#include "ese/database_file.hpp"
#include "ese/libesedb_handles.hpp"
#include "ese/long_value_store.hpp"
#include "ese/null_fixed_columns.hpp"

namespace quorvine::ese {

struct Table::Impl {
  std::shared_ptr<detail::DatabaseFile> file;
  detail::TableHandle handle;
  std::string name;
  size_t index = 0;
  uint64_t record_count = 0;
  std::shared_ptr<const std::vector<ColumnInfo>> columns;
  std::shared_ptr<const LongValueStore> long_values;
  // Used under the file's mutex, like the handle.
  std::unique_ptr<detail::NullFixedColumns> null_fixed_columns;
};

}  // namespace quorvine::ese
