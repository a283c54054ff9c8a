#include "ese/page_reader.hpp"

#include <string>

#include "ese/byte_order.hpp"
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
bool entry_keys_fit(const uint8_t* page, const Tag& tag, uint32_t common_limit) {
  uint32_t pos = tag.offset;
  const uint32_t end = tag.offset + tag.size;
  if (tag.flags & tag_flags::common_key) {
    if (end - pos < 2 || load_le16(page + pos) > common_limit) return false;
    pos += 2;
  }
  return end - pos >= 2 && load_le16(page + pos) <= end - pos - 2;
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
}

Page PageReader::read(uint32_t page_number) const {
  if (page_number == 0 || page_number > page_count_)
    throw EseError("Page " + std::to_string(page_number) + " lies outside the file (" +
                   std::to_string(page_count_) + " pages).");
  std::vector<uint8_t> bytes(layout_.page_size);
  uint64_t offset = (static_cast<uint64_t>(page_number) + 1) * layout_.page_size;
  if (source_->read_at(offset, bytes) != bytes.size()) bad_page(page_number, "the file ends inside it");
  if (layout_.verify_checksums && !page_checksum_matches(bytes, page_number))
    bad_page(page_number, "its checksum does not match");
  return parse(page_number, std::move(bytes));
}

Page PageReader::parse(uint32_t page_number, std::vector<uint8_t> bytes) const {
  const uint32_t page_size = layout_.page_size;
  if (bytes.size() != page_size) bad_page(page_number, "it is not one page long");
  const uint8_t* p = bytes.data();
  Page page;
  page.number = page_number;
  page.previous = load_le32(p + 16);
  page.next = load_le32(p + 20);
  page.fdp_object_id = load_le32(p + 24);
  page.flags = load_le32(p + 36);
  if (page.flags == page_flags::uninitialised) bad_page(page_number, "it was never initialised");
  const uint32_t header_size = layout_.header_size();
  const uint32_t tag_count = load_le16(p + 34) & layout_.tag_count_mask();
  if (tag_count == 0) bad_page(page_number, "it has no tags");
  if (static_cast<uint64_t>(tag_count) * 4 > page_size - header_size) bad_page(page_number, "too many tags");
  const uint32_t tags_start = page_size - tag_count * 4;

  std::vector<Tag> tags(tag_count);
  for (uint32_t i = 0; i < tag_count; ++i) {
    const uint8_t* t = p + page_size - 4 * (i + 1);
    uint16_t size_word = load_le16(t);
    uint16_t offset_word = load_le16(t + 2);
    Tag tag;
    if (layout_.large_tags()) {
      tag.size = size_word & 0x7FFF;
      tag.offset = offset_word & 0x7FFF;
    } else {
      tag.size = size_word & 0x1FFF;
      tag.offset = offset_word & 0x1FFF;
      tag.flags = static_cast<uint8_t>(offset_word >> 13);
    }
    uint64_t start = static_cast<uint64_t>(header_size) + tag.offset;
    if (start + tag.size > tags_start) bad_page(page_number, "tag " + std::to_string(i) + " runs outside the page");
    tag.offset = static_cast<uint32_t>(start);
    // Large pages keep the tag flags in the top bits of the value's first word.
    if (layout_.large_tags() && i > 0 && tag.size >= 2) {
      tag.flags = static_cast<uint8_t>(bytes[tag.offset + 1] >> 5);
      bytes[tag.offset + 1] &= 0x1F;
    }
    tags[i] = tag;
  }

  const Tag& header_tag = tags[0];
  page.entries.reserve(tag_count - 1);
  for (uint32_t i = 1; i < tag_count; ++i) {
    const Tag& tag = tags[i];
    uint32_t pos = tag.offset;
    const uint32_t end = tag.offset + tag.size;
    if (tag.flags & tag_flags::deleted) {
      if (!entry_keys_fit(p, tag, header_tag.size)) ++page.damaged_deleted_entries;
      continue;
    }
    uint32_t common = 0;
    if (tag.flags & tag_flags::common_key) {
      if (end - pos < 2) bad_page(page_number, "entry " + std::to_string(i) + " is too short");
      common = load_le16(p + pos);
      pos += 2;
      if (common > header_tag.size) bad_page(page_number, "entry " + std::to_string(i) + " has a common key longer than the page's");
    }
    if (end - pos < 2) bad_page(page_number, "entry " + std::to_string(i) + " is too short");
    uint32_t local = load_le16(p + pos);
    pos += 2;
    if (local > end - pos) bad_page(page_number, "entry " + std::to_string(i) + " has a key longer than itself");
    PageEntry entry;
    entry.key.reserve(common + local);
    entry.key.insert(entry.key.end(), p + header_tag.offset, p + header_tag.offset + common);
    entry.key.insert(entry.key.end(), p + pos, p + pos + local);
    pos += local;
    entry.data_offset = pos;
    entry.data_size = end - pos;
    page.entries.push_back(std::move(entry));
  }
  page.bytes = std::move(bytes);
  return page;
}

}  // namespace quorvine::ese::detail
