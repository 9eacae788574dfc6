// Format: a value to text by a named format or a pattern, in the user's
// locale, with the first-day-of-week and first-week-of-year rules.
//
// Dates.  Named formats: "General Date", "Long Date", "Medium Date",
// "Short Date", "Long Time", "Medium Time", "Short Time".  Pattern tokens:
//   d dd ddd dddd    day, two-digit day, abbreviated and full week-day name
//   ddddd dddddd     the locale's short and long date
//   w ww             week day counted from firstDay; week of the year
//   m mm mmm mmmm    month, two-digit month, abbreviated and full month name
//                    (m and mm are minutes right after an hour or before a
//                    second)
//   q y yy yyyy      quarter; day of the year; two- and four-digit year
//   h hh n nn s ss   hours, minutes, seconds (24-hour unless AM/PM is given)
//   ttttt c          the locale's long time; the general date
//   AM/PM am/pm A/P a/p AMPM   12-hour clock with that marker (AMPM: the locale's)
//   : /              the locale's time and date separators
//   "text" \c        literal text
// Tokens are case-insensitive.  The short and long dates come from the
// locale's own date formatting, so quoted text in its layouts stays intact.
//
// Numbers.  Named formats ("General Number", "Fixed", "Standard",
// "Percent", ...) and number patterns ("0.00", "###", "#,##0") are the
// platform's; a number pattern needs a number, not a text, to round right.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "runtime/dates.h"
#include "runtime/handles.h"

namespace kb::rt {

// Format(value, format, firstDay, firstWeek).  An empty format gives the
// value's text form; Null gives an empty text; a text that is neither a date
// nor a number comes back unchanged.  firstDay outside 0 to 7 or firstWeek
// outside 0 to 3 raise error 5.
Bstr Format(const VARIANT& value, std::wstring_view format = {}, int firstDay = kSunday,
            int firstWeek = kFirstWeekJan1);
Bstr FormatDate(DATE date, std::wstring_view format, int firstDay = kSunday,
                int firstWeek = kFirstWeekJan1);
Bstr FormatNumber(double number, std::wstring_view format);

}  // namespace kb::rt
