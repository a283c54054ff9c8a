#include "textfile/code_page_text.hpp"

#include <iconv.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "textfile/utf8_units.hpp"

namespace quorvine::textfile {
namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five unassigned ones.
constexpr std::array<char16_t, 32> cp1252_high = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int cp1252_byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (size_t i = 0; i < cp1252_high.size(); ++i)
    if (cp1252_high[i] != 0 && cp1252_high[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

struct IconvCloser {
  void operator()(iconv_t* cd) const {
    iconv_close(*cd);
    delete cd;
  }
};

}  // namespace

std::string to_code_page(std::string_view utf8, uint32_t code_page, char replacement) {
  const std::u32string points = utf8_code_points(utf8);
  std::string out;
  out.reserve(points.size());
  if (code_page == 1252) {
    for (char32_t cp : points) {
      const int b = cp1252_byte(cp);
      out.push_back(b < 0 ? replacement : static_cast<char>(b));
    }
    return out;
  }
  const std::string name = "CP" + std::to_string(code_page);
  iconv_t cd = iconv_open(name.c_str(), "UTF-32LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::invalid_argument("unknown code page " + std::to_string(code_page));
  std::unique_ptr<iconv_t, IconvCloser> guard(new iconv_t(cd));
  // One character at a time, so an unmappable one is replaced alone.
  for (char32_t cp : points) {
    char in_bytes[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                        static_cast<char>((cp >> 16) & 0xFF), static_cast<char>(cp >> 24)};
    char out_bytes[8];
    char* in = in_bytes;
    char* o = out_bytes;
    size_t in_left = sizeof in_bytes, out_left = sizeof out_bytes;
    if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out.push_back(replacement);
    } else {
      out.append(out_bytes, o);
    }
  }
  return out;
}

}  // namespace quorvine::textfile
