#include "export/mail_dates.hpp"

#include <cstdio>

namespace quorvine::exporting {
namespace {

constexpr uint64_t kEpochFiletime = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<std::tm> utc_fields(std::optional<uint64_t> filetime) {
  if (!filetime) return std::nullopt;
  auto seconds = filetime_to_unix(*filetime);
  if (!seconds) return std::nullopt;
  std::tm fields{};
  if (!gmtime_r(&*seconds, &fields)) return std::nullopt;
  return fields;
}

}  // namespace

std::optional<std::time_t> filetime_to_unix(uint64_t filetime) {
  // 9999-12-31 23:59:59 UTC; later dates have no four-digit year.
  constexpr int64_t kLastSecond = 253402300799LL;
  const int64_t seconds = static_cast<int64_t>(filetime / 10000000ULL) - static_cast<int64_t>(kEpochFiletime / 10000000ULL);
  if (seconds > kLastSecond) return std::nullopt;
  return static_cast<std::time_t>(seconds);
}

std::string rfc5322_date(std::optional<uint64_t> filetime) {
  auto t = utc_fields(filetime);
  if (!t) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[t->tm_wday], t->tm_mday,
                kMonths[t->tm_mon], t->tm_year + 1900, t->tm_hour, t->tm_min, t->tm_sec);
  return text;
}

std::string asctime_date(std::optional<uint64_t> filetime) {
  auto t = utc_fields(filetime);
  if (!t) t = utc_fields(kEpochFiletime);
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %04d", kDays[t->tm_wday], kMonths[t->tm_mon],
                t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec, t->tm_year + 1900);
  return text;
}

}  // namespace quorvine::exporting
