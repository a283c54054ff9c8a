// The sequential tree walk on crafted trees, sound and broken: leaves come in key order,
// and cycles, foreign and misplaced pages, children outside the file and over-deep chains are
// counted as damage while the rest of the tree is still read.
#include <gtest/gtest.h>

#include "ese/page_builder.hpp"
#include "ese/tree_walk.hpp"

namespace quorvine::ese {
namespace {

using namespace quorvine::ese::testing;
using Bytes = std::vector<uint8_t>;
constexpr uint32_t kObject = 10;

std::shared_ptr<const detail::PageReader> reader_over(const std::vector<Bytes>& pages) {
  auto source = std::make_shared<detail::MemorySource>(build_file(pages));
  return std::make_shared<const detail::PageReader>(source, detail::PageLayout{4096, 0x14});
}

Bytes branch(std::vector<uint32_t> children, uint32_t flags = 0x2805) {
  CraftedPage page;
  page.flags = flags;
  page.tag0 = Bytes(16, 0);
  for (size_t i = 0; i < children.size(); ++i)
    page.entries.push_back({i + 1 < children.size() ? be32(static_cast<uint32_t>(i + 1)) : Bytes{}, le32(children[i])});
  return build_page(page);
}

// A leaf below a branch; `previous` is its back link, the leaf before it in key order.
Bytes leaf(uint8_t first_record, int count, uint32_t fdp = kObject, uint32_t previous = 0, uint32_t flags = 0x2802) {
  CraftedPage page;
  page.flags = flags;
  page.fdp = fdp;
  page.previous = previous;
  for (int i = 0; i < count; ++i) page.entries.push_back({Bytes{uint8_t(first_record + i)}, Bytes{uint8_t(first_record + i)}});
  return build_page(page);
}

struct Walked {
  std::vector<uint8_t> records;  // the first data byte of each leaf entry, in walk order
  uint64_t damaged = 0;
};

Walked walk(const std::vector<Bytes>& pages, uint32_t root = 1) {
  detail::TreeWalk w(reader_over(pages), root, kObject);
  Walked out;
  while (auto page = w.next_leaf())
    for (const auto& e : page->entries) out.records.push_back(page->data(e)[0]);
  out.damaged = w.damaged_pages();
  return out;
}

TEST(TreeWalk, LeavesComeInKeyOrderThroughTheBranches) {
  // Root 1 -> branches 2 and 3 -> leaves 5, 4 and 6 (key order differs from page order).
  Walked w = walk({branch({2, 3}), branch({5, 4}, 0x2804), branch({6}, 0x2804), leaf(3, 2, kObject, 5), leaf(1, 2),
                   leaf(5, 3, kObject, 4)});
  EXPECT_EQ(w.records, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(w.damaged, 0u);
  // A root that is itself a leaf.
  EXPECT_EQ(walk({leaf(9, 2, kObject, 0, 0x2803)}).records, (std::vector<uint8_t>{9, 10}));
}

TEST(TreeWalk, DamagedChildrenAreCountedAndTheRestIsRead) {
  // A child pointing back to the root, a repeated child, a child beyond the file and page 0.
  Walked w = walk({branch({2, 1, 2, 40, 0, 3}), leaf(1, 2), leaf(3, 1)});
  EXPECT_EQ(w.records, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(w.damaged, 4u);
  // A page of another tree, an all-zero page and a space-tree page in the middle.
  CraftedPage space;
  space.flags = 0x2822;
  space.entries = {{Bytes{1}, Bytes{99}}};
  w = walk({branch({2, 3, 4, 5, 6}), leaf(1, 1), leaf(50, 1, 99), Bytes(4096, 0), build_page(space), leaf(2, 1)});
  EXPECT_EQ(w.records, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(w.damaged, 3u);
  // Sealed pages of the same tree in the wrong place: a leaf over the root, a leaf over its
  // sibling (whose records would come twice).
  w = walk({leaf(9, 2)});
  EXPECT_TRUE(w.records.empty());
  EXPECT_EQ(w.damaged, 1u);
  w = walk({branch({2, 3}), leaf(1, 2), leaf(1, 2)});
  EXPECT_EQ(w.records, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(w.damaged, 1u);
  // An unreadable root leaves nothing to walk.
  w = walk({leaf(1, 1, 99, 0, 0x2803)});
  EXPECT_TRUE(w.records.empty());
  EXPECT_EQ(w.damaged, 1u);
}

TEST(TreeWalk, ChainsDeeperThanAnyRealTreeEnd) {
  std::vector<Bytes> pages;
  for (uint32_t i = 1; i <= 40; ++i) pages.push_back(branch({i + 1}, i == 1 ? 0x2805 : 0x2804));
  pages.push_back(leaf(1, 1));
  Walked w = walk(pages);
  EXPECT_TRUE(w.records.empty());
  EXPECT_EQ(w.damaged, 1u);
}

TEST(TreeWalk, BranchEntriesTooShortForAChildAreDamage) {
  CraftedPage root;
  root.flags = 0x2805;
  root.tag0 = Bytes(16, 0);
  root.entries = {{Bytes{1}, Bytes{2, 0}}, {Bytes{}, le32(2)}};
  Walked w = walk({build_page(root), leaf(4, 1)});
  EXPECT_EQ(w.records, (std::vector<uint8_t>{4}));
  EXPECT_EQ(w.damaged, 1u);
}

}  // namespace
}  // namespace quorvine::ese
