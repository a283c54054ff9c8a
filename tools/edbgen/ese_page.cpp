#include "edbgen/ese_page.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_checksum.hpp"

namespace edbgen::ese {

namespace {
namespace field = quorvine::ese::format::page_header;
namespace tag = quorvine::ese::format::tag;
constexpr size_t kTagSize = tag::size;
constexpr size_t kTag0Reserve = 16 + kTagSize;

uint16_t tag_mask(const PageLayout& layout) {
  return layout.page_size >= 16384 ? tag::large_page_mask : tag::small_page_mask;
}
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

void PageBuilder::put_tag(size_t index, size_t offset, size_t size, uint16_t flags) {
  uint8_t* tag = &page_[layout_.page_size - kTagSize * (index + 1)];
  store_le16(tag + tag::size_word, uint16_t(size));
  store_le16(tag + tag::offset_word, uint16_t(offset | flags << tag::flags_shift));
}

std::span<const uint8_t> PageBuilder::value(size_t index) const {
  const uint8_t* at = &page_[layout_.page_size - kTagSize * (index + 1)];
  const size_t size = load_le16(at + tag::size_word);
  const size_t offset = load_le16(at + tag::offset_word) & tag_mask(layout_);
  return {&page_[layout_.header_size() + offset], size};
}

std::vector<uint8_t> PageBuilder::share_common_key() {
  constexpr size_t kMaxCommon = 16;  // what the room kept for tag 0 holds
  constexpr uint16_t kCommonKeyFlag = quorvine::ese::format::tag_flags::common_key;
  if (count_ < 2) return {};
  auto key_of = [](std::span<const uint8_t> v) { return v.subspan(2, load_le16(v.data())); };
  // Keys ascend, so the prefix of the first and last key is shared by all.
  const auto first = key_of(value(1));
  const auto last_key = key_of(value(count_));
  size_t common = 0;
  while (common < std::min({first.size(), last_key.size(), kMaxCommon}) && first[common] == last_key[common])
    ++common;
  // Each entry gains a 2-byte common-key size, so a short prefix does not pay.
  if (common < 3) return {};
  std::vector<uint8_t> shared(first.begin(), first.begin() + common);
  const size_t header = layout_.header_size();
  scratch_.assign(page_.begin() + header, page_.begin() + header + value_end_);
  std::vector<std::pair<size_t, size_t>> old(count_);  // offset, size of each entry in scratch_
  for (size_t i = 1; i <= count_; ++i) {
    const uint8_t* at = &page_[layout_.page_size - kTagSize * (i + 1)];
    old[i - 1] = {load_le16(at + tag::offset_word) & tag_mask(layout_), load_le16(at + tag::size_word)};
  }
  const bool large = layout_.page_size >= 16384;
  size_t end = 0;
  for (size_t i = 0; i < count_; ++i) {
    const uint8_t* v = &scratch_[old[i].first];
    const size_t size = old[i].second;
    const size_t key_size = load_le16(v);
    uint8_t* out = &page_[header + end];
    // Large pages keep tag flags in the top bits of the value's first word.
    store_le16(out, uint16_t(common | (large ? kCommonKeyFlag << tag::flags_shift : 0)));
    store_le16(out + 2, uint16_t(key_size - common));
    std::copy(v + 2 + common, v + size, out + 4);
    const size_t new_size = size + 2;  // common bytes dropped, a size word added
    put_tag(i + 1, end, new_size - common, large ? 0 : kCommonKeyFlag);
    end += new_size - common;
  }
  std::fill(page_.begin() + header + end, page_.begin() + header + value_end_, 0);
  value_end_ = end;
  last_offset_ = last_size_ = 0;
  return shared;
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
  store_le64(p + field::database_time, s.dbtime);
  store_le32(p + field::previous_page, s.prev);
  store_le32(p + field::next_page, s.next);
  store_le32(p + field::object_id, s.objid);
  store_le16(p + field::free_bytes, uint16_t(layout_.page_size - header - end - kTagSize * tags));
  store_le16(p + field::uncommitted_free_bytes, 0);
  store_le16(p + field::value_area_end, uint16_t(end));
  store_le16(p + field::tag_count, uint16_t(tags));
  store_le32(p + field::flags, s.flags | layout_.base_flags);
  if (layout_.extended_header) store_le64(p + field::page_number, s.page_number);
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
