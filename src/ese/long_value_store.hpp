#pragma once
// A table's long-value tree, read with our own page reader: a reference from a record is
// looked up by key, its root entry and segments are collected in offset order, and
// segments of compressed columns are decompressed.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "ese/page_reader.hpp"

namespace quorvine::ese {

class LongValueStore {
 public:
  LongValueStore(std::shared_ptr<const detail::PageReader> reader, uint32_t root_page, uint32_t object_id);

  // The segments of the long value named by `reference` (the 4- or 8-byte value stored in
  // the record), in offset order, decompressed when `compressed_column`. Throws EseError
  // when the value is missing or the tree is damaged.
  std::vector<std::vector<uint8_t>> segments(std::span<const uint8_t> reference, bool compressed_column) const;
  // Hands the value's segments to `sink` one at a time, in offset order, decompressed when
  // `compressed_column`; at most one segment and two pages are held. Throws EseError when
  // the value is missing or the tree is damaged (possibly after some segments were handed on).
  void for_each_segment(std::span<const uint8_t> reference, bool compressed_column,
                        const std::function<void(std::span<const uint8_t>)>& sink) const;
  // The whole value, joined.
  std::vector<uint8_t> value(std::span<const uint8_t> reference, bool compressed_column) const;

  uint32_t root_page() const { return root_page_; }
  uint32_t object_id() const { return object_id_; }

 private:
  friend class LongValueCursor;
  std::shared_ptr<const detail::Page> page(uint32_t number) const;
  std::shared_ptr<const detail::PageReader> reader_;
  uint32_t root_page_;
  uint32_t object_id_;
  // Branch pages are few and read on every lookup; of the leaves only the last is kept.
  mutable std::mutex mutex_;
  mutable std::map<uint32_t, std::shared_ptr<const detail::Page>> branches_;
  // The leaf read last: neighbouring values often share it.
  mutable std::shared_ptr<const detail::Page> last_leaf_;
  mutable uint32_t last_leaf_number_ = 0;
};

// A long value read a segment at a time on demand: what for_each_segment hands on, pulled by
// the caller, with the same checks. The store must outlive the cursor.
class LongValueCursor {
 public:
  LongValueCursor(const LongValueStore& store, std::span<const uint8_t> reference, bool compressed_column);
  // The next segment, decompressed; empty once the value is done. Valid until the next
  // call. Throws EseError when the value is missing or the tree is damaged.
  std::span<const uint8_t> next();

 private:
  struct Pending {
    uint32_t offset;
    std::shared_ptr<const detail::Page> page;  // keeps `data` alive
    std::span<const uint8_t> data;
  };
  void descend();
  std::span<const uint8_t> emit(uint64_t next_offset);

  const LongValueStore& store_;
  std::vector<uint8_t> key_;
  bool compressed_;
  bool started_ = false;
  bool walked_ = false;  // every entry of the value has been seen
  bool finished_ = false;
  std::set<uint32_t> visited_;
  std::shared_ptr<const detail::Page> current_;
  size_t entry_ = 0;
  size_t leaves_ = 0;
  std::optional<uint32_t> total_;
  std::optional<Pending> pending_;
  std::shared_ptr<const detail::Page> emitted_page_;  // keeps the last segment handed out alive
  std::vector<uint8_t> decoded_;
  uint64_t position_ = 0;
};

}  // namespace quorvine::ese
