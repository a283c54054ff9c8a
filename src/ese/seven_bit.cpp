#include "ese/seven_bit.hpp"

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {

std::vector<uint8_t> decompress_seven_bit(std::span<const uint8_t> value) {
  if (value.size() < 2) throw EseError("A 7-bit compressed value is too short.");
  ByteReader in(value, "A 7-bit compressed value");
  const uint8_t header = in.u8("the header byte");
  const unsigned scheme = header >> 3;
  if (scheme != 1 && scheme != 2) throw EseError("A value is not 7-bit compressed.");
  const uint64_t bits = (value.size() - 2) * 8ull + (header & 7u) + 1;
  const uint64_t count = bits / 7;
  const bool unicode = scheme == 2;
  std::vector<uint8_t> out;
  out.reserve(unicode ? count * 2 : count);
  uint32_t buffer = 0;
  unsigned buffered = 0;
  for (uint64_t i = 0; i < count; ++i) {
    while (buffered < 7) {
      buffer |= static_cast<uint32_t>(in.u8("a packed byte")) << buffered;
      buffered += 8;
    }
    out.push_back(static_cast<uint8_t>(buffer & 0x7F));
    if (unicode) out.push_back(0);
    buffer >>= 7;
    buffered -= 7;
  }
  return out;
}

}  // namespace quorvine::ese
