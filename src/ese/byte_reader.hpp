#pragma once
// The one checked cursor over bytes read from a file: a span and a position. Every read is
// checked against the span; one that does not fit throws EseError naming the whole being read
// (its subject), the field and the byte it was sought at. The reads at a given offset leave
// the position where it is.
#include <cstdint>
#include <span>
#include <string>

namespace quorvine::ese {

class ByteReader {
 public:
  // `subject` starts the message of a failure, as in "A record" or "Page" with its number;
  // it must outlive the reader (a literal).
  ByteReader(std::span<const uint8_t> data, const char* subject) : data_(data), subject_(subject) {}
  ByteReader(std::span<const uint8_t> data, const char* subject, uint64_t number)
      : data_(data), subject_(subject), number_(number), numbered_(true) {}

  size_t size() const { return data_.size(); }
  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ >= data_.size(); }
  std::span<const uint8_t> data() const { return data_; }

  uint8_t u8(const char* what) { return data_[advance(1, what)]; }
  uint16_t u16(const char* what) { return le16(data_.data() + advance(2, what)); }
  uint32_t u32(const char* what) { return le32(data_.data() + advance(4, what)); }
  uint64_t u64(const char* what) { return le64(data_.data() + advance(8, what)); }
  uint16_t be16(const char* what) { return big16(data_.data() + advance(2, what)); }
  std::span<const uint8_t> bytes(size_t count, const char* what) { return data_.subspan(advance(count, what), count); }
  // A reader over the next `count` bytes, its failures placed within this one's bytes.
  ByteReader sub(size_t count, const char* what) { return sub_at(advance(count, what), count, what); }
  void skip(size_t count, const char* what) { advance(count, what); }
  void seek(size_t at, const char* what) {
    if (at > data_.size()) fail(what, at, 0);
    pos_ = at;
  }

  uint8_t u8_at(size_t at, const char* what) const { return data_[check(at, 1, what)]; }
  uint16_t u16_at(size_t at, const char* what) const { return le16(data_.data() + check(at, 2, what)); }
  uint32_t u32_at(size_t at, const char* what) const { return le32(data_.data() + check(at, 4, what)); }
  uint64_t u64_at(size_t at, const char* what) const { return le64(data_.data() + check(at, 8, what)); }
  uint16_t be16_at(size_t at, const char* what) const { return big16(data_.data() + check(at, 2, what)); }
  uint32_t be32_at(size_t at, const char* what) const { return big32(data_.data() + check(at, 4, what)); }
  uint64_t be64_at(size_t at, const char* what) const {
    const uint8_t* p = data_.data() + check(at, 8, what);
    return static_cast<uint64_t>(big32(p)) << 32 | big32(p + 4);
  }
  std::span<const uint8_t> bytes_at(size_t at, size_t count, const char* what) const {
    return data_.subspan(check(at, count, what), count);
  }
  ByteReader sub_at(size_t at, size_t count, const char* what) const {
    ByteReader inner(*this);
    inner.data_ = data_.subspan(check(at, count, what), count);
    inner.base_ = base_ + at;
    inner.pos_ = 0;
    return inner;
  }
  // The index of an entry whose leading little-endian 16-bit key is `key`, among `count`
  // entries of `stride` (at least 2) bytes from `at` sorted by that key; `count` when there is
  // none. The array is checked once, not at every probe.
  size_t find_u16(size_t at, size_t count, size_t stride, uint16_t key, const char* what) const {
    if (count > data_.size() / stride) fail(what, at, SIZE_MAX);
    const uint8_t* p = data_.data() + check(at, count * stride, what);
    size_t low = 0, high = count;
    while (low < high) {
      const size_t mid = low + (high - low) / 2;
      const uint16_t found = le16(p + mid * stride);
      if (found == key) return mid;
      if (found < key) low = mid + 1;
      else high = mid;
    }
    return count;
  }
  // XOR of the `count` little-endian words from `at`, checked once: the page checksums.
  uint32_t xor_words(size_t at, size_t count, uint32_t seed, const char* what) const {
    const uint8_t* p = data_.data() + check(at, 4 * count, what);
    // Two words at a time: the halves of the 64-bit XOR are the XORs of the even and odd words.
    uint64_t pairs = 0;
    size_t k = 0;
    for (; k + 2 <= count; k += 2) pairs ^= le64(p + 4 * k);
    if (k < count) seed ^= le32(p + 4 * k);
    return seed ^ static_cast<uint32_t>(pairs) ^ static_cast<uint32_t>(pairs >> 32);
  }

 private:
  static uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
  static uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  static uint64_t le64(const uint8_t* p) { return static_cast<uint64_t>(le32(p)) | (static_cast<uint64_t>(le32(p + 4)) << 32); }
  static uint16_t big16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
  static uint32_t big32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
  }

  // In this order the first test is the same for every read of one width, so a loop tests it
  // once.
  size_t check(size_t at, size_t count, const char* what) const {
    if (count > data_.size() || at > data_.size() - count) fail(what, at, count);
    return at;
  }
  size_t advance(size_t count, const char* what) {
    const size_t at = check(pos_, count, what);
    pos_ += count;
    return at;
  }
  [[noreturn, gnu::cold, gnu::noinline]] void fail(const char* what, size_t at, size_t count) const;

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  size_t base_ = 0;  // where data_ starts in the bytes the subject names
  const char* subject_;
  uint64_t number_ = 0;
  bool numbered_ = false;
};

}  // namespace quorvine::ese
