#pragma once
// The XOR part of an ESE page checksum. A page whose checksum fails is damage: it is
// refused before anything parses it.
#include <cstdint>
#include <span>

namespace quorvine::ese::detail {

// True when the page's stored XOR checksum(s) match its contents. New-format pages (flag
// 0x2000) are seeded with the page number; 16 and 32 KiB pages are checked in four blocks.
// A page whose first eight bytes are zero (never written) passes; the tree reader decides.
bool page_checksum_matches(std::span<const uint8_t> page, uint32_t page_number);

}  // namespace quorvine::ese::detail
