#include "ese/tree_walk.hpp"

#include "ese/byte_reader.hpp"
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
  // The extended header repeats the page number: a page found at another place is not ours.
  const bool misplaced = reader_->layout().extended_header() &&
                         ByteReader(page->bytes, "Page", number).u64_at(format::page_header::page_number,
                                                                      "the page number") != number;
  const bool foreign = page->fdp_object_id != object_id_ || (page->flags & page_flags::space_tree) || misplaced;
  if (foreign) {
    ++damaged_;
    return std::nullopt;
  }
  return page;
}

std::optional<Page> TreeWalk::linked_leaf(Page page) {
  const bool unbroken = damaged_ == damaged_at_last_leaf_;
  const bool linked = !unbroken || page.previous == last_leaf_;
  last_leaf_ = page.number;
  if (!linked) ++damaged_;
  damaged_at_last_leaf_ = damaged_;
  if (!linked) return std::nullopt;
  return page;
}

std::optional<Page> TreeWalk::next_leaf() {
  if (root_) {
    const uint32_t root = *root_;
    root_.reset();
    auto page = enter(root);
    // A page copied over the root from elsewhere in the same tree would pass as the whole tree.
    if (page && !page->is_root()) {
      ++damaged_;
      page.reset();
    }
    if (page) {
      if (page->is_leaf()) return linked_leaf(std::move(*page));
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
    ByteReader data(top.page.data(entry), "A branch entry");
    if (data.size() < 4) {
      ++damaged_;
      continue;
    }
    const uint32_t child = data.u32("the child page number");
    auto page = enter(child);
    if (!page) continue;
    if (page->is_leaf()) {
      if (auto leaf = linked_leaf(std::move(*page))) return leaf;
      continue;
    }
    if (stack_.size() >= kMaxDepth) {
      ++damaged_;
      continue;
    }
    stack_.push_back({std::move(*page), 0});
  }
  return std::nullopt;
}

}  // namespace quorvine::ese::detail
