#pragma once
// Header and page checksums as the engine computes them (new ECC format, flag 0x2000).
#include <cstdint>
#include <span>

namespace edbgen::ese {

// XOR of the 32-bit words from offset 4 to the end of the header page, seeded 0x89ABCDEF.
uint32_t header_checksum(std::span<const uint8_t> header_page);

struct ChecksumPair {
  uint32_t xor_sum = 0;
  uint32_t ecc = 0;
};

// Checksums of one block of a page: 4096 or 8192 bytes. `skip_first8` leaves out the
// bytes that hold block 0's own pair.
ChecksumPair block_checksum(std::span<const uint8_t> block, uint32_t page_number, bool skip_first8);

// Computes and stores every checksum of a page: one pair at offset 0 for 4/8 KiB pages;
// for 16/32 KiB pages blocks 1-3 first (pairs at 40, 48, 56), then block 0 (pair at 0).
void seal_page(std::span<uint8_t> page, uint32_t page_number);

}  // namespace edbgen::ese
