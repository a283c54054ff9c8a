#include "edbgen/ese_compress.hpp"

#include <algorithm>
#include <array>

#include "edbgen/ese_bytes.hpp"

namespace edbgen::ese {

std::optional<Bytes> compress_7bit(std::span<const uint8_t> data, TextWidth width) {
  const size_t step = width == TextWidth::Utf16 ? 2 : 1;
  if (data.empty() || data.size() % step != 0) return std::nullopt;
  const size_t count = data.size() / step;
  for (size_t i = 0; i < count; ++i) {
    if (data[i * step] >= 0x80) return std::nullopt;
    if (step == 2 && data[i * step + 1] != 0) return std::nullopt;
  }
  const size_t bits = count * 7;
  const size_t packed = (bits + 7) / 8;
  const uint8_t used_in_last = uint8_t(bits - (packed - 1) * 8);
  const uint8_t scheme = width == TextWidth::Utf16 ? kScheme7BitUnicode : kScheme7BitAscii;
  Bytes out(1 + packed, 0);
  out[0] = uint8_t(scheme << 3 | (used_in_last - 1));
  size_t bit = 0;
  for (size_t i = 0; i < count; ++i, bit += 7) {
    uint32_t v = uint32_t(data[i * step]) << (bit % 8);
    size_t byte = 1 + bit / 8;
    out[byte] |= uint8_t(v);
    if (v >> 8) out[byte + 1] |= uint8_t(v >> 8);
  }
  return out;
}

namespace {

constexpr size_t kWindow = 8192;  // a 13-bit distance
constexpr int kMaxHashBits = 14;
constexpr int kChainSteps = 8;
constexpr size_t kGoodEnough = 64;  // stop searching the chain at a match this long

uint32_t hash3(const uint8_t* p, int bits) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  return (v * 2654435761u) >> (32 - bits);
}

class XpressEncoder {
 public:
  explicit XpressEncoder(Bytes& out) : out_(out) {
    flag_pos_ = out_.size();
    out_.resize(out_.size() + 4);
  }

  void literal(uint8_t b) {
    out_.push_back(b);
    push_flag(0);
  }

  void match(size_t distance, size_t length) {
    size_t code = length - 3;
    uint16_t token = uint16_t((distance - 1) << 3 | std::min<size_t>(code, 7));
    append_le16(out_, token);
    if (code >= 7) {
      code -= 7;
      const uint8_t nibble = uint8_t(std::min<size_t>(code, 15));
      if (nibble_pos_ == 0) {
        nibble_pos_ = out_.size();
        out_.push_back(nibble);
      } else {
        out_[nibble_pos_] |= uint8_t(nibble << 4);
        nibble_pos_ = 0;
      }
      if (code >= 15) {
        code -= 15;
        if (code < 255) {
          out_.push_back(uint8_t(code));
        } else {
          out_.push_back(255);
          const size_t full = length - 3;
          if (full < 65536) {
            append_le16(out_, uint16_t(full));
          } else {
            append_le16(out_, 0);
            append_le32(out_, uint32_t(full));
          }
        }
      }
    }
    push_flag(1);
  }

  void finish() {
    // Unused bits of the last flag word are set: the end marker readers look for.
    uint32_t word = flag_count_ == 0 ? 0xFFFFFFFFu
                                     : (flags_ << (32 - flag_count_)) | ((1u << (32 - flag_count_)) - 1);
    store_le32(&out_[flag_pos_], word);
  }

 private:
  void push_flag(uint32_t bit) {
    flags_ = flags_ << 1 | bit;
    if (++flag_count_ == 32) {
      store_le32(&out_[flag_pos_], flags_);
      flag_count_ = 0;
      flags_ = 0;
      flag_pos_ = out_.size();
      out_.resize(out_.size() + 4);
    }
  }

  Bytes& out_;
  size_t flag_pos_ = 0;
  uint32_t flags_ = 0;
  int flag_count_ = 0;
  size_t nibble_pos_ = 0;
};

}  // namespace

Bytes xpress_stream(std::span<const uint8_t> data) {
  Bytes out;
  out.reserve(data.size() / 2 + 16);
  XpressEncoder enc(out);
  const size_t n = data.size();
  // Tables sized to the input: most values are small, and clearing a large table for
  // each would cost more than compressing them.
  int bits = 8;
  while (bits < kMaxHashBits && (size_t(1) << bits) < n) ++bits;
  // head[h]: latest position with that hash + 1; prev[i % window]: the one before it.
  std::vector<uint32_t> head(size_t(1) << bits, 0);
  size_t ring = 256;  // a power of two, so positions wrap with a mask
  while (ring < kWindow && ring < n) ring <<= 1;
  const size_t ring_mask = ring - 1;
  std::vector<uint32_t> prev(ring, 0);
  auto insert = [&](size_t pos) {
    uint32_t h = hash3(&data[pos], bits);
    prev[pos & ring_mask] = head[h];
    head[h] = uint32_t(pos + 1);
  };
  size_t i = 0;
  while (i < n) {
    size_t best_len = 0, best_dist = 0;
    if (i + 3 <= n) {
      uint32_t cand = head[hash3(&data[i], bits)];
      const size_t limit = n - i;
      for (int step = 0; step < kChainSteps && cand != 0; ++step) {
        const size_t pos = cand - 1;
        if (pos >= i || i - pos > kWindow) break;
        // Only a candidate that also matches at the current best length can beat it.
        if (best_len == 0 || (best_len < limit && data[pos + best_len] == data[i + best_len])) {
          size_t len = 0;
          while (len < limit && data[pos + len] == data[i + len]) ++len;
          if (len > best_len) {
            best_len = len;
            best_dist = i - pos;
            if (len >= kGoodEnough || len == limit) break;
          }
        }
        const uint32_t next = prev[pos & ring_mask];
        if (next == 0 || next - 1 >= pos) break;
        cand = next;
      }
    }
    if (best_len >= 3) {
      enc.match(best_dist, best_len);
      for (size_t k = 0; k < best_len; ++k, ++i)
        if (i + 3 <= n) insert(i);
    } else {
      enc.literal(data[i]);
      if (i + 3 <= n) insert(i);
      ++i;
    }
  }
  enc.finish();
  return out;
}

std::optional<Bytes> compress_xpress(std::span<const uint8_t> data) {
  if (data.empty() || data.size() > kXpressMaxInput) return std::nullopt;
  Bytes out;
  out.push_back(uint8_t(kSchemeXpress << 3));
  append_le16(out, uint16_t(data.size()));
  Bytes stream = xpress_stream(data);
  append(out, stream);
  return out;
}

}  // namespace edbgen::ese
