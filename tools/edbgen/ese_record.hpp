#pragma once
// Record layout: fixed columns, null bitmap, variable offsets and values, then the tagged
// area. The builder keeps its buffers between records so streaming many records does not
// allocate per record.
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "edbgen/ese_writer.hpp"

namespace edbgen::ese {

// Size of a fixed column's value, 0 for types that cannot be fixed.
uint32_t fixed_type_size(ColumnType type);
bool is_long_type(ColumnType type);

// A table's columns sorted into the three id ranges, checked for what the layout needs.
struct ColumnLayout {
  std::vector<const ColumnDef*> fixed;     // index = id - 1
  std::vector<const ColumnDef*> variable;  // index = id - 128
  std::unordered_map<uint32_t, const ColumnDef*> by_id;
  std::vector<uint16_t> fixed_offsets;  // record offset of each fixed column
  std::vector<uint32_t> fixed_sizes;

  // Throws std::invalid_argument naming the table and the column at fault.
  static ColumnLayout build(const std::string& table, const std::vector<ColumnDef>& columns);
};

class RecordBuilder {
 public:
  RecordBuilder(const ColumnLayout& layout, bool large_pages)
      : layout_(&layout), large_pages_(large_pages) {}

  void clear();
  // Values are copied. A fixed value shorter than the column is padded.
  void set_fixed(uint32_t id, std::span<const uint8_t> value);
  void set_variable(uint32_t id, std::span<const uint8_t> value);
  // `flags` is the value's flag byte; ids may come in any order.
  void add_tagged(uint32_t id, uint8_t flags, std::span<const uint8_t> value);
  const std::vector<uint8_t>& build();

 private:
  struct Slot {
    uint32_t id = 0;
    uint8_t flags = 0;
    size_t offset = 0;
    size_t size = 0;
    bool present = false;
  };
  size_t stash(std::span<const uint8_t> value);

  const ColumnLayout* layout_;
  bool large_pages_;
  std::vector<uint8_t> arena_;
  std::vector<Slot> fixed_;
  std::vector<Slot> variable_;
  std::vector<Slot> tagged_;
  std::vector<uint8_t> out_;
};

}  // namespace edbgen::ese
