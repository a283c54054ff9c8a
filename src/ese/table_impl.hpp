#pragma once
// What a Table holds: where its tree is, how its records are laid out, its long-value
// tree, and (built by its first pass) where each record sits. The file stays open as long
// as any table of it is alive.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ese/database.hpp"
#include "ese/long_value_store.hpp"
#include "ese/page_reader.hpp"
#include "ese/record_parser.hpp"

namespace quorvine::ese {

struct Table::Impl {
  std::string name;
  std::string file;  // for messages
  size_t index = 0;
  uint32_t root_page = 0;
  uint32_t object_id = 0;
  std::shared_ptr<const detail::PageReader> pages;
  std::shared_ptr<const std::vector<ColumnInfo>> columns;
  // Each column name's first index; readers look columns up by name for every record.
  std::unordered_map<std::string_view, size_t> column_by_name;
  std::unique_ptr<const detail::RecordSchema> schema;
  std::shared_ptr<const LongValueStore> long_values;

  // Built once, by the first call that needs record positions; read without the lock after.
  struct Positions {
    std::vector<uint64_t> records;  // page number << 32 | entry index on that page
    uint64_t damaged_pages = 0;
    uint64_t damaged_entries = 0;  // on the leaves read: live records whose deleted flag was set by damage
  };
  const Positions& positions() const;

  // The page last read by read_record.
  std::optional<detail::Page> cached_page;

  mutable std::mutex mutex;

 private:
  mutable std::optional<Positions> positions_;
};

}  // namespace quorvine::ese
