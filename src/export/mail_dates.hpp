#pragma once
// The two date forms of exported mail, both from the stored FILETIME and both in UTC: the
// RFC 5322 "Date:" header and the asctime date of the MBOX separator line.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace quorvine::exporting {

// Seconds since 1970 of a FILETIME, or nothing when it falls outside years 1601 to 9999.
std::optional<std::time_t> filetime_to_unix(uint64_t filetime);
// "Mon, 07 Mar 2011 14:05:09 +0000", or empty when the time cannot be shown.
std::string rfc5322_date(std::optional<uint64_t> filetime);
// "Mon Mar  7 14:05:09 2011"; the epoch when the time cannot be shown, since mail readers
// refuse separator lines without a date in this form.
std::string asctime_date(std::optional<uint64_t> filetime);

}  // namespace quorvine::exporting
