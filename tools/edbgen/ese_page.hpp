#pragma once
// One B-tree page being filled: values grow from the header, tags from the page end.
// Tag 0 (the root header or the page's common key) is placed when the page is sealed,
// so a page can still turn out to be a root.
#include <cstdint>
#include <span>
#include <vector>

#include "ese/file_format.hpp"

namespace edbgen::ese {

namespace page_flags = quorvine::ese::format::page_flags;

// What tag 0 of a root page holds: initial page count, parent FDP page, extent word and
// space-tree root.
struct RootHeader {
  uint32_t pages = 1;
  uint32_t parent = 1;
  uint32_t extents = 0;
  uint32_t space_root = 0;
};

struct PageLayout {
  uint32_t page_size = 8192;
  bool extended_header = false;  // 80-byte header of 16/32 KiB pages, revision >= 0x11
  uint32_t base_flags = 0;       // bits every page of this file carries
  uint32_t header_size() const {
    namespace field = quorvine::ese::format::page_header;
    return uint32_t(extended_header ? field::extended_size : field::size);
  }
};

class PageBuilder {
 public:
  explicit PageBuilder(const PageLayout& layout);

  void reset();
  size_t entry_count() const { return count_; }
  // Room for one more value of `size` bytes, keeping room for a 16-byte tag 0.
  bool fits(size_t size) const;
  // Largest value an empty page takes.
  size_t max_value_size() const;
  void add(std::span<const uint8_t> value);
  // The last value added.
  std::span<const uint8_t> last() const;
  // For B-tree entries (key size, key, data) on a non-root page: moves the prefix all keys
  // share into tag 0, as the engine does, and returns it (empty when it would not pay).
  std::vector<uint8_t> share_common_key();

  struct Seal {
    uint32_t page_number = 0;
    uint32_t objid = 0;
    uint32_t flags = 0;
    uint32_t prev = 0;
    uint32_t next = 0;
    uint64_t dbtime = 0;
  };
  // Lays out header and tags, writes tag 0 and checksums; the result stays valid until the
  // next reset().
  std::span<const uint8_t> seal(const Seal& s, std::span<const uint8_t> tag0);

 private:
  void put_tag(size_t index, size_t offset, size_t size, uint16_t flags = 0);
  std::span<const uint8_t> value(size_t index) const;

  PageLayout layout_;
  std::vector<uint8_t> page_;
  size_t value_end_ = 0;  // from the end of the header
  size_t count_ = 0;      // entries, tag 0 not included
  size_t last_offset_ = 0;
  size_t last_size_ = 0;
  std::vector<uint8_t> scratch_;
};

std::vector<uint8_t> root_header_bytes(const RootHeader& h);

}  // namespace edbgen::ese
