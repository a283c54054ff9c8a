// Feeds bytes to the 7-bit and Xpress decoders, as whole values and as a bare LZ77 stream.
#include <cstddef>
#include <cstdint>
#include <span>

#include "ese/compressed_value.hpp"
#include "ese/error.hpp"
#include "ese/seven_bit.hpp"
#include "ese/xpress.hpp"

using namespace quorvine::ese;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> input(data, size);
  try {
    auto out = decompress_value(input);
    if (compression_scheme(input) == CompressionScheme::Xpress && out.size() != static_cast<size_t>(data[1] | (data[2] << 8)))
      __builtin_trap();  // Xpress output must be exactly the stated length
  } catch (const EseError&) {
  }
  try {
    decompress_seven_bit(input);
  } catch (const EseError&) {
  }
  if (size >= 2) {
    try {
      size_t length = data[0] | (data[1] << 8);
      if (decompress_plain_lz77(input.subspan(2), length).size() != length) __builtin_trap();
    } catch (const EseError&) {
    }
  }
  return 0;
}
