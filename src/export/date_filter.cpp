#include "export/date_filter.hpp"

#include <string>

#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

// The digits of text[at, at + count) as a number, or -1 when any is not a digit.
int digits(std::string_view text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The separators of "YYYY-MM-DDTHH:MM:SS" at their places, for as much of it as `text` is long.
bool separators_match(std::string_view text) {
  constexpr std::string_view form = "    -  -  T  :  :  ";
  for (size_t i = 0; i < text.size(); ++i)
    if (form[i] != ' ' && text[i] != form[i]) return false;
  return true;
}

}  // namespace

bool passes_filter(const std::optional<DateRange>& range, std::optional<uint64_t> filetime) {
  if (!range) return true;
  if (!filetime) return false;
  const auto seconds = filetime_to_unix(*filetime);
  return seconds && in_between(*seconds, range->from, range->to);
}

std::optional<std::time_t> parse_filter_date(std::string_view text, bool end_of_day) {
  if ((text.size() != 10 && text.size() != 16 && text.size() != 19) || !separators_match(text)) return std::nullopt;
  const bool date_only = text.size() == 10;
  const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
  int hour = date_only ? 0 : digits(text, 11, 2), minute = date_only ? 0 : digits(text, 14, 2);
  int second = text.size() == 19 ? digits(text, 17, 2) : 0;
  if (year < kFilterFirstYear || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59)
    return std::nullopt;
  if (date_only && end_of_day) {
    hour = 23;
    minute = 59;
    second = 59;
  }
  std::tm fields_tm{};
  fields_tm.tm_year = year - 1900;
  fields_tm.tm_mon = month - 1;
  fields_tm.tm_mday = day;
  fields_tm.tm_hour = hour;
  fields_tm.tm_min = minute;
  fields_tm.tm_sec = second;
  const std::time_t seconds = timegm(&fields_tm);
  // timegm normalises 31 February into March: such a date is refused.
  std::tm check{};
  if (!gmtime_r(&seconds, &check) || check.tm_mday != day || check.tm_mon != month - 1) return std::nullopt;
  return seconds;
}

}  // namespace quorvine::exporting
