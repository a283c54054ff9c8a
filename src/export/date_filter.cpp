#include "export/date_filter.hpp"

#include <cstdio>
#include <string>

#include "export/mail_dates.hpp"

namespace quorvine::exporting {

bool passes_filter(const std::optional<DateRange>& range, std::optional<uint64_t> filetime) {
  if (!range) return true;
  if (!filetime) return false;
  const auto seconds = filetime_to_unix(*filetime);
  return seconds && InBetween(*seconds, range->from, range->to);
}

std::optional<std::time_t> parse_filter_date(std::string_view text, bool end_of_day) {
  const std::string value(text);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0, tail = 0;
  int fields = std::sscanf(value.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &year, &month, &day, &separator, &hour,
                           &minute, &second, &tail);
  const bool date_only = fields == 3 && value.size() == 10;
  const bool with_time = (fields == 6 || fields == 7) && (separator == 'T' || separator == ' ');
  if (!date_only && !with_time) return std::nullopt;
  if (fields == 6) second = 0;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 || year < 1601)
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
