#include "calendar/date_helpers.h"

#include <string>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/dates.h"
#include "runtime/errors.h"
#include "runtime/format.h"

namespace kb::calendar {
namespace {

// Date_Formats
constexpr long kShortDate = 0;
constexpr long kLongDate = 1;
constexpr long kCurDay = 2;
constexpr long kMixed = 3;

constexpr int kSunday = rt::kSunday;
constexpr int kSaturday = rt::kSaturday;

// The caption of today in one style, formatted as the caption routine
// always formats: weeks from Sunday, the first four-day week first.
Bstr TodayAs(std::wstring_view format) {
  return rt::FormatDate(rt::Today(), format, kSunday, rt::kFirstFourDays);
}

}  // namespace

bool IsWeekEnd(frame::Common&, DATE* WhatDate) {
  if (!rt::IsValidDate(*WhatDate))
    Raise(kErrTypeMismatch, L"Type Mismatch, du skal angive en dato!");
  return rt::Weekday(*WhatDate, kSunday) % 6 == 1;
}

Bstr GetWeekDay(frame::Common&, DATE* xDate) {
  return rt::FormatDate(*xDate, L"dddd", kSunday, rt::kSystemFirstWeek);
}

Bstr ReturnWeekNumber(frame::Common&, DATE* xDate) {
  return rt::FormatDate(*xDate, L"ww", kSunday, rt::kSystemFirstWeek);
}

Bstr GetCurDay(frame::Common& self, VARIANT*, long* DateStyle) {
  // The date given is never read: every caption describes today.
  switch (*DateStyle) {
    case kShortDate: return TodayAs(L"Short Date");
    case kLongDate: return TodayAs(L"Long Date");
    case kCurDay: return TodayAs(L"dddd");
    case kMixed: {
      std::wstring caption(TodayAs(L"dddd").View());
      Variant today;
      V_VT(today.Get()) = VT_DATE;
      V_DATE(today.Get()) = rt::Today();
      long style = kLongDate;
      Bstr longDate;
      _clsCommon* me = self.Self();
      Check(me->lpVtbl->cmn_GetCurDay(me, today.Get(), &style, longDate.Out()));
      caption += L" d. ";
      caption += longDate.View();
      return Bstr(caption);
    }
    default: return Bstr(L"");
  }
}

Bstr JoinTime(frame::Common&, DATE* Time1, DATE* Time2) {
  // Only the clock time of the sum shows; whole days fall away.
  const DATE sum = rt::CheckedDate(*Time1 + *Time2);
  return rt::FormatDate(sum, L"hh:mm:ss", kSunday, rt::kFirstWeekJan1);
}

long BusinessDateDiff(frame::Common&, DATE StartDate, DATE EndDate,
                      VARIANT_BOOL SaturdayIsHoliday) {
  // The calendar days of both dates.  Before 1900 the time of day runs
  // forward from the whole part, so the day is that part taken toward zero:
  // cutting toward minus infinity would move such dates a day back.
  long day = rt::DayOf(StartDate);
  const long end = rt::DayOf(EndDate);
  const long step = day >= end ? -1 : 1;
  const bool saturdayOff = SaturdayIsHoliday != VARIANT_FALSE;
  int weekday = rt::Weekday(rt::DateOfDay(day), kSunday);
  long count = 0;
  while (day != end) {
    day += step;
    weekday = (weekday + step + 6) % 7 + 1;
    if (weekday != kSunday && (weekday != kSaturday || !saturdayOff))
      count = rt::Add32(count, step);
  }
  return count;
}

}  // namespace kb::calendar
