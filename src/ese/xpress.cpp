#include "ese/xpress.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {
namespace {

[[noreturn]] void damaged(const char* what) {
  throw EseError(std::string("An Xpress compressed value is damaged: ") + what + ".");
}

}  // namespace

std::vector<uint8_t> decompress_plain_lz77(std::span<const uint8_t> stream, size_t length) {
  std::vector<uint8_t> out(length);
  size_t done = 0;
  ByteReader in(stream, "An Xpress compressed value");
  uint32_t flags = 0;
  unsigned flag_count = 0;
  constexpr size_t kNoNibble = static_cast<size_t>(-1);
  size_t half_byte = kNoNibble;
  while (done < length) {
    if (flag_count == 0) {
      flags = in.u32("a flag word");
      flag_count = 32;
    }
    --flag_count;
    if ((flags & (1u << flag_count)) == 0) {
      out[done++] = in.u8("a literal byte");
      continue;
    }
    const uint16_t token = in.u16("a match token");
    const size_t distance = (token >> 3) + 1u;
    uint64_t match = token & 7u;
    if (match == 7) {
      if (half_byte == kNoNibble) {
        half_byte = in.position();
        match = in.u8("a match length nibble") & 0x0F;
      } else {
        match = in.u8_at(half_byte, "a match length nibble") >> 4;
        half_byte = kNoNibble;
      }
      if (match == 15) {
        match = in.u8("a match length byte");
        if (match == 255) {
          match = in.u16("a match length word");
          if (match == 0) match = in.u32("a match length");
          if (match < 15 + 7) damaged("a match length is invalid");
          match -= 15 + 7;
        }
        match += 15;
      }
      match += 7;
    }
    match += 3;
    if (distance > done) damaged("a match reaches before the start of the data");
    // Output stops at the stated length, even inside a match.
    const size_t count = static_cast<size_t>(std::min<uint64_t>(match, length - done));
    uint8_t* to = out.data() + done;
    const uint8_t* from = to - distance;
    if (distance >= count) {
      std::memcpy(to, from, count);
    } else {
      // The match overlaps its own output: byte by byte.
      for (size_t k = 0; k < count; ++k) to[k] = from[k];
    }
    done += count;
  }
  return out;
}

std::vector<uint8_t> decompress_xpress(std::span<const uint8_t> value) {
  ByteReader in(value, "An Xpress compressed value");
  if (value.size() < 3) damaged("the header is truncated");
  if (in.u8("the header byte") != 0x18) damaged("the header byte is not Xpress");
  const size_t length = in.u16("the decompressed length");
  return decompress_plain_lz77(in.bytes(in.remaining(), "the stream"), length);
}

}  // namespace quorvine::ese
