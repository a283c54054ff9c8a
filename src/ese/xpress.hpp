#pragma once
// Xpress (plain LZ77) values as ESE stores them: header 0x18, the uncompressed length as
// 16 bits, then the stream.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvine::ese {

// Decodes a plain LZ77 stream into exactly `length` bytes (a match running past it is cut
// there). Throws EseError when the stream ends early or a match reaches before the start.
std::vector<uint8_t> decompress_plain_lz77(std::span<const uint8_t> stream, size_t length);

// Decodes a whole ESE Xpress value (header included).
std::vector<uint8_t> decompress_xpress(std::span<const uint8_t> value);

}  // namespace quorvine::ese
