#include "edbgen/ese_tree.hpp"

#include <stdexcept>

#include "edbgen/ese_bytes.hpp"

namespace edbgen::ese {

TreeBuilder::TreeBuilder(PageFile& file, const PageLayout& layout, uint32_t objid,
                         uint32_t root_page, uint32_t kind_flags, const RootHeader& root_header)
    : file_(file),
      layout_(layout),
      objid_(objid),
      root_page_(root_page),
      kind_flags_(kind_flags),
      root_header_(root_header) {
  levels_.emplace_back(layout_);
}

size_t TreeBuilder::max_entry_payload() const {
  // A branch page must take at least two entries of the largest key.
  return PageBuilder(layout_).max_value_size() - 2;
}

const std::vector<uint8_t>& TreeBuilder::entry_bytes(std::span<const uint8_t> key,
                                                     std::span<const uint8_t> data) {
  scratch_.clear();
  append_le16(scratch_, uint16_t(key.size()));
  append(scratch_, key);
  append(scratch_, data);
  return scratch_;
}

void TreeBuilder::add(std::span<const uint8_t> key, std::span<const uint8_t> data) {
  if (finished_) throw std::logic_error("tree already finished");
  if (2 + key.size() + data.size() > max_entry_payload())
    throw std::length_error("An entry of " + std::to_string(key.size() + data.size()) +
                            " bytes does not fit on a " + std::to_string(layout_.page_size) +
                            "-byte page.");
  add_at(0, key, data);
  ++entries_;
}

void TreeBuilder::add_at(size_t level, std::span<const uint8_t> key,
                         std::span<const uint8_t> data) {
  const size_t size = 2 + key.size() + data.size();
  if (!levels_[level].page.fits(size)) {
    // A leaf's separator is the first key of the next page; a branch page's is its own
    // last key, which bounds every key below it.
    if (level == 0) {
      std::vector<uint8_t> sep(key.begin(), key.end());
      close_page(level, sep);
    } else {
      auto last = levels_[level].page.last();
      const size_t key_size = load_le16(last.data());
      std::vector<uint8_t> sep(last.begin() + 2, last.begin() + 2 + key_size);
      close_page(level, sep);
    }
  }
  levels_[level].page.add(entry_bytes(key, data));
}

void TreeBuilder::write(Level& level, uint32_t page_number, uint32_t flags, uint32_t next,
                        std::span<const uint8_t> tag0) {
  PageBuilder::Seal s;
  s.page_number = page_number;
  s.objid = objid_;
  s.flags = flags | kind_flags_;
  // Only leaves are chained: libesedb rejects branch pages that name siblings, and
  // readers reach branch pages from their parent.
  const bool leaf = flags & page_flags::leaf;
  s.prev = leaf ? level.prev : 0;
  s.next = leaf ? next : 0;
  s.dbtime = file_.next_dbtime();
  file_.write_page(page_number, level.page.seal(s, tag0));
}

void TreeBuilder::close_page(size_t level, std::span<const uint8_t> separator) {
  std::vector<uint8_t> sep(separator.begin(), separator.end());
  Level* lv = &levels_[level];
  if (lv->page_number == 0) lv->page_number = file_.allocate();
  const uint32_t next = file_.allocate();
  const uint32_t flags = level == 0 ? page_flags::leaf : page_flags::parent;
  const std::vector<uint8_t> common = lv->page.share_common_key();
  write(*lv, lv->page_number, flags, next, common);
  const uint32_t written = lv->page_number;
  lv->prev = written;
  lv->page_number = next;
  lv->page.reset();
  if (levels_.size() == level + 1) levels_.emplace_back(layout_);
  uint8_t child[4];
  store_le32(child, written);
  add_at(level + 1, sep, child);
}

void TreeBuilder::finish() {
  if (finished_) return;
  finished_ = true;
  for (size_t level = 0; level < levels_.size(); ++level) {
    Level& lv = levels_[level];
    const uint32_t kind = level == 0 ? page_flags::leaf : page_flags::parent;
    if (level + 1 == levels_.size() && lv.page_number == 0) {
      write(lv, root_page_, kind | page_flags::root, 0, root_header_bytes(root_header_));
      return;
    }
    const std::vector<uint8_t> common = lv.page.share_common_key();
    write(lv, lv.page_number, kind, 0, common);
    uint8_t child[4];
    store_le32(child, lv.page_number);
    add_at(level + 1, {}, child);
  }
}

}  // namespace edbgen::ese
