' Proves the script harness itself: checks, error capture, locale and the
' ANSI conversion of the script text.
Option Explicit
Dim fso, shell, locale, folder, name
Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")

CheckEqual fso.BuildPath("C:\data", "x"), "C:\data\x", "BuildPath adds the separator"
CheckEqual fso.BuildPath("C:\data\", "*.txt"), "C:\data\*.txt", "BuildPath keeps one separator"
Check Not fso Is Nothing, "Check takes an expression"
CheckEqual Null, Null, "CheckEqual treats Null as equal to Null"
CheckEqual fso, fso, "CheckEqual compares objects by identity"

On Error Resume Next
fso.NoSuchMember
CheckErr 438, "an unknown member gives 438"
fso.GetFolder "C:\no\such\folder"
CheckErr 76, "a missing folder gives 76"
CheckErr 0, "CheckErr clears Err"
On Error GoTo 0

' ExpandEnvironmentStrings counts the terminating NUL under Wine; Environment does not.
locale = shell.Environment("PROCESS")("KITBAG_LOCALE")
If locale = "da" Then
  CheckEqual CStr(1.5), "1,5", "Danish decimal comma"
Else
  CheckEqual CStr(1.5), "1.5", "English decimal point"
End If

CheckEqual "æøå", Chr(230) & Chr(248) & Chr(229), "the script text arrives as Windows-1252"
Set folder = fso.GetSpecialFolder(2)
name = fso.BuildPath(folder.Path, "kb-" & Chr(230) & Chr(248) & Chr(229) & ".txt")
fso.CreateTextFile(name, True).Close
Check fso.FileExists(name), "a file name with Danish letters can be created"
fso.DeleteFile name
Check Not fso.FileExists(name), "and deleted"
