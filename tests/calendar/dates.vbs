' The date routines as a script sees them, in the locale of the run: texts
' are compared with the script engine's own date functions.
Dim c, d, r, sep
Set c = CreateObject("Kitbag.clsCommon")

Check c.cmn_IsWeekEnd(DateSerial(2026, 12, 5)), "Saturday"
Check c.cmn_IsWeekEnd(DateSerial(2026, 12, 6) + TimeSerial(23, 59, 0)), "Sunday evening"
Check Not c.cmn_IsWeekEnd(DateSerial(2026, 12, 4) + TimeSerial(23, 59, 0)), "Friday 23:59"

For d = DateSerial(2026, 12, 6) To DateSerial(2026, 12, 12)
  CheckEqual c.cmn_GetWeekDay(d), WeekdayName(Weekday(d)), "the locale's name of " & d
Next

' 2025 began on a Wednesday, so every first-week rule agrees on its weeks.
CheckEqual c.cmn_ReturnWeekNumber(DateSerial(2025, 7, 15)), "29", "week of 15 July 2025"
CheckEqual c.cmn_ReturnWeekNumber(DateSerial(2025, 1, 1)), "1", "week of 1 January 2025"

CheckEqual c.cmn_GetCurDay(0, 0), FormatDateTime(Date, vbShortDate), "short date of today"
CheckEqual c.cmn_GetCurDay(DateSerial(2000, 1, 1), 2), WeekdayName(Weekday(Date)), "the date given is not read"
r = c.cmn_GetCurDay(Null, 1)
Check InStr(r, MonthName(Month(Date))) > 0 And InStr(r, CStr(Year(Date))) > 0, "long date of today: " & r
CheckEqual c.cmn_GetCurDay(0, 3), WeekdayName(Weekday(Date)) & " d. " & r, "the mixed caption"
CheckEqual c.cmn_GetCurDay(0, 7), "", "an unknown style"

r = c.cmn_JoinTime(TimeSerial(13, 30, 0), TimeSerial(12, 45, 0))
sep = Mid(r, 3, 1)
Check sep = ":" Or sep = ".", "the locale's time separator: " & r
CheckEqual Replace(r, sep, ":"), "02:15:00", "only the clock time of the sum"
CheckEqual Replace(c.cmn_JoinTime(TimeSerial(23, 0, 0), TimeSerial(2, 0, 0)), sep, ":"), "01:00:00", "past midnight"

CheckEqual c.cmn_BusinessDateDiff(DateSerial(2026, 12, 7), DateSerial(2026, 12, 11)), 4, "Monday to Friday"
CheckEqual c.cmn_BusinessDateDiff(DateSerial(2026, 12, 11), DateSerial(2026, 12, 7)), -4, "Friday back to Monday"
CheckEqual c.cmn_BusinessDateDiff(DateSerial(2026, 12, 11), DateSerial(2026, 12, 14)), 1, "over a week-end"
CheckEqual c.cmn_BusinessDateDiff(DateSerial(2026, 12, 11), DateSerial(2026, 12, 14), False), 2, "Saturday a working day"
CheckEqual c.cmn_BusinessDateDiff(Now, Date), 0, "the same day"

On Error Resume Next
r = c.cmn_IsWeekEnd("ingen dato")
CheckErr 13, "a text that is no date"
r = c.cmn_JoinTime(DateSerial(9999, 12, 31), 1)
CheckErr 6, "a sum beyond the last date"
On Error GoTo 0
