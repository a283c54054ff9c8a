#pragma once
// A sequential walk over the leaf pages of one B-tree in key order: down from the root
// through the branch entries, depth first. Every child is checked before it is used: inside
// the file, owned by this tree (object id, and the page number the extended header repeats),
// not visited before, not deeper than any real tree. A page that fails is damage: it is
// counted and left out, and the walk goes on with the rest of the tree.
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {

class TreeWalk {
 public:
  TreeWalk(std::shared_ptr<const PageReader> reader, uint32_t root_page, uint32_t object_id);

  // The next leaf page in key order, or nothing once the tree is done.
  std::optional<Page> next_leaf();
  // Pages (and the subtrees under them) left out because they were damaged.
  uint64_t damaged_pages() const { return damaged_; }

  static constexpr size_t kMaxDepth = 16;

 private:
  struct Frame {
    Page page;
    size_t next_entry = 0;
  };
  // Reads and checks page `number` reached from a parent (or as the root); nothing when it
  // is damage.
  std::optional<Page> enter(uint32_t number);
  // The leaf, unless its back link names another page than the leaf read before it: a page
  // copied over this one from elsewhere in the tree, whose records would be read twice.
  std::optional<Page> linked_leaf(Page page);

  std::shared_ptr<const PageReader> reader_;
  uint32_t object_id_;
  std::optional<uint32_t> root_;
  std::vector<Frame> stack_;
  std::unordered_set<uint32_t> visited_;
  uint64_t damaged_ = 0;
  uint32_t last_leaf_ = 0;               // the leaf read before, 0 before the first
  uint64_t damaged_at_last_leaf_ = 0;    // damage since then breaks the chain of links
};

}  // namespace quorvine::ese::detail
