#include "edbgen/ese_checksum.hpp"

#include <bit>

#include "edbgen/ese_bytes.hpp"
#include "ese/file_format.hpp"

namespace edbgen::ese {

namespace field = quorvine::ese::format::page_header;

uint32_t header_checksum(std::span<const uint8_t> header_page) {
  namespace header = quorvine::ese::format::file_header;
  uint32_t sum = header::signature_value;
  for (size_t off = header::signature; off + 4 <= header_page.size(); off += 4) sum ^= load_le32(&header_page[off]);
  return sum;
}

ChecksumPair block_checksum(std::span<const uint8_t> block, uint32_t page_number, bool skip_first8) {
  // Bit i of the block (i = 8 * byte offset + bit) adds i to the low half and ~i to the
  // high half. With i = 32 * word + bit-in-word, the XOR of all indexes splits into the
  // XOR of the word indexes of odd-popcount words and the bit positions in the XOR of all
  // words, so each word is visited once.
  const size_t words = block.size() / 4;
  uint32_t all = 0;
  uint32_t word_index_xor = 0;
  for (size_t w = skip_first8 ? 2 : 0; w < words; ++w) {
    uint32_t v = load_le32(&block[w * 4]);
    all ^= v;
    if (std::popcount(v) & 1) word_index_xor ^= uint32_t(w);
  }
  static constexpr uint32_t kPositionMasks[5] = {0xAAAAAAAA, 0xCCCCCCCC, 0xF0F0F0F0, 0xFF00FF00,
                                                 0xFFFF0000};
  uint32_t low = word_index_xor << 5;
  for (int b = 0; b < 5; ++b) low ^= uint32_t(std::popcount(all & kPositionMasks[b]) & 1) << b;
  const uint32_t mask = block.size() <= 4096 ? 0x7FFF : 0xFFFF;
  low &= 0xFFFF;
  const bool odd_bits = std::popcount(all) & 1;
  uint32_t high = (low ^ (odd_bits ? mask : 0)) & mask;
  return {page_number ^ all, (high << 16) | low};
}

void seal_page(std::span<uint8_t> page, uint32_t page_number) {
  if (page.size() <= 8192) {
    ChecksumPair p = block_checksum(page, page_number, true);
    store_le32(&page[field::checksum], p.xor_sum);
    store_le32(&page[field::ecc_checksum], p.ecc);
    return;
  }
  const size_t block = page.size() / 4;
  for (size_t b = 1; b < 4; ++b) {
    ChecksumPair p = block_checksum(page.subspan(b * block, block), page_number, false);
    const size_t at = field::block_checksums + field::block_checksum_stride * (b - 1);
    store_le32(&page[at], p.xor_sum);
    store_le32(&page[at + 4], p.ecc);
  }
  ChecksumPair p = block_checksum(page.subspan(0, block), page_number, true);
  store_le32(&page[field::checksum], p.xor_sum);
  store_le32(&page[field::ecc_checksum], p.ecc);
}

}  // namespace edbgen::ese
