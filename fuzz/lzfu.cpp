// Feeds bytes to the compressed-RTF decoder as a whole stream (header included).
#include <cstddef>
#include <cstdint>
#include <span>

#include "decode/lzfu.hpp"

using namespace quorvine::decode;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const auto result = lzfu_decompress(input);
  if (!result) return 0;
  // Whatever the header claims, the output is bounded by the input: a stored stream holds its
  // bytes once, and a compressed one yields at most 17 bytes per control bit (each of 8 bits
  // costs at least one input byte, a reference two).
  const size_t body = size - 16;
  if (!result->compressed && result->rtf.size() > body) __builtin_trap();
  if (result->compressed && result->rtf.size() > body * 9) __builtin_trap();
  if (!result->compressed && result->complete && result->rtf.size() != result->raw_size) __builtin_trap();
  return 0;
}
