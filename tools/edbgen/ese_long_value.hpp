#pragma once
// A table's long-value tree: each value is a root entry (reference count, total length)
// followed by its segments keyed by byte offset, every segment compressed on its own in
// compressed columns.
#include <cstdint>
#include <optional>
#include <span>

#include "edbgen/ese_compress.hpp"
#include "edbgen/ese_tree.hpp"

namespace edbgen::ese {

enum class Compression { None, Auto, SevenBit, Xpress };

// Segment size the engine uses for a page size.
uint32_t long_value_segment_size(uint32_t page_size);

class LongValueWriter {
 public:
  LongValueWriter(PageFile& file, const PageLayout& layout, uint32_t objid, uint32_t table_root);

  uint32_t objid() const { return tree_.objid(); }
  uint32_t root_page() const { return tree_.root_page(); }
  // Stores a value under `id` (the 4-byte reference stored in the record). Ids must
  // ascend from call to call, as the tree is written in key order.
  void store(uint32_t id, std::span<const uint8_t> value, Compression compression, TextWidth width);
  void finish() { tree_.finish(); }

 private:
  TreeBuilder tree_;
  uint32_t segment_size_;
  uint32_t last_id_ = 0;
  std::vector<uint8_t> key_;
  std::vector<uint8_t> data_;
};

// Where a value goes: the engine uses Xpress only for long-value segments and 7-bit
// inside records, so Auto follows that.
enum class Placement { Record, Segment };

// The compressed form of `value` with `compression`, or nullopt when it is to stay raw:
// Auto picks the smallest scheme the placement allows and keeps it only when it is
// shorter. SevenBit and Xpress are applied whenever the value qualifies.
std::optional<Bytes> compress_value(std::span<const uint8_t> value, Compression compression,
                                    TextWidth width, Placement placement);

}  // namespace edbgen::ese
