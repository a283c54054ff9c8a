#pragma once
// Decoding of compressed values and long-value segments by their scheme byte.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvine::ese {

enum class CompressionScheme : uint8_t { None = 0, SevenBitAscii = 1, SevenBitUnicode = 2, Xpress = 3 };

// The scheme named by a compressed value's first byte (None for an unknown one).
CompressionScheme compression_scheme(std::span<const uint8_t> value);

// Decodes a value by its scheme. Throws EseError for an unknown scheme or damaged data.
std::vector<uint8_t> decompress_value(std::span<const uint8_t> value);

// Like decompress_value, but gives nothing instead of throwing: for data that may or may
// not be compressed.
std::optional<std::vector<uint8_t>> try_decompress_value(std::span<const uint8_t> value);

}  // namespace quorvine::ese
