// Calendar arithmetic on automation dates, as the language runtime does it:
// week days, weeks of the year with the first-day-of-week and
// first-week-of-year rules, the parts of a date, today's date.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace kb::rt {

// First day of the week, as the runtime numbers it; 0 asks for the system's.
enum FirstDayOfWeek : int { kSystemFirstDay = 0, kSunday = 1, kMonday = 2, kSaturday = 7 };

// Which week is the first of the year; 0 asks for the system's rule.
enum FirstWeekOfYear : int {
  kSystemFirstWeek = 0,
  kFirstWeekJan1 = 1,  // the week that holds 1 January
  kFirstFourDays = 2,  // the first week with at least four days of the new year
  kFirstFullWeek = 3,  // the first week wholly in the new year
};

// Automation dates run from 1 January 100 to 31 December 9999.
bool IsValidDate(double value);
// The value itself when it is a valid date; error 6 (overflow) otherwise,
// as the runtime's conversion of a number to a date fails.
DATE CheckedDate(double value);

// The calendar day of a date as a day count from 30 December 1899.  The
// whole part counts the days and the fraction runs forward from it, also
// before 1900 (-1.5 is 29 December 1899 at noon), so the day is the whole
// part taken toward zero.  Error 6 outside the date range.
long DayOf(DATE date);
DATE DateOfDay(long day);

// 1 to 7 counted from firstDay (1 Sunday ... 7 Saturday, 0 the system's).
int Weekday(DATE date, int firstDay = kSunday);

// Week of the year (1 to 54) counted with weeks that begin on firstDay and
// the first week chosen by firstWeek.  A day before the first week of its
// year belongs to the last week of the year before.
int WeekOfYear(DATE date, int firstDay, int firstWeek);

// The system's settings, in the runtime's numbering.
int SystemFirstDay();
int SystemFirstWeek();

// A date taken apart, rounded to the nearest second.
struct DateParts {
  long day = 0;  // day count as DayOf gives it
  int year = 0, month = 0, dayOfMonth = 0, dayOfYear = 0;
  int hour = 0, minute = 0, second = 0;
  int weekday = 0;  // 1 Sunday ... 7 Saturday
};
DateParts SplitDate(DATE date);

DATE DateSerial(int year, int month, int day);
DATE TimeSerial(int hour, int minute, int second);

// The current date (no time of day) and the current date and time, local.
DATE Today();
DATE Now();

}  // namespace kb::rt
