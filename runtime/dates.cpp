#include "runtime/dates.h"

#include <cmath>
#include <cwchar>

#include "runtime/errors.h"

namespace kb::rt {
namespace {

constexpr double kFirstDay = -657434.0;  // 1 January 100
constexpr double kLastDay = 2958465.0;   // 31 December 9999
// Day 0 of automation dates (30 December 1899) counted from 1 March of year 0
// of the proleptic Gregorian calendar, the origin of the conversions below.
constexpr long kDayZero = 693899;

// Days from year 0 to y-m-d of the proleptic Gregorian calendar, counted
// in 400-year eras that begin on 1 March (so the leap day ends a year).
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(long z, int& year, int& month, int& day) {
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

long DayFromParts(long y, long m, long d) { return DaysFromCivil(y, m, d) - kDayZero; }

// 1 Sunday ... 7 Saturday; day 0 was a Saturday.
int SundayWeekday(long day) { return static_cast<int>(((day % 7) + 13) % 7) + 1; }

int ResolveFirstDay(int firstDay) {
  if (firstDay == kSystemFirstDay) return SystemFirstDay();
  if (firstDay < kSunday || firstDay > kSaturday) Raise(kErrInvalidCall);
  return firstDay;
}

int ResolveFirstWeek(int firstWeek) {
  if (firstWeek == kSystemFirstWeek) return SystemFirstWeek();
  if (firstWeek < kFirstWeekJan1 || firstWeek > kFirstFullWeek) Raise(kErrInvalidCall);
  return firstWeek;
}

// The day on which week 1 of a year begins.
long FirstWeekStart(int year, int firstDay, int firstWeek) {
  const long jan1 = DayFromParts(year, 1, 1);
  const long intoWeek = (SundayWeekday(jan1) - firstDay + 7) % 7;
  const long weekStart = jan1 - intoWeek;
  switch (firstWeek) {
    case kFirstFourDays: return 7 - intoWeek >= 4 ? weekStart : weekStart + 7;
    case kFirstFullWeek: return intoWeek == 0 ? weekStart : weekStart + 7;
    default: return weekStart;
  }
}

int LocaleNumber(LCTYPE type, int fallback) {
  wchar_t buffer[8] = {};
  if (!::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 8)) return fallback;
  return static_cast<int>(std::wcstol(buffer, nullptr, 10));
}

DATE FromSystemTime(const SYSTEMTIME& st, bool withTime) {
  const double day = DayFromParts(st.wYear, st.wMonth, st.wDay);
  if (!withTime) return day;
  return day + TimeSerial(st.wHour, st.wMinute, st.wSecond);
}

}  // namespace

bool IsValidDate(double value) {
  return std::isfinite(value) && value > kFirstDay - 1.0 && value < kLastDay + 1.0;
}

DATE CheckedDate(double value) {
  if (!IsValidDate(value)) Raise(kErrOverflow);
  return value;
}

long DayOf(DATE date) { return static_cast<long>(std::trunc(CheckedDate(date))); }

DATE DateOfDay(long day) { return CheckedDate(static_cast<double>(day)); }

int Weekday(DATE date, int firstDay) {
  const int first = ResolveFirstDay(firstDay);
  return (SundayWeekday(DayOf(date)) - first + 7) % 7 + 1;
}

int WeekOfYear(DATE date, int firstDay, int firstWeek) {
  const int first = ResolveFirstDay(firstDay);
  const int rule = ResolveFirstWeek(firstWeek);
  const DateParts parts = SplitDate(date);
  long start = FirstWeekStart(parts.year, first, rule);
  if (parts.day < start) start = FirstWeekStart(parts.year - 1, first, rule);
  return static_cast<int>((parts.day - start) / 7 + 1);
}

int SystemFirstDay() {
  // The system counts 0 Monday ... 6 Sunday.
  return (LocaleNumber(LOCALE_IFIRSTDAYOFWEEK, 6) + 1) % 7 + 1;
}

int SystemFirstWeek() {
  // The system counts 0 the week of 1 January, 1 the first full week,
  // 2 the first four-day week.
  switch (LocaleNumber(LOCALE_IFIRSTWEEKOFYEAR, 0)) {
    case 1: return kFirstFullWeek;
    case 2: return kFirstFourDays;
    default: return kFirstWeekJan1;
  }
}

DateParts SplitDate(DATE date) {
  DateParts p;
  p.day = DayOf(date);
  long seconds = std::lround(std::fabs(date - static_cast<double>(p.day)) * 86400.0);
  // Rounding may carry into the next day, but never past the last one.
  if (seconds >= 86400) {
    if (p.day < static_cast<long>(kLastDay)) {
      ++p.day;
      seconds -= 86400;
    } else {
      seconds = 86399;
    }
  }
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  CivilFromDays(p.day + kDayZero, p.year, p.month, p.dayOfMonth);
  p.dayOfYear = static_cast<int>(p.day - DayFromParts(p.year, 1, 1) + 1);
  p.weekday = SundayWeekday(p.day);
  return p;
}

DATE DateSerial(int year, int month, int day) {
  // Months outside 1 to 12 move the year, days outside the month move on
  // through the calendar, as the runtime allows.
  long y = year + (month - 1 >= 0 ? (month - 1) / 12 : (month - 12) / 12);
  long m = ((month - 1) % 12 + 12) % 12 + 1;
  return CheckedDate(static_cast<double>(DayFromParts(y, m, 1) + day - 1));
}

DATE TimeSerial(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DATE Today() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return FromSystemTime(st, false);
}

DATE Now() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return FromSystemTime(st, true);
}

}  // namespace kb::rt
