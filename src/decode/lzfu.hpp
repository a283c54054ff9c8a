#pragma once
// Compressed RTF (the RTF body column): the "LZFu" dictionary compression and the stored
// "MELA" form, decoded to the RTF text they hold.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorvine::decode {

struct LzfuResult {
  std::string rtf;          // the RTF bytes as decoded, without any terminator
  uint32_t raw_size = 0;    // what the header announces
  bool compressed = true;   // "LZFu"; false for the stored ("MELA") form
  bool crc_ok = true;       // the header's CRC matches the compressed bytes
  bool complete = true;     // the stream reached its end marker (stored form: all raw bytes present)
};

// Decodes the whole stream, reading no byte beyond `input` or the header's compressed size
// and allocating no more than the input can produce. nullopt when the input is shorter than
// the 16-byte header or than the compressed size its header announces, or when the
// compression type is neither "LZFu" nor "MELA". A CRC mismatch or a stream that ends
// without its end marker is reported in the result; the text decoded is still returned.
std::optional<LzfuResult> lzfu_decompress(std::span<const uint8_t> input);

// The CRC-32 the format uses (reflected polynomial 0xEDB88320, initial value 0, no final
// inversion).
uint32_t lzfu_crc(std::span<const uint8_t> bytes);

}  // namespace quorvine::decode
