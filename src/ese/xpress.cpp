#include "ese/xpress.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {
namespace {

[[noreturn]] void damaged(const char* what) {
  throw EseError(std::string("An Xpress compressed value is damaged: ") + what + ".");
}

class Input {
 public:
  explicit Input(std::span<const uint8_t> data) : data_(data) {}
  size_t position() const { return pos_; }
  bool at_end() const { return pos_ >= data_.size(); }
  uint8_t byte_at(size_t at) const { return data_[at]; }
  uint8_t u8() {
    need(1);
    return data_[pos_++];
  }
  uint16_t u16() {
    need(2);
    uint16_t v = detail::load_le16(data_.data() + pos_);
    pos_ += 2;
    return v;
  }
  uint32_t u32() {
    need(4);
    uint32_t v = detail::load_le32(data_.data() + pos_);
    pos_ += 4;
    return v;
  }

 private:
  void need(size_t n) const {
    if (data_.size() - pos_ < n) damaged("the stream ends early");
  }
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<uint8_t> decompress_plain_lz77(std::span<const uint8_t> stream, size_t length) {
  std::vector<uint8_t> out(length);
  size_t done = 0;
  Input in(stream);
  uint32_t flags = 0;
  unsigned flag_count = 0;
  constexpr size_t kNoNibble = static_cast<size_t>(-1);
  size_t half_byte = kNoNibble;
  while (done < length) {
    if (flag_count == 0) {
      flags = in.u32();
      flag_count = 32;
    }
    --flag_count;
    if ((flags & (1u << flag_count)) == 0) {
      out[done++] = in.u8();
      continue;
    }
    const uint16_t token = in.u16();
    const size_t distance = (token >> 3) + 1u;
    uint64_t match = token & 7u;
    if (match == 7) {
      if (half_byte == kNoNibble) {
        half_byte = in.position();
        match = in.u8() & 0x0F;
      } else {
        match = in.byte_at(half_byte) >> 4;
        half_byte = kNoNibble;
      }
      if (match == 15) {
        match = in.u8();
        if (match == 255) {
          match = in.u16();
          if (match == 0) match = in.u32();
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
  if (value.size() < 3) damaged("the header is truncated");
  if (value[0] != 0x18) damaged("the header byte is not Xpress");
  const size_t length = detail::load_le16(value.data() + 1);
  return decompress_plain_lz77(value.subspan(3), length);
}

}  // namespace quorvine::ese
