#include "decode/date_text.hpp"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <locale.h>
#include <time.h>

#include "ese/byte_reader.hpp"

namespace quorvine::decode {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr sys_days kFiletimeEpoch = sys_days{year{1601} / January / 1};
// First day the four-digit year of the text cannot show.
constexpr int64_t kFirstUnshownDay =
    (sys_days{year{10000} / January / 1} - kFiletimeEpoch).count();

std::string hex_form(uint64_t filetime) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "(0x%08x 0x%08x)", static_cast<unsigned>(filetime >> 32),
                static_cast<unsigned>(filetime & 0xFFFFFFFFu));
  return buffer;
}

// The time formats of the environment's locale (LC_ALL, LC_TIME, LANG), "C" when those
// name no installed locale. Built per use: cheap next to std::locale(""), and nothing is
// kept between calls, so a changed environment takes effect at once.
class EnvironmentTimeLocale {
 public:
  EnvironmentTimeLocale() {
    handle_ = newlocale(LC_TIME_MASK, "", locale_t{});
    if (!handle_) handle_ = newlocale(LC_TIME_MASK, "C", locale_t{});
  }
  ~EnvironmentTimeLocale() {
    if (handle_) freelocale(handle_);
  }
  EnvironmentTimeLocale(const EnvironmentTimeLocale&) = delete;
  EnvironmentTimeLocale& operator=(const EnvironmentTimeLocale&) = delete;

  // Short date, a space, long time; nothing when it cannot be formatted.
  std::optional<std::string> format(const std::tm& moment) const {
    if (!handle_) return std::nullopt;
    char buffer[128];
    size_t size = strftime_l(buffer, sizeof buffer, "%x %X", &moment, handle_);
    if (size == 0) return std::nullopt;
    return std::string(buffer, size);
  }

 private:
  locale_t handle_ = locale_t{};
};

// The locale of the environment, opened again only when the environment names another:
// opening one per call cost more than the rest of a listing row. A cache per thread, so that
// no locale is shared between threads.
const EnvironmentTimeLocale& environment_time_locale() {
  std::string key;
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    key += value ? value : "";
    key += '\n';
  }
  thread_local std::string opened_for;
  thread_local std::unique_ptr<EnvironmentTimeLocale> locale;
  if (!locale || key != opened_for) {
    locale = std::make_unique<EnvironmentTimeLocale>();
    opened_for = std::move(key);
  }
  return *locale;
}

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  bool done() const { return pos_ >= text_.size(); }
  char peek() const { return done() ? '\0' : text_[pos_]; }
  void skip(std::string_view chars) {
    while (!done() && chars.find(text_[pos_]) != std::string_view::npos) ++pos_;
  }
  bool expect(char c) {
    if (peek() != c) return false;
    ++pos_;
    return true;
  }
  std::optional<int> number(size_t max_digits) {
    size_t start = pos_;
    int value = 0;
    while (!done() && pos_ - start < max_digits && text_[pos_] >= '0' && text_[pos_] <= '9')
      value = value * 10 + (text_[pos_++] - '0');
    if (pos_ == start) return std::nullopt;
    return value;
  }
  std::string_view letters() {
    size_t start = pos_;
    while (!done() && ((text_[pos_] | 0x20) >= 'a' && (text_[pos_] | 0x20) <= 'z')) ++pos_;
    return text_.substr(start, pos_ - start);
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::optional<unsigned> month_number(std::string_view name) {
  if (name.size() < 3) return std::nullopt;
  for (size_t m = 0; m < kMonths.size(); ++m) {
    bool same = true;
    for (size_t i = 0; i < 3; ++i)
      same = same && ((name[i] | 0x20) == (kMonths[m][i] | 0x20));
    if (same) return static_cast<unsigned>(m + 1);
  }
  return std::nullopt;
}

}  // namespace

std::string filetime_utc_text(uint64_t filetime) {
  uint64_t seconds = filetime / kTicksPerSecond;
  int64_t day_count = static_cast<int64_t>(seconds / 86400);
  if (day_count >= kFirstUnshownDay) return hex_form(filetime);
  year_month_day date{kFiletimeEpoch + days{day_count}};
  uint64_t in_day = seconds % 86400;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s,%02u %04d %02u:%02u:%02u",
                kMonths[static_cast<unsigned>(date.month()) - 1].data(),
                static_cast<unsigned>(date.day()), static_cast<int>(date.year()),
                static_cast<unsigned>(in_day / 3600), static_cast<unsigned>(in_day / 60 % 60),
                static_cast<unsigned>(in_day % 60));
  return buffer;
}

std::optional<uint64_t> read_u64(std::span<const uint8_t> bytes, char byte_order) {
  if (bytes.size() != 8 || (byte_order != 'l' && byte_order != 'b')) return std::nullopt;
  const ese::ByteReader in(bytes, "An 8-byte value");
  return byte_order == 'l' ? in.u64_at(0, "the value") : in.be64_at(0, "the value");
}

std::optional<std::string> filetime_utc_text(std::span<const uint8_t> bytes, char byte_order) {
  const auto filetime = read_u64(bytes, byte_order);
  if (!filetime) return std::nullopt;
  return filetime_utc_text(*filetime);
}

std::optional<int64_t> parse_utc_text(std::string_view utc_text) {
  Cursor in(utc_text);
  in.skip(" ");
  auto month_value = month_number(in.letters());
  if (!month_value) return std::nullopt;
  in.skip(" ,");
  auto day_value = in.number(2);
  in.skip(" ,");
  auto year_value = in.number(4);
  in.skip(" ");
  auto hours = in.number(2);
  if (!day_value || !year_value || !hours || !in.expect(':')) return std::nullopt;
  auto minutes = in.number(2);
  if (!minutes || !in.expect(':')) return std::nullopt;
  auto secs = in.number(2);
  in.skip(" ");
  if (!secs || !in.done()) return std::nullopt;
  year_month_day date{year{*year_value}, month{*month_value},
                      day{static_cast<unsigned>(*day_value)}};
  if (!date.ok() || *year_value < 1 || *hours > 23 || *minutes > 59 || *secs > 59)
    return std::nullopt;
  return (sys_days{date}.time_since_epoch().count()) * int64_t{86400} + *hours * 3600 +
         *minutes * 60 + *secs;
}

std::string utc_text_to_local(std::string_view utc_text) {
  auto seconds = parse_utc_text(utc_text);
  if (!seconds) return std::string(utc_text);
  std::time_t moment = static_cast<std::time_t>(*seconds);
  std::tm local{};
  if (!localtime_r(&moment, &local)) return std::string(utc_text);
  return environment_time_locale().format(local).value_or(std::string(utc_text));
}

std::string convert_date(std::string_view utc_text) {
  if (utc_text.size() > 22) utc_text = utc_text.substr(0, 21);
  if (utc_text.empty()) return {};
  return utc_text_to_local(utc_text);
}

}  // namespace quorvine::decode
