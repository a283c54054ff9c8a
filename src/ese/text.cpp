#include "ese/text.hpp"

#include <array>

#include "ese/byte_reader.hpp"

namespace quorvine::ese {

char* write_utf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  char bytes[4];
  out.append(bytes, static_cast<size_t>(write_utf8(bytes, cp) - bytes));
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x80-0x9F of Windows-1252; the five holes map to themselves, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string utf16le_to_utf8(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  // An odd last byte is no unit.
  ByteReader in(bytes.first(bytes.size() & ~size_t{1}), "A UTF-16 text");
  while (!in.at_end()) {
    const char32_t unit = in.u16("a unit");
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (!in.at_end()) {
        const char32_t low = in.u16_at(in.position(), "a low surrogate");
        if (low >= 0xDC00 && low <= 0xDFFF) {
          append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          in.skip(2, "a low surrogate");
          continue;
        }
      }
      append_utf8(out, kReplacement);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      append_utf8(out, kReplacement);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

std::string cp1252_to_utf8(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    if (b >= 0x80 && b <= 0x9F)
      append_utf8(out, kCp1252High[b - 0x80]);
    else
      append_utf8(out, b);
  }
  return out;
}

std::string decode_text(std::span<const uint8_t> bytes, uint32_t codepage) {
  if (codepage == 1200) return utf16le_to_utf8(bytes);
  return cp1252_to_utf8(bytes);
}

std::string utf8_to_utf16le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  auto put = [&out](char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  };
  size_t i = 0;
  while (i < utf8.size()) {
    auto lead = static_cast<uint8_t>(utf8[i]);
    size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                 : (lead & 0xF8) == 0xF0 ? 3 : 4;
    char32_t cp = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra <= 3 && i + extra < utf8.size();
    for (size_t k = 1; valid && k <= extra; ++k) {
      auto c = static_cast<uint8_t>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (valid && ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
                  cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
      valid = false;
    if (!valid) {
      put(kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
    i += extra + 1;
  }
  return out;
}

}  // namespace quorvine::ese
