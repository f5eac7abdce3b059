#include "zldbctrl70/platform/datetime.h"

#include <cmath>
#include <cstdint>
#include <ctime>

namespace {

// Date values of the years 100 to 9999.  On the negative side the fraction
// counts forward from the integral day, so -657434.5 (noon of 1 January 100)
// is still valid: the bounds are exclusive of the next whole day out.
constexpr double kMinDate = -657435.0;
constexpr double kMaxDate = 2958466.0;

// Days from 1970-01-01 to 1899-12-30, the zero of the date value.
constexpr int64_t kEpochOffset = -25569;

constexpr int kSecondsPerDay = 86400;

// Proleptic Gregorian calendar arithmetic on day numbers (days since
// 1970-01-01), exact for every year; no time zone or C library involved.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool IsRepresentable(double dt) { return dt > kMinDate && dt < kMaxDate; }

// A date value split into its calendar day (days since 1899-12-30) and the
// time of day rounded to the second.
struct CSplit {
  int64_t day;
  int seconds;
};

CSplit Split(double dt) {
  double whole = std::trunc(dt);
  // The fraction is the time of day on either side of zero.
  double fraction = std::fabs(dt - whole);
  auto seconds = static_cast<int64_t>(std::floor(fraction * kSecondsPerDay + 0.5));
  int64_t day = static_cast<int64_t>(whole);
  if (seconds >= kSecondsPerDay) {
    // 23:59:59.5 and later round into the next calendar day.
    ++day;
    seconds -= kSecondsPerDay;
  }
  return CSplit{day, static_cast<int>(seconds)};
}

// A point in time on a straight line, for comparisons: on the negative side
// the classic value runs backwards within each day.
double Linear(double dt) {
  if (dt >= 0) return dt;
  double whole = std::trunc(dt);
  return whole + (whole - dt);
}

// Reads 1 to maxDigits decimal digits.
bool ReadNumber(const char*& p, int maxDigits, int* value) {
  int n = 0;
  int digits = 0;
  while (*p >= '0' && *p <= '9' && digits < maxDigits) {
    n = n * 10 + (*p - '0');
    ++p;
    ++digits;
  }
  if (digits == 0) return false;
  *value = n;
  return true;
}

void SkipSpace(const char*& p) {
  while (*p == ' ' || *p == '\t') ++p;
}

}  // namespace

COleDateTime::COleDateTime() : m_dt(0), m_status(valid) {}

COleDateTime::COleDateTime(DATE dtSrc) : m_dt(0), m_status(valid) { *this = dtSrc; }

COleDateTime::COleDateTime(const COleVariant& varSrc) : m_dt(0), m_status(valid) { *this = varSrc; }

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec)
    : m_dt(0), m_status(valid) {
  SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime& COleDateTime::operator=(DATE dtSrc) {
  // The value is kept bit for bit even when it is not a representable date.
  m_dt = dtSrc;
  m_status = IsRepresentable(dtSrc) ? valid : invalid;
  return *this;
}

COleDateTime& COleDateTime::operator=(const COleVariant& varSrc) {
  switch (varSrc.vt) {
    case VT_DATE:
      return *this = varSrc.date;
    case VT_R8:
      return *this = varSrc.dblVal;
    case VT_R4:
      return *this = static_cast<double>(varSrc.fltVal);
    case VT_I4:
      return *this = static_cast<double>(varSrc.lVal);
    case VT_I2:
      return *this = static_cast<double>(varSrc.iVal);
    case VT_UI1:
      return *this = static_cast<double>(varSrc.bVal);
    case VT_BOOL:
      return *this = varSrc.boolVal != 0 ? -1.0 : 0.0;
    case VT_BSTR:
      ParseDateTime(varSrc.GetStringValue());
      return *this;
    case VT_NULL:
      m_dt = 0;
      m_status = null;
      return *this;
    default:
      m_dt = 0;
      m_status = invalid;
      return *this;
  }
}

COleDateTime COleDateTime::GetCurrentTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  COleDateTime result;
  if (localtime_r(&now, &local) == nullptr) {
    result.SetStatus(invalid);
    return result;
  }
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  result.SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
  return result;
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
  if (nYear < 100 || nYear > 9999 || nMonth < 1 || nMonth > 12 || nDay < 1 ||
      nDay > DaysInMonth(nYear, nMonth) || nHour < 0 || nHour > 23 || nMin < 0 || nMin > 59 ||
      nSec < 0 || nSec > 59) {
    m_dt = 0;
    m_status = invalid;
    return 1;
  }
  int64_t day = DaysFromCivil(nYear, static_cast<unsigned>(nMonth), static_cast<unsigned>(nDay)) -
                kEpochOffset;
  double time = static_cast<double>(nHour * 3600 + nMin * 60 + nSec) / kSecondsPerDay;
  // Before the zero day the fraction is subtracted: -1.25 is 29 December
  // 1899, 06:00.
  m_dt = day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
  m_status = valid;
  return 0;
}

int COleDateTime::SetDate(int nYear, int nMonth, int nDay) {
  return SetDateTime(nYear, nMonth, nDay, 0, 0, 0);
}

bool COleDateTime::ParseDateTime(const char* lpszDate) {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  const char* p = lpszDate != nullptr ? lpszDate : "";
  SkipSpace(p);
  bool ok = ReadNumber(p, 4, &year) && *p++ == '-' && ReadNumber(p, 2, &month) && *p++ == '-' &&
            ReadNumber(p, 2, &day);
  if (ok && (*p == ' ' || *p == 'T')) {
    ++p;
    SkipSpace(p);
    ok = ReadNumber(p, 2, &hour) && *p++ == ':' && ReadNumber(p, 2, &minute);
    if (ok && *p == ':') {
      ++p;
      ok = ReadNumber(p, 2, &second);
    }
  }
  if (ok) {
    SkipSpace(p);
    ok = *p == '\0';
  }
  if (!ok) {
    m_dt = 0;
    m_status = invalid;
    return false;
  }
  return SetDateTime(year, month, day, hour, minute, second) == 0;
}

int COleDateTime::GetYear() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  int y = 0, m = 0, d = 0;
  CivilFromDays(Split(m_dt).day + kEpochOffset, &y, &m, &d);
  return y;
}

int COleDateTime::GetMonth() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  int y = 0, m = 0, d = 0;
  CivilFromDays(Split(m_dt).day + kEpochOffset, &y, &m, &d);
  return m;
}

int COleDateTime::GetDay() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  int y = 0, m = 0, d = 0;
  CivilFromDays(Split(m_dt).day + kEpochOffset, &y, &m, &d);
  return d;
}

int COleDateTime::GetHour() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  return Split(m_dt).seconds / 3600;
}

int COleDateTime::GetMinute() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  return Split(m_dt).seconds / 60 % 60;
}

int COleDateTime::GetSecond() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  return Split(m_dt).seconds % 60;
}

int COleDateTime::GetDayOfWeek() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  // Day 0 (30 December 1899) was a Saturday, the 7th day counting from Sunday.
  int64_t weekday = (Split(m_dt).day % 7 + 7 + 6) % 7;
  return static_cast<int>(weekday) + 1;
}

int COleDateTime::GetDayOfYear() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return -1;
  int64_t day = Split(m_dt).day + kEpochOffset;
  int y = 0, m = 0, d = 0;
  CivilFromDays(day, &y, &m, &d);
  return static_cast<int>(day - DaysFromCivil(y, 1, 1)) + 1;
}

CString COleDateTime::Format() const {
  if (m_status != valid || !IsRepresentable(m_dt)) return CString();
  CSplit split = Split(m_dt);
  int y = 0, m = 0, d = 0;
  CivilFromDays(split.day + kEpochOffset, &y, &m, &d);
  CString text;
  text.Format("%04d-%02d-%02d %02d:%02d:%02d", y, m, d, split.seconds / 3600,
              split.seconds / 60 % 60, split.seconds % 60);
  return text;
}

bool COleDateTime::operator==(const COleDateTime& o) const {
  if (m_status != o.m_status) return false;
  return Linear(m_dt) == Linear(o.m_dt);
}
bool COleDateTime::operator!=(const COleDateTime& o) const { return !(*this == o); }
bool COleDateTime::operator<(const COleDateTime& o) const { return Linear(m_dt) < Linear(o.m_dt); }
bool COleDateTime::operator>(const COleDateTime& o) const { return Linear(m_dt) > Linear(o.m_dt); }
bool COleDateTime::operator<=(const COleDateTime& o) const {
  return Linear(m_dt) <= Linear(o.m_dt);
}
bool COleDateTime::operator>=(const COleDateTime& o) const {
  return Linear(m_dt) >= Linear(o.m_dt);
}
