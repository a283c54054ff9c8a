#include "ese/page_checksum.hpp"

#include "ese/byte_reader.hpp"
#include "ese/file_format.hpp"

namespace quorvine::ese::detail {
namespace {

namespace field = format::page_header;

// XOR of the whole words of `bytes` from `from` to `to`.
uint32_t xor_words(const ByteReader& page, size_t from, size_t to, uint32_t seed) {
  return page.xor_words(from, (to - from) / 4, seed, "the checksummed words");
}

}  // namespace

bool page_checksum_matches(std::span<const uint8_t> bytes, uint32_t page_number) {
  if (bytes.size() < 4096 || bytes.size() % 4 != 0) return false;
  const ByteReader page(bytes, "Page", page_number);
  const uint32_t stored = page.u32_at(field::checksum, "the checksum");
  if (stored == 0 && page.u32_at(field::ecc_checksum, "the ECC checksum") == 0) return true;
  const uint32_t flags = page.u32_at(field::flags, "the page flags");
  if (!(flags & format::page_flags::new_checksum))
    return xor_words(page, field::ecc_checksum, bytes.size(), format::file_header::signature_value) == stored;
  if (bytes.size() <= 8192) return xor_words(page, field::database_time, bytes.size(), page_number) == stored;
  const size_t block = bytes.size() / 4;
  for (size_t k = 1; k < 4; ++k) {
    const size_t stored_at = field::block_checksums + field::block_checksum_stride * (k - 1);
    if (xor_words(page, k * block, (k + 1) * block, page_number) != page.u32_at(stored_at, "a block checksum"))
      return false;
  }
  return xor_words(page, field::database_time, block, page_number) == stored;
}

}  // namespace quorvine::ese::detail
