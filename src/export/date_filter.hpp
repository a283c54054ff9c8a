#pragma once
// The export's message filter: a message is exported when From <= its date <= To, both
// bounds inclusive and compared with the time of day.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace quorvine::exporting {

struct DateRange {
  std::time_t from = 0;  // seconds since 1970, UTC
  std::time_t to = 0;
};

// True when from <= date <= to.
inline bool in_between(std::time_t date, std::time_t from, std::time_t to) { return from <= date && date <= to; }

// Whether a message with the stored time `filetime` passes `range`; every message passes
// without a range, and a message without a usable date never passes one.
bool passes_filter(const std::optional<DateRange>& range, std::optional<uint64_t> filetime);

// The years a filter date may name: those a stored time (FILETIME, from 1601) can hold, up
// to the last four-digit year.
inline constexpr int kFilterFirstYear = 1601;
inline constexpr int kFilterLastYear = 9999;

// Exactly "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS", a real calendar date
// of the years above, read as UTC; nothing else (no blank for "T", no zone, no missing
// digits). A bare date is the start of that day, or its last second when `end_of_day`.
std::optional<std::time_t> parse_filter_date(std::string_view text, bool end_of_day);

}  // namespace quorvine::exporting
