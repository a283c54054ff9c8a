#pragma once
// Helpers of the tests on real sample files: opening a sample table, and reading values
// the way their publishers state them (integers, floats, OLE dates, GUIDs, text).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "ese/database.hpp"
#include "ese/text.hpp"
#include "support/test_support.hpp"

namespace quorvine::ese::testing {

struct SampleTable {
  Database database;
  Table table;
  // The value of a named column in record `row`.
  std::optional<Bytes> bytes(uint64_t row, std::string_view column) const {
    auto index = table.column_index(column);
    EXPECT_TRUE(index) << "no column " << column;
    if (!index) return std::nullopt;
    return table.read_record(row, std::vector<size_t>{*index}).bytes(*index);
  }
  std::optional<std::string> text(uint64_t row, std::string_view column) const {
    auto index = table.column_index(column);
    EXPECT_TRUE(index) << "no column " << column;
    if (!index) return std::nullopt;
    return table.read_record(row, std::vector<size_t>{*index}).text(*index);
  }
  std::vector<MultiValueElement> multi(uint64_t row, std::string_view column) const {
    auto index = table.column_index(column);
    EXPECT_TRUE(index) << "no column " << column;
    if (!index) return {};
    return table.read_record(row, std::vector<size_t>{*index}).multi_values(*index);
  }
};

inline SampleTable open_sample_table(const std::string& file, const std::string& table) {
  Database db = Database::open(quorvine::testing::ese_sample(file));
  auto index = db.find_table(table);
  if (!index) throw std::runtime_error("sample " + file + " has no table " + table);
  Table t = db.open_table(*index);
  return SampleTable{std::move(db), std::move(t)};
}

template <typename T>
T as(const Bytes& b) {
  T v{};
  EXPECT_EQ(b.size(), sizeof(T));
  if (b.size() == sizeof(T)) std::memcpy(&v, b.data(), sizeof(T));
  return v;
}

// Seconds from 1899-12-30 (the OLE epoch) to a civil date and time.
inline double ole_seconds(int y, unsigned m, unsigned d, int hour = 0, int minute = 0) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days_since_1970 = era * 146097L + static_cast<long>(doe) - 719468;
  const long ole_epoch = -25569;  // 1899-12-30 counted from 1970-01-01
  return (days_since_1970 - ole_epoch) * 86400.0 + hour * 3600.0 + minute * 60.0;
}

// A stored date (days since 1899-12-30, fraction included, counted linearly: the samples
// store 1661-04-17 11:30 as -87183.52) as seconds from that epoch.
inline double ole_value_seconds(double value) { return value * 86400.0; }

inline std::string guid_text(const Bytes& b) {
  if (b.size() != 16) return "not a GUID";
  static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b[order[i]]);
    out += hex;
  }
  return out;
}

inline std::string str(const Bytes& b) { return {b.begin(), b.end()}; }
inline std::string fox() { return "\xF0\x9F\xA6\x8A"; }
inline std::string repeat(std::string_view s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace quorvine::ese::testing
