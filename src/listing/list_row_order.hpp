#pragma once
// The order of message-list rows that are each inserted at a position. Inserting into a
// vector one by one is quadratic for large folders; the final order is instead worked out
// at the end in O(n log n).
#include <cstddef>
#include <vector>

namespace quorvine::listing {

class RowOrder {
 public:
  // Records the insertion of the next row at `position` (0 = top). A position past the end
  // appends, as the list control does; a negative one appends too, where the control would
  // refuse the row and lose it.
  void insert_at(long long position);
  size_t size() const { return positions_.size(); }
  // For each display position, the number (0-based, in insertion order) of the row there.
  std::vector<size_t> display_order() const;

 private:
  std::vector<size_t> positions_;  // clamped to the row count at insertion time
};

}  // namespace quorvine::listing
