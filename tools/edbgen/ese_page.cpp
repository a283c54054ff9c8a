#include "edbgen/ese_page.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_checksum.hpp"

namespace edbgen::ese {

namespace {
constexpr size_t kTagSize = 4;
constexpr size_t kTag0Reserve = 16 + kTagSize;
}  // namespace

PageBuilder::PageBuilder(const PageLayout& layout) : layout_(layout), page_(layout.page_size, 0) {}

void PageBuilder::reset() {
  std::fill(page_.begin(), page_.end(), 0);
  value_end_ = 0;
  count_ = 0;
  last_offset_ = last_size_ = 0;
}

size_t PageBuilder::max_value_size() const {
  return layout_.page_size - layout_.header_size() - kTag0Reserve - kTagSize;
}

bool PageBuilder::fits(size_t size) const {
  const size_t used = layout_.header_size() + value_end_ + kTag0Reserve + kTagSize * count_;
  return used + size + kTagSize <= layout_.page_size;
}

void PageBuilder::put_tag(size_t index, size_t offset, size_t size) {
  uint8_t* tag = &page_[layout_.page_size - kTagSize * (index + 1)];
  store_le16(tag, uint16_t(size));
  store_le16(tag + 2, uint16_t(offset));
}

void PageBuilder::add(std::span<const uint8_t> value) {
  if (!fits(value.size())) throw std::logic_error("page value does not fit");
  std::copy(value.begin(), value.end(), page_.begin() + layout_.header_size() + value_end_);
  ++count_;
  put_tag(count_, value_end_, value.size());
  last_offset_ = value_end_;
  last_size_ = value.size();
  value_end_ += value.size();
}

std::span<const uint8_t> PageBuilder::last() const {
  return {&page_[layout_.header_size() + last_offset_], last_size_};
}

std::span<const uint8_t> PageBuilder::seal(const Seal& s, std::span<const uint8_t> tag0) {
  const size_t header = layout_.header_size();
  if (tag0.size() > 16) throw std::logic_error("tag 0 too large");
  std::copy(tag0.begin(), tag0.end(), page_.begin() + header + value_end_);
  put_tag(0, value_end_, tag0.size());
  const size_t end = value_end_ + tag0.size();
  const size_t tags = count_ + 1;
  uint8_t* p = page_.data();
  std::memset(p, 0, header);
  store_le64(p + 8, s.dbtime);
  store_le32(p + 16, s.prev);
  store_le32(p + 20, s.next);
  store_le32(p + 24, s.objid);
  store_le16(p + 28, uint16_t(layout_.page_size - header - end - kTagSize * tags));
  store_le16(p + 30, 0);
  store_le16(p + 32, uint16_t(end));
  store_le16(p + 34, uint16_t(tags));
  store_le32(p + 36, s.flags | layout_.base_flags);
  if (layout_.extended_header) store_le64(p + 64, s.page_number);
  seal_page(page_, s.page_number);
  return page_;
}

std::vector<uint8_t> root_header_bytes(const RootHeader& h) {
  std::vector<uint8_t> out;
  append_le32(out, h.pages);
  append_le32(out, h.parent);
  append_le32(out, h.extents);
  append_le32(out, h.space_root);
  return out;
}

}  // namespace edbgen::ese
