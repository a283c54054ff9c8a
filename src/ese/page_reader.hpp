#pragma once
// Our own bounds-checked reader of ESE pages and B-tree entries. Every size, offset and tag
// is checked against the page before use; a page that does not hold what it claims gives
// EseError.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ese/byte_source.hpp"
#include "ese/file_format.hpp"
#include "ese/page_bytes.hpp"

namespace quorvine::ese::detail {

namespace page_flags = format::page_flags;
namespace tag_flags = format::tag_flags;

// One live B-tree entry: where its full key (common prefix joined with the local key) lies in
// the page's key bytes, and where its data lies in the page.
struct PageEntry {
  uint32_t key_offset = 0;
  uint32_t key_size = 0;
  uint32_t data_offset = 0;
  uint32_t data_size = 0;
};

struct Page {
  uint32_t number = 0;
  uint32_t flags = 0;
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t fdp_object_id = 0;
  PageBytes bytes;
  std::vector<PageEntry> entries;  // tags 1..n, deleted entries left out
  // The entries' full keys end to end: one buffer a page, as most readers never look at keys.
  std::vector<uint8_t> keys;
  // Entries flagged deleted whose keys do not fit them. A deletion only sets the flag, so
  // such an entry is a live one whose flag byte was damaged, and its record is lost.
  uint32_t damaged_deleted_entries = 0;

  bool is_leaf() const { return flags & page_flags::leaf; }
  bool is_root() const { return flags & page_flags::root; }
  std::span<const uint8_t> key(const PageEntry& e) const {
    return std::span<const uint8_t>(keys).subspan(e.key_offset, e.key_size);
  }
  std::span<const uint8_t> data(const PageEntry& e) const {
    return std::span<const uint8_t>(bytes).subspan(e.data_offset, e.data_size);
  }
};

struct PageLayout {
  uint32_t page_size = 0;
  uint32_t format_revision = 0;
  bool verify_checksums = false;  // refuse pages whose stored checksum does not match
  bool extended_header() const { return page_size >= 16384 && format_revision >= 0x11; }
  uint32_t header_size() const {
    return static_cast<uint32_t>(extended_header() ? format::page_header::extended_size : format::page_header::size);
  }
  bool large_tags() const { return page_size >= 16384; }
  uint16_t tag_mask() const { return large_tags() ? format::tag::large_page_mask : format::tag::small_page_mask; }
  uint16_t tag_count_mask() const { return format_revision >= 0x122 ? 0x0FFF : 0xFFFF; }
};

class PageReader {
 public:
  PageReader(std::shared_ptr<const ByteSource> source, PageLayout layout);

  const PageLayout& layout() const { return layout_; }
  // Pages 1 .. page_count() exist in the file (the two header copies come first).
  uint32_t page_count() const { return page_count_; }
  // Reads and parses a page. Throws EseError for a page outside the file, an uninitialised
  // page, a checksum that does not match, or tags and keys that do not fit the page. Each
  // page's checksum is worked out on its first read; a page that passed once is not summed
  // again (a store is read while nothing writes it).
  Page read(uint32_t page_number) const;
  // Parses page bytes already in memory (exactly one page).
  Page parse(uint32_t page_number, std::span<const uint8_t> bytes) const;

 private:
  Page parse_owned(uint32_t page_number, PageBytes bytes) const;
  bool verified(uint32_t page_number) const;
  void mark_verified(uint32_t page_number) const;

  std::shared_ptr<const ByteSource> source_;
  PageLayout layout_;
  uint32_t page_count_ = 0;
  // One bit a page, set once its checksum matched; shared by every thread reading the file.
  std::unique_ptr<std::atomic<uint64_t>[]> verified_;
};

}  // namespace quorvine::ese::detail
