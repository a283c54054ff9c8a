#include "listing/list_row_order.hpp"

namespace quorvine::listing {

void RowOrder::insert_at(long long position) {
  const size_t count = positions_.size();
  if (position < 0 || static_cast<unsigned long long>(position) > count)
    positions_.push_back(count);
  else
    positions_.push_back(static_cast<size_t>(position));
}

std::vector<size_t> RowOrder::display_order() const {
  // Walking the insertions backwards, each row takes the (position+1)-th slot still free:
  // rows inserted later sit in front of it exactly at their own positions.
  const size_t n = positions_.size();
  std::vector<size_t> order(n);
  if (n == 0) return order;
  // Fenwick tree of free slots, all free at the start.
  std::vector<size_t> tree(n + 1, 0);
  for (size_t i = 1; i <= n; ++i) {
    tree[i] += 1;
    size_t parent = i + (i & (~i + 1));
    if (parent <= n) tree[parent] += tree[i];
  }
  size_t top_bit = 1;
  while (top_bit * 2 <= n) top_bit *= 2;
  for (size_t row = n; row-- > 0;) {
    size_t want = positions_[row] + 1;  // 1-based rank among free slots
    size_t slot = 0;
    for (size_t step = top_bit; step > 0; step /= 2) {
      if (slot + step <= n && tree[slot + step] < want) {
        slot += step;
        want -= tree[slot];
      }
    }
    // slot + 1 is the wanted free slot (1-based).
    order[slot] = row;
    for (size_t i = slot + 1; i <= n; i += i & (~i + 1)) tree[i] -= 1;
  }
  return order;
}

}  // namespace quorvine::listing
