#pragma once
// The reading layer: every database, table, column and value that code above src/ese
// sees comes through these classes. Everything is read by our own bounds-checked code: the
// header, the catalog, the B-trees (one sequential walk per pass), the records, the
// long-value trees and the compressed forms. Damaged pages and records are left out and
// counted, never read outside the file or followed in circles.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ese/column_type.hpp"
#include "ese/database_header.hpp"
#include "ese/error.hpp"
#include "ese/pass_control.hpp"

namespace quorvine::ese {

using Bytes = std::vector<uint8_t>;

struct ColumnInfo {
  uint32_t id = 0;  // 1-127 fixed, 128-255 variable, 256+ tagged
  std::string name;
  ColumnType type = ColumnType::Nil;
  uint32_t flags = 0;     // column_flags, as stored in the catalog
  uint32_t codepage = 0;  // 1200 or 1252 for text columns
  Bytes default_value;    // the catalog default; a tagged column absent from a record takes it
  bool multi_valued() const { return flags & column_flags::multi_valued; }
  bool compressed() const { return flags & column_flags::compressed; }
};

// One element of a multi-valued column, resolved (long values fetched, decompressed).
struct MultiValueElement {
  ColumnType type = ColumnType::Nil;
  Bytes data;
};

// A value as stored in the record: the flag byte and the raw bytes (still compressed, a
// long-value reference, or a multi-value array). Record resolves it.
struct StoredValue {
  ColumnType type = ColumnType::Nil;
  uint32_t codepage = 0;
  uint8_t flags = 0;
  Bytes raw;
};

class LongValueStore;  // per-table long-value tree reader (implementation detail)
class LongValueCursor;
namespace detail {
struct Page;
}

// Receives a value chunk by chunk, so that a value of any size passes in flat memory.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void write(std::span<const uint8_t> chunk) = 0;
};

// A value read a piece at a time on demand: the pieces copy_to hands on, pulled by the caller.
class ValueReader {
 public:
  // The next piece; empty once the value is done. Valid until the next call. Throws
  // EseError when the value turns out damaged.
  std::span<const uint8_t> next();

 private:
  friend class Record;
  std::shared_ptr<const LongValueStore> store_;  // keeps the cursor's store alive
  std::shared_ptr<LongValueCursor> cursor_;
  Bytes whole_;  // a value stored in the record
  bool given_ = false;
};

// One record, holding values only for the columns asked for. Column indexes are those of
// Table::columns().
class Record {
 public:
  Record() = default;

  // Number of column entries built: max wanted index + 1, capped at the table's columns.
  size_t column_count() const { return values_.size(); }
  // Type of column entry `column`; Nil beyond column_count().
  ColumnType column_type(size_t column) const;
  // The stored value, or nullptr when the column was not asked for, is beyond
  // column_count(), or holds no data in this record.
  const StoredValue* stored(size_t column) const;
  bool has_value(size_t column) const { return stored(column) != nullptr; }

  // The whole single value: decompressed, a long value fetched and joined in offset order.
  // nullopt when the column holds no data. Throws EseError when the value is damaged.
  std::optional<Bytes> bytes(size_t column) const;
  // The value as UTF-8 text, decoded with the column's code page (text types), or
  // nullopt when there is no data. Throws EseError when damaged.
  std::optional<std::string> text(size_t column) const;
  // The elements of a multi-valued value (flag 0x08, also the two-value form 0x10); a
  // value stored without the multi-value flag gives one element. Throws EseError.
  std::vector<MultiValueElement> multi_values(size_t column) const;
  // A long value's segments in offset order, each decompressed. Throws EseError.
  std::vector<Bytes> long_value_segments(size_t column) const;
  // Copies the whole single value (as bytes() gives it) to `sink`, a segment at a time, never
  // holding a long value whole. False when the column holds no data. Throws EseError.
  bool copy_to(size_t column, ByteSink& sink) const;
  // The same value pulled a piece at a time; nullopt when the column holds no data. Throws
  // EseError.
  std::optional<ValueReader> read_value(size_t column) const;

 private:
  friend class Table;
  std::vector<std::optional<StoredValue>> values_;  // index = column entry
  std::vector<ColumnType> types_;
  std::shared_ptr<const LongValueStore> long_values_;
  std::shared_ptr<const std::vector<ColumnInfo>> columns_;
  Bytes long_value(size_t column, std::span<const uint8_t> reference) const;
};

// The outcome of one pass over a table's records.
struct PassResult {
  uint64_t visited = 0;  // records handed to the visitor
  uint64_t skipped = 0;  // records (or pages of records) that were damaged and left out
  bool stopped = false;  // the stop token or the visitor ended the pass early
};

// Called for each record of a pass with its index (key order, as read_record numbers them).
// Returning false ends the pass.
using RecordVisitor = std::function<bool(uint64_t index, const Record& record)>;

class Table {
 public:
  const std::string& name() const;
  size_t index() const;  // position in the catalog, 0-based
  const std::vector<ColumnInfo>& columns() const;
  std::optional<size_t> column_index(std::string_view name) const;
  // Live records in the table's tree. The first call (or pass) walks the tree's leaf pages
  // once and keeps each record's position, so read_record is O(1) from then on.
  uint64_t record_count() const;
  // Pages of the table's tree left out as damaged (cycles, pages of another tree, children
  // outside the file, unreadable pages), with the records under them.
  uint64_t damaged_pages() const;

  // Reads record `index` and builds values only for the `wanted` column indexes (entries
  // up to the highest wanted index exist, with type only). Throws EseError when the record
  // cannot be read.
  Record read_record(uint64_t index, std::span<const size_t> wanted) const;
  // Every column.
  Record read_record(uint64_t index) const;

  // Walks every record in key order, building only the `wanted` columns, and hands each to
  // `visit`. Damaged records and pages are skipped and counted, never thrown. Checks
  // `control` between records and reports progress (records done of record_count()) through
  // it.
  PassResult for_each_record(std::span<const size_t> wanted, const RecordVisitor& visit,
                             const PassControl& control = {}) const;

  struct Impl;
  explicit Table(std::shared_ptr<Impl> impl);

 private:
  Record build_record(const detail::Page& page, size_t entry, std::span<const size_t> wanted) const;
  std::shared_ptr<Impl> impl_;
};

struct TableInfo {
  size_t index = 0;  // catalog order, as libesedb numbers tables
  std::string name;
  uint32_t object_id = 0;
  std::vector<std::string> callbacks;  // "DLL!function" texts of the table's callback entries
};

class Database {
 public:
  // Opens the file read-only. Throws EseError (one sentence naming the file and the fault)
  // for a missing, unreadable, empty, truncated or non-ESE file.
  static Database open(const std::filesystem::path& file);

  const std::filesystem::path& path() const;
  const DatabaseHeader& header() const;
  // Every table of the catalog (the MSys* system tables included), in catalog order.
  const std::vector<TableInfo>& tables() const;
  std::optional<size_t> find_table(std::string_view name) const;  // exact, case-sensitive
  // Catalog pages and rows left out as damaged; the tables they held are missing.
  uint64_t damaged_catalog_entries() const;
  // Tables missing from the catalog that were read from its shadow copy.
  uint64_t tables_from_shadow_catalog() const;
  // Opens table `index` of tables(). The table stays valid after the Database is gone.
  Table open_table(size_t index) const;

  struct Impl;

 private:
  explicit Database(std::shared_ptr<Impl> impl);
  std::shared_ptr<Impl> impl_;
};

}  // namespace quorvine::ese
