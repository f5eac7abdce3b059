#include "zldbctrl70/platform/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "zldbctrl70/platform/variant.h"

namespace {

struct CParts {
  int year, month, day, hour, minute, second;
};

CParts PartsOf(const COleDateTime& d) {
  return CParts{d.GetYear(), d.GetMonth(), d.GetDay(), d.GetHour(), d.GetMinute(), d.GetSecond()};
}

void ExpectParts(double value, CParts expected) {
  COleDateTime d(value);
  ASSERT_EQ(d.GetStatus(), COleDateTime::valid) << value;
  CParts got = PartsOf(d);
  EXPECT_EQ(got.year, expected.year) << value;
  EXPECT_EQ(got.month, expected.month) << value;
  EXPECT_EQ(got.day, expected.day) << value;
  EXPECT_EQ(got.hour, expected.hour) << value;
  EXPECT_EQ(got.minute, expected.minute) << value;
  EXPECT_EQ(got.second, expected.second) << value;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; }

TEST(DateTimeValue, KnownAnchors) {
  EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).m_dt, 0.0);
  EXPECT_EQ(COleDateTime(1900, 1, 1, 0, 0, 0).m_dt, 2.0);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 0, 0, 0).m_dt, 36526.0);
  EXPECT_EQ(COleDateTime(100, 1, 1, 0, 0, 0).m_dt, -657434.0);
  EXPECT_EQ(COleDateTime(9999, 12, 31, 0, 0, 0).m_dt, 2958465.0);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 18, 0, 0).m_dt, 36526.75);
  ExpectParts(36526.75, {2000, 1, 1, 18, 0, 0});
}

TEST(DateTimeValue, NegativeValuesCountDaysBackAndTimeForward) {
  ExpectParts(-1.25, {1899, 12, 29, 6, 0, 0});
  ExpectParts(-1.75, {1899, 12, 29, 18, 0, 0});
  ExpectParts(-0.5, {1899, 12, 30, 12, 0, 0});
  ExpectParts(-2.0, {1899, 12, 28, 0, 0, 0});
  EXPECT_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
  EXPECT_EQ(COleDateTime(1800, 3, 1, 12, 0, 0).m_dt, COleDateTime(1800, 3, 1, 0, 0, 0).m_dt - 0.5);
}

TEST(DateTimeValue, PartsExactBefore1900AndAfter2100) {
  ExpectParts(COleDateTime(1600, 2, 29, 23, 59, 59).m_dt, {1600, 2, 29, 23, 59, 59});
  ExpectParts(COleDateTime(1583, 10, 15, 1, 2, 3).m_dt, {1583, 10, 15, 1, 2, 3});
  ExpectParts(COleDateTime(2400, 2, 29, 12, 30, 0).m_dt, {2400, 2, 29, 12, 30, 0});
  ExpectParts(COleDateTime(3000, 7, 15, 13, 45, 30).m_dt, {3000, 7, 15, 13, 45, 30});
  // Century years are leap years only every 400 years.
  EXPECT_EQ(COleDateTime(1700, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(1900, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2100, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(1600, 1, 1, 0, 0, 0).GetDayOfWeek(), 7);  // a Saturday
  EXPECT_EQ(COleDateTime(2024, 1, 1, 0, 0, 0).GetDayOfWeek(), 2);  // a Monday
  EXPECT_EQ(COleDateTime(-1.25).GetDayOfWeek(), 6);                // Friday 29 Dec 1899
  EXPECT_EQ(COleDateTime(2000, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
  EXPECT_EQ(COleDateTime(1899, 3, 1, 0, 0, 0).GetDayOfYear(), 60);
}

TEST(DateTimeValue, EveryDayOfTheRangeMatchesAPlainCalendar) {
  // Walks the calendar day by day from 1 January 100 with naive month
  // arithmetic and checks both directions for each day.
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int y = 100, m = 1, d = 1;
  int weekday = COleDateTime(100, 1, 1, 0, 0, 0).GetDayOfWeek();
  for (double value = -657434.0; value <= 2958465.0; value += 1.0) {
    COleDateTime date;
    ASSERT_EQ(date.SetDate(y, m, d), 0) << y << "-" << m << "-" << d;
    ASSERT_EQ(date.m_dt, value) << y << "-" << m << "-" << d;
    COleDateTime fromValue(value);
    ASSERT_TRUE(fromValue.GetYear() == y && fromValue.GetMonth() == m && fromValue.GetDay() == d)
        << value;
    ASSERT_EQ(fromValue.GetDayOfWeek(), weekday) << value;
    weekday = weekday % 7 + 1;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    int length = (m == 2 && leap) ? 29 : kDays[m - 1];
    if (++d > length) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
  EXPECT_EQ(y, 10000);
}

TEST(DateTimeValue, TimeRoundsToTheNearestSecondAcrossMidnight) {
  ExpectParts(1.0 + 0.4 / 86400, {1899, 12, 31, 0, 0, 0});
  ExpectParts(1.0 + 0.6 / 86400, {1899, 12, 31, 0, 0, 1});
  ExpectParts(0.99999999, {1899, 12, 31, 0, 0, 0});
  ExpectParts(-1.99999999, {1899, 12, 30, 0, 0, 0});
  COleDateTime t(2020, 6, 1, 10, 30, 15);
  ExpectParts(t.m_dt, {2020, 6, 1, 10, 30, 15});
}

TEST(DateTimeValue, ValuesSurviveVariantsBitForBit) {
  const double values[] = {45000.123456789012345,         -1234.987654321, -0.0,     0.1,
                           std::nextafter(36526.75, 0.0), 2958465.999,     -657434.5};
  for (double value : values) {
    COleDateTime d(value);
    COleVariant v(d);
    ASSERT_EQ(v.vt, VT_DATE);
    COleDateTime back(v);
    EXPECT_TRUE(SameBits(back.m_dt, value)) << value;
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
  COleDateTime bad(2023, 13, 1, 0, 0, 0);
  EXPECT_EQ(bad.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(bad.GetYear(), -1);
  EXPECT_EQ(bad.GetSecond(), -1);
  EXPECT_TRUE(bad.Format().IsEmpty());
  EXPECT_EQ(COleDateTime(99, 12, 31, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 24, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 0, 60, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2000, 4, 31, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(1e7).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(-657435.0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(std::numeric_limits<double>::quiet_NaN()).GetStatus(),
            COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(1e7).m_dt, 1e7);
  COleVariant n;
  n.SetNull();
  COleDateTime fromNull(n);
  EXPECT_EQ(fromNull.GetStatus(), COleDateTime::null);
  EXPECT_EQ(fromNull.GetDay(), -1);
  EXPECT_EQ(COleDateTime(COleVariant()).GetStatus(), COleDateTime::invalid);
  COleVariant bytes;
  bytes.SetByteArray("x", 1);
  EXPECT_EQ(COleDateTime(bytes).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(COleVariant(static_cast<int32_t>(2))).m_dt, 2.0);
}

TEST(DateTimeText, FormatAndParse) {
  EXPECT_EQ(COleDateTime(150, 2, 3, 4, 5, 6).Format(), "0150-02-03 04:05:06");
  EXPECT_EQ(COleDateTime(-1.25).Format(), "1899-12-29 06:00:00");
  COleDateTime d;
  EXPECT_TRUE(d.ParseDateTime("2024-02-29 13:05:09"));
  EXPECT_EQ(d.Format(), "2024-02-29 13:05:09");
  EXPECT_TRUE(d.ParseDateTime("  2024-2-3T7:08 "));
  EXPECT_EQ(d.Format(), "2024-02-03 07:08:00");
  EXPECT_TRUE(d.ParseDateTime("1899-12-29"));
  EXPECT_EQ(d.m_dt, -1.0);
  for (const char* bad : {"", "2024", "2024-02-30", "2024-01-01 25:00", "2024-01-01 10",
                          "2024-01-01x", "2024-01-01 10:00:00 extra", "20245-01-01", "-1-01-01"}) {
    EXPECT_FALSE(d.ParseDateTime(bad)) << bad;
    EXPECT_EQ(d.GetStatus(), COleDateTime::invalid) << bad;
  }
  EXPECT_FALSE(d.ParseDateTime(nullptr));
  COleDateTime fromText(COleVariant("1900-01-01 06:00"));
  EXPECT_EQ(fromText.m_dt, 2.25);
}

TEST(DateTimeCompare, OrderFollowsTimeOnBothSidesOfZero) {
  // -1.25 (06:00) is earlier than -1.5 (12:00) on 29 December 1899.
  EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(-1.5));
  EXPECT_TRUE(COleDateTime(-1.5) > COleDateTime(-1.25));
  EXPECT_TRUE(COleDateTime(-1.75) < COleDateTime(-0.25));
  EXPECT_TRUE(COleDateTime(-0.5) == COleDateTime(0.5));
  EXPECT_TRUE(COleDateTime(1.5) >= COleDateTime(1.5));
  EXPECT_TRUE(COleDateTime(1.5) <= COleDateTime(2.0));
  EXPECT_TRUE(COleDateTime(1.5) != COleDateTime(1.25));
  COleDateTime invalid(1.5);
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_TRUE(invalid != COleDateTime(1.5));
}

TEST(DateTimeNow, CurrentTimeIsLocalTimeToTheSecond) {
  std::time_t before = std::time(nullptr);
  COleDateTime now = COleDateTime::GetCurrentTime();
  std::time_t after = std::time(nullptr);
  ASSERT_EQ(now.GetStatus(), COleDateTime::valid);
  // Whole seconds only.
  double seconds = (now.m_dt - std::floor(now.m_dt)) * 86400;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
  bool matched = false;
  for (std::time_t t = before; t <= after && !matched; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    matched = now.GetYear() == local.tm_year + 1900 && now.GetMonth() == local.tm_mon + 1 &&
              now.GetDay() == local.tm_mday && now.GetHour() == local.tm_hour &&
              now.GetMinute() == local.tm_min && now.GetSecond() == local.tm_sec;
  }
  EXPECT_TRUE(matched) << now.Format().GetString();
}

}  // namespace
