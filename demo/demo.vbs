' A script client of Kitbag: what a user of the component sees.
Option Explicit
Dim names, n, o, common, line, mode, field
names = Array("clsCommon", "clsDataBase", "clsIniFiles", "clsRegistry", "clsResize")
For Each n In names
  Set o = CreateObject("Kitbag." & n)
  WScript.Echo "created Kitbag." & n
Next

Set common = CreateObject("Kitbag.clsCommon")
line = "Hansen;""Storegade 7, 2. th."";1000;Odense C"
WScript.Echo "reading the fields of: " & line
mode = 0
field = common.cmn_SEP_Get(line, ";", mode)
Do
  WScript.Echo "  field: [" & field & "]"
  mode = 1
  field = common.cmn_SEP_Get(line, ";", mode)
Loop While field <> ""
WScript.Echo "cmn_AddSlash(""C:\data"") = " & common.cmn_AddSlash("C:\data")

Dim key, level, first, last
key = common.cmn_KeyGenerate(Array(12, 5, 7))
level = 0
WScript.Echo "node key of 12, 5 and 7: " & key & ", deepest identifier " & _
  common.cmn_KeyGet(key, level) & " of " & level & " levels"
WScript.Echo "cmn_CamelCase(""order no. and name"") = " & common.cmn_CamelCase("order no. and name")
WScript.Echo "cmn_PropperCase(""OLD MCDONALD"") = " & common.cmn_PropperCase("OLD MCDONALD")
WScript.Echo "cmn_StripIlligalChars(""(45) 12-34.56"") = " & common.cmn_StripIlligalChars("(45) 12-34.56")
WScript.Echo "today: " & common.cmn_GetCurDay(Date, 3) & ", week " & common.cmn_ReturnWeekNumber(Date)
first = DateSerial(Year(Date), Month(Date), 1)
last = DateSerial(Year(Date), Month(Date) + 1, 0)
WScript.Echo "working days after the 1st this month: " & common.cmn_BusinessDateDiff(first, last)

On Error Resume Next
Dim fresh
Set fresh = CreateObject("Kitbag.clsCommon")
field = fresh.cmn_SEP_Get(line, ";", 1)
WScript.Echo "a reading that never started fails: error " & Err.Number & " (" & Err.Description & ")"
Err.Clear
On Error GoTo 0
WScript.Echo "DONE"
