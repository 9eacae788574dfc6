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

On Error Resume Next
Dim fresh
Set fresh = CreateObject("Kitbag.clsCommon")
field = fresh.cmn_SEP_Get(line, ";", 1)
WScript.Echo "a reading that never started fails: error " & Err.Number & " (" & Err.Description & ")"
Err.Clear
On Error GoTo 0
WScript.Echo "DONE"
