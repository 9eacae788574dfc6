// Date and time helpers: week-ends, week days, week numbers, a caption for
// today, the clock time of a sum of times, business days between dates.
// Texts follow the user's regional settings.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::calendar {

bool IsWeekEnd(frame::Common& self, DATE* WhatDate);
Bstr GetWeekDay(frame::Common& self, DATE* xDate);
Bstr ReturnWeekNumber(frame::Common& self, DATE* xDate);
Bstr GetCurDay(frame::Common& self, VARIANT* xDate, long* DateStyle);
Bstr JoinTime(frame::Common& self, DATE* Time1, DATE* Time2);
long BusinessDateDiff(frame::Common& self, DATE StartDate, DATE EndDate,
                      VARIANT_BOOL SaturdayIsHoliday);

}  // namespace kb::calendar
