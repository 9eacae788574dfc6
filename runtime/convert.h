// Conversions between numbers, dates and text in the user's locale, as the
// language runtime performs them (CStr, CDbl, CDate).
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// A failure of the automation library's own functions (conversions, array
// access) becomes the run-time error it means: 6 overflow, 13 type mismatch,
// 9 subscript out of range, ...  These functions leave no error information,
// so whatever the thread holds is stale and is not used.
void CheckAutomation(HRESULT hr);

// Text to a number, read in the user's locale: error 13 when the text is not
// a number, 6 when it is out of range.
double NumberFromText(std::wstring_view text);

// Any value to a date: error 13 when it cannot be one, 94 for Null, 6 when
// outside the date range.
DATE ToDate(const VARIANT& value);

// The text forms of a date and of a number, in the user's locale.
Bstr DateText(DATE date);
Bstr NumberText(double number);

}  // namespace kb::rt
