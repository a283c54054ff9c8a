#include "decode/date_text.hpp"

#include <gtest/gtest.h>

#include "environment_guard.hpp"

namespace quorvine::decode {
namespace {

using testing::EnvironmentGuard;

constexpr uint64_t kMarch7th2011 = 129439803090000000;  // 2011-03-07 14:05:09 UTC
constexpr uint64_t kLastShownSecond = 2650467743990000000;  // 9999-12-31 23:59:59 UTC

TEST(DateTextStage1, ExactTwentyCharacterForm) {
  EXPECT_EQ(filetime_utc_text(0), "Jan,01 1601 00:00:00");
  EXPECT_EQ(filetime_utc_text(kMarch7th2011), "Mar,07 2011 14:05:09");
  // Sub-second ticks are dropped, never rounded up into the next second.
  EXPECT_EQ(filetime_utc_text(kMarch7th2011 + 9'999'999), "Mar,07 2011 14:05:09");
  EXPECT_EQ(filetime_utc_text(129750335990000000), "Feb,29 2012 23:59:59");
  EXPECT_EQ(filetime_utc_text(kLastShownSecond).size(), 20u);
  EXPECT_EQ(filetime_utc_text(kLastShownSecond), "Dec,31 9999 23:59:59");
}

TEST(DateTextStage1, YearsBeyond9999TakeTheHexForm) {
  EXPECT_EQ(filetime_utc_text(kLastShownSecond + 10'000'000), "(0x24c85a5e 0xd1c04000)");
  std::string top = filetime_utc_text(UINT64_MAX);
  EXPECT_EQ(top, "(0xffffffff 0xffffffff)");
  EXPECT_EQ(top.size(), 23u);
}

TEST(DateTextStage1, BytesInEitherOrder) {
  const uint8_t little[8] = {0x80, 0xd8, 0xf9, 0xaa, 0xd0, 0xdc, 0xcb, 0x01};
  const uint8_t big[8] = {0x01, 0xcb, 0xdc, 0xd0, 0xaa, 0xf9, 0xd8, 0x80};
  EXPECT_EQ(filetime_utc_text(little, 'l'), "Mar,07 2011 14:05:09");
  EXPECT_EQ(filetime_utc_text(big, 'b'), "Mar,07 2011 14:05:09");
  EXPECT_FALSE(filetime_utc_text(little, 'x'));
  EXPECT_FALSE(filetime_utc_text(std::span<const uint8_t>(little, 7), 'l'));
}

TEST(DateTextStage2, UtcInTheCLocale) {
  EnvironmentGuard env("UTC", "C");
  EXPECT_EQ(convert_date("Mar,07 2011 14:05:09"), "03/07/11 14:05:09");
  EXPECT_EQ(filetime_local_text(0), "01/01/01 00:00:00");
  EXPECT_EQ(utc_text_to_local("Dec,31 9999 23:59:59"), "12/31/99 23:59:59");
}

TEST(DateTextStage2, UnknownLocaleFallsBackToC) {
  EnvironmentGuard env("UTC", "xx_YY.no-such-locale");
  EXPECT_EQ(convert_date("Mar,07 2011 14:05:09"), "03/07/11 14:05:09");
}

TEST(DateTextStage2, ConvertsToTheLocalZone) {
  {
    EnvironmentGuard env("XST-02", "C");  // two hours east of UTC
    EXPECT_EQ(convert_date("Mar,07 2011 23:05:09"), "03/08/11 01:05:09");
  }
  {
    EnvironmentGuard env("XST05", "C");  // five hours west
    EXPECT_EQ(convert_date("Mar,01 2012 03:00:00"), "02/29/12 22:00:00");
  }
}

TEST(DateTextStage2, UnparsableTextsPassThroughAfterTheCut) {
  EnvironmentGuard env("UTC", "C");
  EXPECT_EQ(convert_date(""), "");
  EXPECT_EQ(convert_date("not a date"), "not a date");
  // The 23-character hex form is longer than 22 and is cut to its first 21.
  EXPECT_EQ(convert_date("(0x24c85a5e 0xd1c04000)"), "(0x24c85a5e 0xd1c0400");
  EXPECT_EQ(convert_date("Feb,30 2011 10:00:00"), "Feb,30 2011 10:00:00");
  EXPECT_EQ(convert_date("Mar,07 2011 24:00:00"), "Mar,07 2011 24:00:00");
  EXPECT_EQ(convert_date("Mar,07 2011 14:05"), "Mar,07 2011 14:05");
}

TEST(DateTextStage2, ParsesWhatStage1Writes) {
  EXPECT_EQ(parse_utc_text("Jan,01 1970 00:00:00"), 0);
  EXPECT_EQ(parse_utc_text("Mar,07 2011 14:05:09"), 1299506709);
  EXPECT_EQ(parse_utc_text("Jan,01 1601 00:00:00"), -11644473600LL);
  EXPECT_FALSE(parse_utc_text("Foo,01 2011 00:00:00"));
  EXPECT_FALSE(parse_utc_text("Mar,07 2011 14:05:09 trailing"));
}

}  // namespace
}  // namespace quorvine::decode
