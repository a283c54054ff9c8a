#include "ese/tree_walk.hpp"

#include "ese/byte_order.hpp"
#include "ese/error.hpp"

namespace quorvine::ese::detail {

TreeWalk::TreeWalk(std::shared_ptr<const PageReader> reader, uint32_t root_page, uint32_t object_id)
    : reader_(std::move(reader)), object_id_(object_id), root_(root_page) {}

std::optional<Page> TreeWalk::enter(uint32_t number) {
  if (number == 0 || number > reader_->page_count() || !visited_.insert(number).second) {
    ++damaged_;
    return std::nullopt;
  }
  std::optional<Page> page;
  try {
    page = reader_->read(number);
  } catch (const EseError&) {
    ++damaged_;
    return std::nullopt;
  }
  const bool foreign = page->fdp_object_id != object_id_ || (page->flags & page_flags::space_tree) ||
                       (reader_->layout().extended_header() && load_le64(page->bytes.data() + 64) != number);
  if (foreign) {
    ++damaged_;
    return std::nullopt;
  }
  return page;
}

std::optional<Page> TreeWalk::next_leaf() {
  if (root_) {
    const uint32_t root = *root_;
    root_.reset();
    if (auto page = enter(root)) {
      if (page->is_leaf()) return page;
      stack_.push_back({std::move(*page), 0});
    }
  }
  while (!stack_.empty()) {
    Frame& top = stack_.back();
    if (top.next_entry >= top.page.entries.size()) {
      stack_.pop_back();
      continue;
    }
    const PageEntry& entry = top.page.entries[top.next_entry++];
    if (entry.data_size < 4) {
      ++damaged_;
      continue;
    }
    const uint32_t child = load_le32(top.page.data(entry).data());
    auto page = enter(child);
    if (!page) continue;
    if (page->is_leaf()) return page;
    if (stack_.size() >= kMaxDepth) {
      ++damaged_;
      continue;
    }
    stack_.push_back({std::move(*page), 0});
  }
  return std::nullopt;
}

}  // namespace quorvine::ese::detail
