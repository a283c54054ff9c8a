#include "ese/page_reader.hpp"

#include <algorithm>
#include <string>

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"
#include "ese/page_checksum.hpp"

namespace quorvine::ese::detail {
namespace {

[[noreturn]] void bad_page(uint32_t number, const std::string& what) {
  throw EseError("Page " + std::to_string(number) + " is damaged: " + what + ".");
}

struct Tag {
  uint32_t offset = 0;
  uint32_t size = 0;
  uint8_t flags = 0;
};

// Whether an entry's key sizes fit inside it, as they do in every entry the engine wrote.
bool entry_keys_fit(ByteReader entry, const Tag& tag, size_t common_limit) {
  if (tag.flags & tag_flags::common_key) {
    if (entry.remaining() < 2 || entry.u16("an entry's common key size") > common_limit) return false;
  }
  return entry.remaining() >= 2 && entry.u16("an entry's key size") <= entry.remaining();
}

}  // namespace

PageReader::PageReader(std::shared_ptr<const ByteSource> source, PageLayout layout)
    : source_(std::move(source)), layout_(layout) {
  if (layout_.page_size != 4096 && layout_.page_size != 8192 && layout_.page_size != 16384 &&
      layout_.page_size != 32768)
    throw EseError("The page size " + std::to_string(layout_.page_size) + " is not supported.");
  uint64_t blocks = source_->size() / layout_.page_size;
  uint64_t pages = blocks > 2 ? blocks - 2 : 0;
  page_count_ = pages > 0xFFFFFFFEull ? 0xFFFFFFFEu : static_cast<uint32_t>(pages);
  if (layout_.verify_checksums) {
    const size_t words = page_count_ / 64 + 1;
    verified_ = std::make_unique<std::atomic<uint64_t>[]>(words);
    for (size_t w = 0; w < words; ++w) verified_[w].store(0, std::memory_order_relaxed);
  }
}

bool PageReader::verified(uint32_t page_number) const {
  return verified_[page_number / 64].load(std::memory_order_relaxed) & (uint64_t{1} << (page_number % 64));
}

void PageReader::mark_verified(uint32_t page_number) const {
  verified_[page_number / 64].fetch_or(uint64_t{1} << (page_number % 64), std::memory_order_relaxed);
}

Page PageReader::read(uint32_t page_number) const {
  if (page_number == 0 || page_number > page_count_)
    throw EseError("Page " + std::to_string(page_number) + " lies outside the file (" +
                   std::to_string(page_count_) + " pages).");
  PageBytes bytes(layout_.page_size);
  uint64_t offset = (static_cast<uint64_t>(page_number) + 1) * layout_.page_size;
  if (source_->read_at(offset, bytes) != bytes.size()) bad_page(page_number, "the file ends inside it");
  if (layout_.verify_checksums && !verified(page_number)) {
    if (!page_checksum_matches(bytes, page_number)) bad_page(page_number, "its checksum does not match");
    mark_verified(page_number);
  }
  return parse_owned(page_number, std::move(bytes));
}

Page PageReader::parse(uint32_t page_number, std::span<const uint8_t> bytes) const {
  return parse_owned(page_number, PageBytes(bytes.begin(), bytes.end()));
}

Page PageReader::parse_owned(uint32_t page_number, PageBytes bytes) const {
  namespace field = format::page_header;
  const uint32_t page_size = layout_.page_size;
  if (bytes.size() != page_size) bad_page(page_number, "it is not one page long");
  const ByteReader in(bytes, "Page", page_number);
  Page page;
  page.number = page_number;
  page.previous = in.u32_at(field::previous_page, "the previous page number");
  page.next = in.u32_at(field::next_page, "the next page number");
  page.fdp_object_id = in.u32_at(field::object_id, "the object id");
  page.flags = in.u32_at(field::flags, "the page flags");
  if (page.flags == page_flags::uninitialised) bad_page(page_number, "it was never initialised");
  const uint32_t header_size = layout_.header_size();
  const uint32_t tag_count = in.u16_at(field::tag_count, "the tag count") & layout_.tag_count_mask();
  if (tag_count == 0) bad_page(page_number, "it has no tags");
  if (static_cast<uint64_t>(tag_count) * format::tag::size > page_size - header_size) bad_page(page_number, "too many tags");
  const uint32_t tags_start = page_size - tag_count * static_cast<uint32_t>(format::tag::size);

  std::vector<Tag> tags(tag_count);
  for (uint32_t i = 0; i < tag_count; ++i) {
    const size_t at = page_size - format::tag::size * (i + 1);
    const uint16_t size_word = in.u16_at(at + format::tag::size_word, "a tag's size");
    const uint16_t offset_word = in.u16_at(at + format::tag::offset_word, "a tag's offset");
    Tag tag;
    tag.size = size_word & layout_.tag_mask();
    tag.offset = offset_word & layout_.tag_mask();
    if (!layout_.large_tags()) tag.flags = static_cast<uint8_t>(offset_word >> format::tag::flags_shift);
    uint64_t start = static_cast<uint64_t>(header_size) + tag.offset;
    if (start + tag.size > tags_start) bad_page(page_number, "tag " + std::to_string(i) + " runs outside the page");
    tag.offset = static_cast<uint32_t>(start);
    // Large pages keep the tag flags in the top bits of the value's first word.
    if (layout_.large_tags() && i > 0 && tag.size >= 2) {
      tag.flags = static_cast<uint8_t>(in.u8_at(tag.offset + 1, "a tag's flags") >> 5);
      bytes[tag.offset + 1] &= 0x1F;
    }
    tags[i] = tag;
  }

  const Tag& header_tag = tags[0];
  const std::span<const uint8_t> common_key = in.bytes_at(header_tag.offset, header_tag.size, "the common key");
  page.entries.reserve(tag_count - 1);
  // Most keys are a shared prefix and a few bytes of their own.
  page.keys.reserve(std::min<size_t>(2 * page_size, (tag_count - 1) * (common_key.size() + 8)));
  for (uint32_t i = 1; i < tag_count; ++i) {
    const Tag& tag = tags[i];
    ByteReader value = in.sub_at(tag.offset, tag.size, "an entry");
    if (tag.flags & tag_flags::deleted) {
      if (!entry_keys_fit(value, tag, common_key.size())) ++page.damaged_deleted_entries;
      continue;
    }
    uint32_t common = 0;
    if (tag.flags & tag_flags::common_key) {
      common = value.u16("an entry's common key size");
      if (common > common_key.size()) bad_page(page_number, "entry " + std::to_string(i) + " has a common key longer than the page's");
    }
    const std::span<const uint8_t> local = value.bytes(value.u16("an entry's key size"), "an entry's key");
    PageEntry entry;
    entry.key_offset = static_cast<uint32_t>(page.keys.size());
    entry.key_size = static_cast<uint32_t>(common + local.size());
    page.keys.insert(page.keys.end(), common_key.begin(), common_key.begin() + common);
    page.keys.insert(page.keys.end(), local.begin(), local.end());
    entry.data_offset = static_cast<uint32_t>(tag.offset + value.position());
    entry.data_size = static_cast<uint32_t>(value.remaining());
    page.entries.push_back(entry);
  }
  page.bytes = std::move(bytes);
  return page;
}

}  // namespace quorvine::ese::detail
