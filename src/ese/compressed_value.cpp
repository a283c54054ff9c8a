#include "ese/compressed_value.hpp"

#include "ese/error.hpp"
#include "ese/seven_bit.hpp"
#include "ese/xpress.hpp"

namespace quorvine::ese {

CompressionScheme compression_scheme(std::span<const uint8_t> value) {
  if (value.empty()) return CompressionScheme::None;
  switch (value[0] >> 3) {
    case 1: return CompressionScheme::SevenBitAscii;
    case 2: return CompressionScheme::SevenBitUnicode;
    case 3: return CompressionScheme::Xpress;
    default: return CompressionScheme::None;
  }
}

std::vector<uint8_t> decompress_value(std::span<const uint8_t> value) {
  switch (compression_scheme(value)) {
    case CompressionScheme::SevenBitAscii:
    case CompressionScheme::SevenBitUnicode: return decompress_seven_bit(value);
    case CompressionScheme::Xpress: return decompress_xpress(value);
    case CompressionScheme::None: break;
  }
  throw EseError("A compressed value uses an unknown compression scheme.");
}

std::optional<std::vector<uint8_t>> try_decompress_value(std::span<const uint8_t> value) {
  if (compression_scheme(value) == CompressionScheme::None) return std::nullopt;
  try {
    return decompress_value(value);
  } catch (const EseError&) {
    return std::nullopt;
  }
}

}  // namespace quorvine::ese
