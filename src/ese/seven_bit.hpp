#pragma once
// ESE's 7-bit compression: characters below 0x80 packed as 7-bit fields.
#include <cstdint>
#include <span>
#include <vector>

namespace quorvine::ese {

// Decodes a 7-bit value (header byte included: scheme 1 gives one byte per character,
// scheme 2 one UTF-16LE unit per character). Throws EseError on a malformed value.
std::vector<uint8_t> decompress_seven_bit(std::span<const uint8_t> value);

}  // namespace quorvine::ese
