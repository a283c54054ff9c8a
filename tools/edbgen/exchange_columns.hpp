#pragma once
// Column sets of the Exchange tables and the cells of one record. Property columns are
// named by a type letter and the property number in hex; the letter fixes the ESE type.
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "edbgen/ese_writer.hpp"
#include "edbgen/exchange_text.hpp"

namespace edbgen {

// A layout that cannot hold what the scenario asks (unknown column, bad field value).
class LayoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ColumnSet {
 public:
  // Every table starts with a fixed 32-bit column so that no named column has index 0.
  ColumnSet(std::string table_name, std::string first_fixed_column);

  // Adds a column typed by its name: Q ids and the identifier columns N67b0/N65f9 as
  // 8-byte binary, S text (UTF-16), N long binary, T FILETIME (currency), L 32-bit,
  // B Boolean, D date-time, MS/MN multi-valued text/binary. `compressed` sets the
  // catalog's compression flag on text and long-binary columns.
  void add_property(const std::string& name, bool compressed = false);
  // Adds a column of an explicit type (the 2010/2013 readable names).
  // Only `fixed` columns go to the fixed area: columns a record always sets. Properties
  // that may be absent are tagged, as Exchange stores them.
  void add(const std::string& name, ColumnType type, bool compressed = false,
           bool multi_valued = false, uint32_t max_size = 0, bool fixed = false);

  bool has(const std::string& name) const { return ids_.count(name) != 0; }
  uint32_t id(const std::string& name) const;
  ColumnType type(const std::string& name) const;
  const TableDef& def() const { return def_; }
  const std::string& first_column() const { return def_.columns.front().name; }
  void add_callback(const std::string& callback) { def_.callbacks.push_back(callback); }

 private:
  TableDef def_;
  std::map<std::string, uint32_t> ids_;
  std::map<std::string, ColumnType> types_;
  uint32_t next_fixed_ = 1, next_variable_ = 128, next_tagged_ = 256;
};

// Cells of one record; setting a column twice keeps the last value.
class RecordCells {
 public:
  // The leading fixed column is set in every record (partition 1).
  explicit RecordCells(const ColumnSet& columns) : columns_(columns) {
    int32(columns.first_column(), 1);
  }

  void text(const std::string& column, const std::string& utf8, Storage s = Storage::Auto);
  void binary(const std::string& column, Bytes data, Storage s = Storage::Auto);
  void int32(const std::string& column, int32_t v);
  void int64(const std::string& column, int64_t v);
  void filetime(const std::string& column, uint64_t ft);  // currency or date-time column
  void boolean(const std::string& column, bool v);
  void multi(const std::string& column, std::vector<Bytes> elements);
  // Skipped when the text is empty: Exchange leaves absent properties out of the record.
  void text_if(const std::string& column, const std::string& utf8, Storage s = Storage::Auto) {
    if (!utf8.empty()) text(column, utf8, s);
  }

  std::vector<Cell> cells() const;

 private:
  void put(const std::string& column, std::vector<Bytes> elements, Storage s);
  const ColumnSet& columns_;
  std::map<uint32_t, Cell> cells_;
};

// The property columns of the 2003/2007 "Msg" table and the 2010 body table that the
// item renderers read (contacts, appointments, tasks, notes, distribution lists).
const std::vector<std::string>& message_property_columns();

}  // namespace edbgen
