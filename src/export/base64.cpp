#include "export/base64.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace quorvine::exporting {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12 bits: two lookups encode three bytes.
constexpr std::array<std::array<char, 2>, 4096> kPairs = [] {
  std::array<std::array<char, 2>, 4096> pairs{};
  for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
  return pairs;
}();

// Writes the encoding of `bytes`, padded at the end, at `to`; returns where it ends.
char* encode_base64(char* to, const uint8_t* bytes, size_t size) {
  size_t i = 0;
  for (; i + 2 < size; i += 3) {
    const uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    std::memcpy(to, kPairs[v >> 12].data(), 2);
    std::memcpy(to + 2, kPairs[v & 0xFFF].data(), 2);
    to += 4;
  }
  if (i < size) {
    const uint32_t v = (uint32_t{bytes[i]} << 16) | (i + 1 < size ? uint32_t{bytes[i + 1]} << 8 : 0);
    *to++ = kAlphabet[v >> 18];
    *to++ = kAlphabet[(v >> 12) & 63];
    *to++ = i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
    *to++ = '=';
  }
  return to;
}

}  // namespace

void Base64Lines::encode_lines(std::span<const uint8_t> bytes) {
  const size_t lines = (bytes.size() + kLineBytes - 1) / kLineBytes;
  const size_t size = (bytes.size() + 2) / 3 * 4 + lines * newline_.size();
  if (encoded_.size() < size) encoded_.resize(size);
  char* to = encoded_.data();
  for (size_t at = 0; at < bytes.size(); at += kLineBytes) {
    to = encode_base64(to, bytes.data() + at, std::min(kLineBytes, bytes.size() - at));
    std::memcpy(to, newline_.data(), newline_.size());
    to += newline_.size();
  }
  out_.write(std::span(reinterpret_cast<const uint8_t*>(encoded_.data()), static_cast<size_t>(to - encoded_.data())));
}

void Base64Lines::write(std::span<const uint8_t> chunk) {
  if (!held_.empty()) {
    const size_t take = std::min(chunk.size(), kLineBytes - held_.size());
    held_.append(reinterpret_cast<const char*>(chunk.data()), take);
    chunk = chunk.subspan(take);
    if (held_.size() < kLineBytes) return;
    encode_lines(std::span(reinterpret_cast<const uint8_t*>(held_.data()), held_.size()));
    held_.clear();
  }
  const size_t whole = chunk.size() - chunk.size() % kLineBytes;
  if (whole > 0) encode_lines(chunk.first(whole));
  held_.append(reinterpret_cast<const char*>(chunk.data() + whole), chunk.size() - whole);
}

void Base64Lines::finish() {
  if (held_.empty()) return;
  encode_lines(std::span(reinterpret_cast<const uint8_t*>(held_.data()), held_.size()));
  held_.clear();
}

}  // namespace quorvine::exporting
