#include "ese/page_checksum.hpp"

#include "ese/byte_order.hpp"

namespace quorvine::ese::detail {
namespace {

uint32_t xor_words(std::span<const uint8_t> bytes, uint32_t seed) {
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) seed ^= load_le32(bytes.data() + at);
  return seed;
}

}  // namespace

bool page_checksum_matches(std::span<const uint8_t> page, uint32_t page_number) {
  if (page.size() < 4096 || page.size() % 4 != 0) return false;
  if (load_le32(page.data()) == 0 && load_le32(page.data() + 4) == 0) return true;
  const uint32_t flags = load_le32(page.data() + 36);
  if (!(flags & 0x2000)) return xor_words(page.subspan(4), 0x89ABCDEF) == load_le32(page.data());
  if (page.size() <= 8192) return xor_words(page.subspan(8), page_number) == load_le32(page.data());
  const size_t block = page.size() / 4;
  for (size_t k = 1; k < 4; ++k)
    if (xor_words(page.subspan(k * block, block), page_number) != load_le32(page.data() + 40 + 8 * (k - 1)))
      return false;
  return xor_words(page.subspan(8, block - 8), page_number) == load_le32(page.data());
}

}  // namespace quorvine::ese::detail
