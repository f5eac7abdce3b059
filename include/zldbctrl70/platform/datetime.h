// COleDateTime: a date and time as the storage engine keeps it, the number
// of days since 30 December 1899 00:00 in a double (the fraction is the time
// of day; before 1899-12-30 the integral part counts back and the fraction
// still counts forward, as the classic date value does).  Range: the years
// 100 to 9999.  A value is valid, invalid or null; a value that cannot be
// represented makes the object invalid.
#ifndef ZLDBCTRL70_PLATFORM_DATETIME_H_
#define ZLDBCTRL70_PLATFORM_DATETIME_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

class ZL_EXPORT COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  DATE m_dt;
  DateTimeStatus m_status;

  // 0.0 and valid (30 December 1899, midnight).
  COleDateTime();
  // Keeps the value bit for bit; a value outside the years 100 to 9999 (or
  // not a number) makes the object invalid.
  COleDateTime(DATE dtSrc);  // NOLINT
  // From a variant: VT_DATE takes its value, numbers are taken as date
  // values, a string is parsed as ParseDateTime does, VT_NULL gives a null
  // date, anything else an invalid one.
  COleDateTime(const COleVariant& varSrc);  // NOLINT
  // From parts; out-of-range parts make the object invalid.
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

  COleDateTime& operator=(DATE dtSrc);
  COleDateTime& operator=(const COleVariant& varSrc);

  // The current local date and time, to the second.
  static COleDateTime GetCurrentTime();

  // Sets from parts; returns 0 on success, 1 when a part is out of range
  // (the object is then invalid).
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
  int SetDate(int nYear, int nMonth, int nDay);
  // Reads "YYYY-MM-DD[ HH:MM[:SS]]" (a 'T' may stand for the space; white
  // space around the text is allowed).  On success the object is valid and
  // true is returned; otherwise it is invalid.
  bool ParseDateTime(const char* lpszDate);
  void SetStatus(DateTimeStatus status) { m_status = status; }
  DateTimeStatus GetStatus() const { return m_status; }

  // Part getters, exact over the whole range; -1 when the object is not
  // valid.  The time of day is rounded to the nearest second (23:59:59.5
  // and later belong to the next day).
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  int GetDayOfYear() const;  // 1 = 1 January

  // "YYYY-MM-DD HH:MM:SS"; empty for an invalid or null date.
  CString Format() const;

  operator DATE() const { return m_dt; }  // NOLINT

  // Comparisons compare the points in time (so -1.25, 29 December 1899
  // 06:00, comes before -1.5, the same day at 12:00).  Equality also needs
  // equal status.
  bool operator==(const COleDateTime& o) const;
  bool operator!=(const COleDateTime& o) const;
  bool operator<(const COleDateTime& o) const;
  bool operator>(const COleDateTime& o) const;
  bool operator<=(const COleDateTime& o) const;
  bool operator>=(const COleDateTime& o) const;
};

#endif  // ZLDBCTRL70_PLATFORM_DATETIME_H_
