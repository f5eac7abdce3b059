#include "zldbctrl70/platform/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "zldbctrl70/platform/variant.h"

namespace {

// The part getters of a date value, as "YYYY-MM-DD hh:mm:ss".
std::string Parts(double value) {
  const COleDateTime d(value);
  EXPECT_EQ(d.GetStatus(), COleDateTime::valid) << value;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.GetYear(), d.GetMonth(),
                d.GetDay(), d.GetHour(), d.GetMinute(), d.GetSecond());
  return buf;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; }

TEST(DateTimeValue, EveryDayOfTheRangeMatchesAPlainCalendar) {
  // Walks the calendar day by day from 1 January 100 (day -657434) with
  // naive month arithmetic and checks both directions for each day.
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int y = 100, m = 1, d = 1;
  int weekday = 6;  // 1 January 100 was a Friday (proleptic Gregorian)
  for (double value = -657434.0; value <= 2958465.0; value += 1.0) {
    COleDateTime date;
    ASSERT_EQ(date.SetDate(y, m, d), 0) << y << "-" << m << "-" << d;
    ASSERT_EQ(date.m_dt, value) << y << "-" << m << "-" << d;
    const COleDateTime fromValue(value);
    ASSERT_TRUE(fromValue.GetYear() == y && fromValue.GetMonth() == m && fromValue.GetDay() == d)
        << value;
    ASSERT_EQ(fromValue.GetDayOfWeek(), weekday) << value;
    weekday = weekday % 7 + 1;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (++d > ((m == 2 && leap) ? 29 : kDays[m - 1])) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
  EXPECT_EQ(y, 10000);
  EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).m_dt, 0.0);
  EXPECT_EQ(COleDateTime(2024, 1, 1, 0, 0, 0).GetDayOfWeek(), 2);  // a Monday
  EXPECT_EQ(COleDateTime(2000, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
  EXPECT_EQ(COleDateTime(1899, 3, 1, 0, 0, 0).GetDayOfYear(), 60);
}

TEST(DateTimeValue, PartsOfTimesOnBothSidesOfZeroAndFarOut) {
  const std::pair<double, const char*> cases[] = {
      {36526.75, "2000-01-01 18:00:00"},
      // Before the epoch the integral part counts days back, the fraction
      // time forward.
      {-1.25, "1899-12-29 06:00:00"},
      {-1.75, "1899-12-29 18:00:00"},
      {-0.5, "1899-12-30 12:00:00"},
      {-2.0, "1899-12-28 00:00:00"},
      // Rounding to the nearest second, across midnight too.
      {1.0 + 0.4 / 86400, "1899-12-31 00:00:00"},
      {1.0 + 0.6 / 86400, "1899-12-31 00:00:01"},
      {0.99999999, "1899-12-31 00:00:00"},
      {-1.99999999, "1899-12-30 00:00:00"},
  };
  for (const auto& [value, parts] : cases) EXPECT_EQ(Parts(value), parts) << value;
  EXPECT_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
  EXPECT_EQ(COleDateTime(1800, 3, 1, 12, 0, 0).m_dt, COleDateTime(1800, 3, 1, 0, 0, 0).m_dt - 0.5);
  EXPECT_EQ(COleDateTime(-1.25).GetDayOfWeek(), 6);  // Friday 29 December 1899
  // Parts in, value, parts out: exact before 1900 and after 2100.
  for (const char* parts : {"1600-02-29 23:59:59", "1583-10-15 01:02:03", "2400-02-29 12:30:00",
                            "3000-07-15 13:45:30", "2020-06-01 10:30:15"}) {
    COleDateTime d;
    ASSERT_TRUE(d.ParseDateTime(parts));
    EXPECT_EQ(Parts(d.m_dt), parts);
  }
}

TEST(DateTimeValue, ValuesSurviveVariantsBitForBit) {
  const double values[] = {45000.123456789012345,         -1234.987654321, -0.0,     0.1,
                           std::nextafter(36526.75, 0.0), 2958465.999,     -657434.5};
  for (double value : values) {
    const COleVariant v{COleDateTime(value)};
    ASSERT_EQ(v.vt, VT_DATE);
    EXPECT_TRUE(SameBits(COleDateTime(v).m_dt, value)) << value;
    COleVariant copy = v;
    copy.ChangeType(VT_R8);
    copy.ChangeType(VT_DATE);
    EXPECT_TRUE(SameBits(copy.date, value)) << value;
    COleDateTime assigned;
    assigned = v;
    EXPECT_TRUE(SameBits(static_cast<DATE>(assigned), value)) << value;
  }
}

TEST(DateTimeStatus, InvalidAndNullDates) {
  // Century years leap only every 400 years.
  const int badParts[][5] = {{1700, 2, 29, 0, 0}, {1900, 2, 29, 0, 0}, {2100, 2, 29, 0, 0},
                             {2023, 13, 1, 0, 0}, {99, 12, 31, 0, 0},  {2000, 1, 1, 24, 0},
                             {2000, 1, 1, 0, 60}, {2000, 4, 31, 0, 0}};
  std::vector<COleDateTime> invalid = {COleDateTime(1e7), COleDateTime(-657435.0),
                                       COleDateTime(std::numeric_limits<double>::quiet_NaN()),
                                       COleDateTime(COleVariant()), COleDateTime(COleVariant("x"))};
  for (const auto& p : badParts) invalid.emplace_back(p[0], p[1], p[2], p[3], p[4], 0);
  for (const COleDateTime& d : invalid) {
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid) << d.m_dt;
    EXPECT_TRUE(d.GetYear() == -1 && d.GetSecond() == -1 && d.Format().IsEmpty()) << d.m_dt;
  }
  EXPECT_EQ(COleDateTime(1e7).m_dt, 1e7);  // kept as given
  COleVariant bytes;
  bytes.SetByteArray("x", 1);
  EXPECT_EQ(COleDateTime(bytes).GetStatus(), COleDateTime::invalid);
  COleVariant n;
  n.SetNull();
  const COleDateTime fromNull(n);
  EXPECT_TRUE(fromNull.GetStatus() == COleDateTime::null && fromNull.GetDay() == -1);
  EXPECT_EQ(COleDateTime(COleVariant(static_cast<int32_t>(2))).m_dt, 2.0);
}

TEST(DateTimeText, FormatAndParse) {
  EXPECT_EQ(COleDateTime(150, 2, 3, 4, 5, 6).Format(), "0150-02-03 04:05:06");
  EXPECT_EQ(COleDateTime(-1.25).Format(), "1899-12-29 06:00:00");
  COleDateTime d;
  EXPECT_TRUE(d.ParseDateTime("2024-02-29 13:05:09") && d.Format() == "2024-02-29 13:05:09");
  EXPECT_TRUE(d.ParseDateTime("  2024-2-3T7:08 ") && d.Format() == "2024-02-03 07:08:00");
  EXPECT_TRUE(d.ParseDateTime("1899-12-29") && d.m_dt == -1.0);
  for (const char* bad : {"", "2024", "2024-02-30", "2024-01-01 25:00", "2024-01-01 10",
                          "2024-01-01x", "2024-01-01 10:00:00 extra", "20245-01-01", "-1-01-01"}) {
    EXPECT_FALSE(d.ParseDateTime(bad)) << bad;
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid) << bad;
  }
  EXPECT_FALSE(d.ParseDateTime(nullptr));
  EXPECT_EQ(COleDateTime(COleVariant("1900-01-01 06:00")).m_dt, 2.25);
}

TEST(DateTimeCompare, OrderFollowsTimeOnBothSidesOfZero) {
  // -1.25 (06:00) is earlier than -1.5 (12:00) on 29 December 1899.
  using D = COleDateTime;
  COleDateTime invalid(1.5);
  invalid.SetStatus(COleDateTime::invalid);
  const bool holds[] = {D(-1.25) < D(-1.5), D(-1.5) > D(-1.25), D(-1.75) < D(-0.25),
                        D(-0.5) == D(0.5),  D(1.5) >= D(1.5),   D(1.5) <= D(2.0),
                        D(1.5) != D(1.25),  invalid != D(1.5),  !(D(-1.5) < D(-1.25))};
  for (size_t i = 0; i < std::size(holds); ++i) EXPECT_TRUE(holds[i]) << i;
}

TEST(DateTimeNow, CurrentTimeIsLocalTimeToTheSecond) {
  const std::time_t before = std::time(nullptr);
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(now.GetStatus(), COleDateTime::valid);
  const double seconds = (now.m_dt - std::floor(now.m_dt)) * 86400;  // whole seconds only
  EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
  bool matched = false;
  for (std::time_t t = before; t <= after && !matched; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    char expected[64];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &local);
    matched = Parts(now.m_dt) == expected;
  }
  EXPECT_TRUE(matched) << now.Format().GetString();
}

}  // namespace
