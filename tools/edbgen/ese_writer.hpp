#pragma once
// Writes ESE database files the way Microsoft's engine lays them out: header and shadow,
// catalog and shadow catalog, table B-trees with branch levels, long-value trees, tagged,
// multi-valued and compressed values, page checksums. Records are streamed to the file as
// they are added, so memory does not grow with the number of records.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ese/column_type.hpp"
#include "ese/database_header.hpp"

namespace edbgen {

using quorvine::ese::ColumnType;
using Bytes = std::vector<uint8_t>;

struct ColumnDef {
  uint32_t id = 0;  // 1-127 fixed, 128-255 variable, 256+ tagged
  std::string name;
  ColumnType type = ColumnType::Nil;
  uint32_t flags = 0;     // quorvine::ese::column_flags, as stored
  uint32_t codepage = 0;  // 1200 or 1252 for text columns, 0 otherwise
  uint32_t max_size = 0;  // SpaceUsage: fixed size, or maximum length (0 = no limit)
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
  // Callback entries (catalog type 5) owned by the table, e.g. "JCB.DLL!EcJcbAttachCallback".
  std::vector<std::string> callbacks;
};

// How a value is to be stored. Auto picks what the engine would: inline when it fits,
// a separated long value when it is large, compression in compressed columns when it pays.
enum class Storage { Auto, Inline, LongValue, Compressed7Bit, CompressedXpress };

// One column of one record. More than one element makes a multi-value. Element bytes are
// the value's stored encoding (little-endian integers, UTF-16LE or 1252 text, raw binary).
struct Cell {
  uint32_t column_id = 0;
  std::vector<Bytes> elements;
  Storage storage = Storage::Auto;
};

struct WriterOptions {
  uint32_t page_size = 8192;  // 4096, 8192, 16384 or 32768
  uint32_t format_version = 0x620;
  uint32_t format_revision = 0x14;
  uint32_t creation_format_revision = 0x14;
  quorvine::ese::DatabaseState state = quorvine::ese::DatabaseState::CleanShutdown;
};

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // Appends a record; records are keyed by a 4-byte big-endian sequence number from 1, in
  // the order they are added.
  virtual void add_record(const std::vector<Cell>& cells) = 0;
  virtual uint64_t record_count() const = 0;
};

class DatabaseWriter {
 public:
  // Writes to a temporary name beside `out`; finish() renames it into place. A writer that
  // is destroyed without finish() removes its temporary file.
  DatabaseWriter(const std::filesystem::path& out, const WriterOptions& options);
  ~DatabaseWriter();
  DatabaseWriter(const DatabaseWriter&) = delete;
  DatabaseWriter& operator=(const DatabaseWriter&) = delete;

  // Tables appear in the catalog in the order they are added. Several tables may receive
  // records at the same time. The returned writer lives as long as this object.
  TableWriter& add_table(const TableDef& table);
  void finish();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace edbgen
