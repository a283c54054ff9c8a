#include "edbgen/exchange_text.hpp"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace edbgen {
namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDays = 134774;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
  int64_t year;
  unsigned month, day, hour, minute, second, weekday;
};

Civil civil_from_filetime(uint64_t ft) {
  const uint64_t seconds = ft / kTicksPerSecond;
  const int64_t days = static_cast<int64_t>(seconds / 86400) - kEpochDays;
  const unsigned sod = static_cast<unsigned>(seconds % 86400);
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  Civil c{};
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = static_cast<int64_t>(yoe) + era * 400 + (c.month <= 2);
  c.hour = sod / 3600;
  c.minute = sod / 60 % 60;
  c.second = sod % 60;
  c.weekday = static_cast<unsigned>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return c;
}

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                  "Thu", "Fri", "Sat"};

uint32_t next_code_point(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t b0 = byte(i);
  int extra = 0;
  uint32_t cp = 0;
  if (b0 < 0x80) {
    cp = b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    cp = b0 & 0x1F, extra = 1;
  } else if ((b0 & 0xF0) == 0xE0) {
    cp = b0 & 0x0F, extra = 2;
  } else if ((b0 & 0xF8) == 0xF0) {
    cp = b0 & 0x07, extra = 3;
  } else {
    throw std::invalid_argument("invalid UTF-8 text");
  }
  for (int k = 1; k <= extra; ++k) {
    if (i + k >= s.size() || (byte(i + k) & 0xC0) != 0x80)
      throw std::invalid_argument("invalid UTF-8 text");
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += extra + 1;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    throw std::invalid_argument("invalid UTF-8 code point");
  return cp;
}

}  // namespace

Bytes utf16le(std::string_view utf8) {
  Bytes out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp = next_code_point(utf8, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      const uint16_t hi = static_cast<uint16_t>(0xD800 + (cp >> 10));
      const uint16_t lo = static_cast<uint16_t>(0xDC00 + (cp & 0x3FF));
      out.push_back(hi & 0xFF), out.push_back(hi >> 8);
      out.push_back(lo & 0xFF), out.push_back(lo >> 8);
    } else {
      out.push_back(cp & 0xFF), out.push_back(static_cast<uint8_t>(cp >> 8));
    }
  }
  return out;
}

Bytes le16(uint16_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }

Bytes le32(uint32_t v) {
  Bytes b(4);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

Bytes le64(uint64_t v) {
  Bytes b(8);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

Bytes be64(uint64_t v) {
  Bytes b(8);
  for (int i = 0; i < 8; ++i) b[7 - i] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

std::string hex_bytes(const Bytes& b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(b.size() * 2);
  for (uint8_t v : b) out.push_back(kDigits[v >> 4]), out.push_back(kDigits[v & 15]);
  return out;
}

std::optional<uint64_t> filetime_from_iso(std::string_view iso) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char tail = 0;
  const std::string text(iso);
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 7 ||
      tail != 'Z' || text.size() != 20)
    return std::nullopt;
  if (y < 1601 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
    return std::nullopt;
  const int64_t days = days_from_civil(y, mo, d) + kEpochDays;
  const Civil back = civil_from_filetime(static_cast<uint64_t>(days) * 86400 * kTicksPerSecond);
  if (static_cast<int>(back.month) != mo || static_cast<int>(back.day) != d) return std::nullopt;
  return (static_cast<uint64_t>(days) * 86400 + h * 3600 + mi * 60 + s) * kTicksPerSecond;
}

std::string filetime_text(uint64_t filetime) {
  const Civil c = civil_from_filetime(filetime);
  char buf[40];
  if (c.year > 9999) {
    std::snprintf(buf, sizeof buf, "(0x%08x 0x%08x)", static_cast<unsigned>(filetime >> 32),
                  static_cast<unsigned>(filetime & 0xFFFFFFFFu));
  } else {
    std::snprintf(buf, sizeof buf, "%s,%02u %04lld %02u:%02u:%02u", kMonths[c.month - 1], c.day,
                  static_cast<long long>(c.year), c.hour, c.minute, c.second);
  }
  return buf;
}

std::optional<std::string> rfc5322_date(uint64_t filetime) {
  const Civil c = civil_from_filetime(filetime);
  if (c.year > 9999) return std::nullopt;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s, %02u %s %04lld %02u:%02u:%02u +0000", kWeekdays[c.weekday],
                c.day, kMonths[c.month - 1], static_cast<long long>(c.year), c.hour, c.minute,
                c.second);
  return std::string(buf);
}

std::string base64(const Bytes& data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const uint32_t v = data[i] << 16 | data[i + 1] << 8 | data[i + 2];
    for (int k = 18; k >= 0; k -= 6) out.push_back(kAlphabet[(v >> k) & 63]);
  }
  if (const size_t rest = data.size() - i; rest > 0) {
    const uint32_t v = data[i] << 16 | (rest == 2 ? data[i + 1] << 8 : 0);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

bool is_printable_ascii(std::string_view s) {
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string header_word(std::string_view utf8) {
  if (is_printable_ascii(utf8)) return std::string(utf8);
  return "=?utf-8?B?" + base64(bytes_of(utf8)) + "?=";
}

std::string replace_all(std::string s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  size_t pos = 0;
  while ((pos = s.find(from, pos)) != std::string::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
  return s;
}

}  // namespace edbgen
