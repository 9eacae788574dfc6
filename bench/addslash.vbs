' 200,000 late-bound calls of cmn_AddSlash against as many calls of the
' scripting runtime's BuildPath, a comparable path call that every script
' already makes. Both run in this one process, so the ratio cancels out the
' speed of the machine.
Option Explicit
Const Calls = 200000
Const Result = "bench addslash: ratio "
Const Target = " (target <= 1.0)"
Dim kb, fso, p, r, i, start, ours, peer

' Timer restarts at midnight.
Function Elapsed(since)
  Elapsed = Timer - since
  If Elapsed < 0 Then Elapsed = Elapsed + 86400
End Function

' Two decimals whatever the locale's decimal separator.
Function Fixed2(x)
  Dim hundredths
  hundredths = Int(x * 100 + 0.5)
  Fixed2 = (hundredths \ 100) & "." & Right("0" & (hundredths Mod 100), 2)
End Function

p = "C:\data"
Set fso = CreateObject("Scripting.FileSystemObject")
On Error Resume Next
Set kb = CreateObject("Kitbag.clsCommon")
If Err.Number = 0 Then r = kb.cmn_AddSlash(p)
If Err.Number <> 0 Then
  WScript.Echo "addslash: cmn_AddSlash failed with error " & Err.Number & _
    " (0x" & Hex(Err.Number) & ") " & Err.Description
  WScript.Echo Result & "n/a" & Target
  WScript.Quit 0
End If
On Error GoTo 0

start = Timer
For i = 1 To Calls
  r = kb.cmn_AddSlash(p)
Next
ours = Elapsed(start)

start = Timer
For i = 1 To Calls
  r = fso.BuildPath("C:\data", "x")
Next
peer = Elapsed(start)

WScript.Echo "addslash: " & Calls & " calls each, ours " & Fixed2(ours) & " s, peer " & Fixed2(peer) & " s"
If peer > 0 Then
  WScript.Echo Result & Fixed2(ours / peer) & Target
Else
  WScript.Echo Result & "n/a" & Target
End If
