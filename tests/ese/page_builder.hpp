#pragma once
// Builds ESE pages and small files byte by byte, for tests of the page reader and the
// long-value tree walk on crafted (and deliberately broken) input.
#include <cstdint>
#include <vector>

namespace quorvine::ese::testing {

struct CraftedEntry {
  std::vector<uint8_t> local_key;
  std::vector<uint8_t> data;
  uint16_t common = 0;  // bytes of the page's common key; used when flags has 0x4
  uint8_t flags = 0;    // tag flags: 0x2 deleted, 0x4 common key
};

struct CraftedPage {
  uint32_t flags = 0x2803;  // root, leaf, new checksum and record format
  uint32_t fdp = 10;
  uint32_t previous = 0;
  uint32_t next = 0;
  std::vector<uint8_t> tag0;  // root header or common key
  std::vector<CraftedEntry> entries;
};

inline void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
inline std::vector<uint8_t> be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline std::vector<uint8_t> le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline std::vector<uint8_t> join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A page of the small-page layout (4 or 8 KiB, 40-byte header).
inline std::vector<uint8_t> build_page(const CraftedPage& page, uint32_t page_size = 4096) {
  std::vector<uint8_t> b(page_size, 0);
  put32(b, 16, page.previous);
  put32(b, 20, page.next);
  put32(b, 24, page.fdp);
  put32(b, 36, page.flags);
  const uint16_t count = static_cast<uint16_t>(page.entries.size() + 1);
  put16(b, 34, count);
  size_t offset = 0;  // from the end of the header
  auto add_tag = [&](size_t index, const std::vector<uint8_t>& value, uint8_t flags) {
    std::copy(value.begin(), value.end(), b.begin() + 40 + offset);
    size_t tag = page_size - 4 * (index + 1);
    put16(b, tag, static_cast<uint16_t>(value.size()));
    put16(b, tag + 2, static_cast<uint16_t>(offset | (flags << 13)));
    offset += value.size();
  };
  add_tag(0, page.tag0, 0);
  for (size_t i = 0; i < page.entries.size(); ++i) {
    const CraftedEntry& e = page.entries[i];
    std::vector<uint8_t> value;
    if (e.flags & 0x4) value = {uint8_t(e.common & 0xFF), uint8_t(e.common >> 8)};
    value.push_back(e.local_key.size() & 0xFF);
    value.push_back(e.local_key.size() >> 8);
    value.insert(value.end(), e.local_key.begin(), e.local_key.end());
    value.insert(value.end(), e.data.begin(), e.data.end());
    add_tag(i + 1, value, e.flags);
  }
  put16(b, 32, static_cast<uint16_t>(offset));
  return b;
}

// A file image: two header blocks (zeros; the page reader never reads them) then pages
// 1..n; pages left out are all zero.
inline std::vector<uint8_t> build_file(const std::vector<std::vector<uint8_t>>& pages, uint32_t page_size = 4096) {
  std::vector<uint8_t> file(2 * page_size, 0);
  for (const auto& p : pages) file.insert(file.end(), p.begin(), p.end());
  return file;
}

}  // namespace quorvine::ese::testing
