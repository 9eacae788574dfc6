' Put in front of every VBScript test by run-script, which also calls Finish
' after the test's last line. Wine's cscript keeps quiet about uncaught and
' syntax errors, so only the closing DONE line proves the whole test ran.
'
'   Check cond, "message"
'   CheckEqual actual, expected, "message"
'   On Error Resume Next
'   o.SomethingThatFails
'   CheckErr 5, "message"        ' compares and clears Err.Number
'   On Error GoTo 0              ' a Sub cannot end the caller's handler

Dim kbPassed, kbFailed, kbFinished
kbPassed = 0
kbFailed = 0
kbFinished = False

' TypeName(Nothing) kills Wine's VBScript and hangs cscript, so objects are
' only described by kind.
Function kbShow(v)
  If IsObject(v) Then
    If v Is Nothing Then kbShow = "Nothing" Else kbShow = "<object>"
  ElseIf IsArray(v) Then
    kbShow = "<array>"
  ElseIf IsNull(v) Then
    kbShow = "Null"
  ElseIf IsEmpty(v) Then
    kbShow = "Empty"
  ElseIf VarType(v) = vbString Then
    kbShow = """" & v & """"
  Else
    kbShow = CStr(v) & " (vartype " & VarType(v) & ")"
  End If
End Function

Sub kbReport(ok, message, detail)
  If ok Then
    kbPassed = kbPassed + 1
    WScript.Echo "ok   " & message
  Else
    kbFailed = kbFailed + 1
    WScript.Echo "FAIL " & message & detail
  End If
End Sub

Sub Check(cond, message)
  Dim ok
  If cond Then ok = True Else ok = False
  kbReport ok, message, ""
End Sub

Sub CheckEqual(actual, expected, message)
  Dim same
  If IsObject(actual) Or IsObject(expected) Then
    If IsObject(actual) And IsObject(expected) Then same = (actual Is expected) Else same = False
  ElseIf IsArray(actual) Or IsArray(expected) Then
    same = False ' element-wise comparison belongs in a C++ test
  ElseIf IsNull(actual) Or IsNull(expected) Then
    same = IsNull(actual) And IsNull(expected)
  Else
    same = (actual = expected)
  End If
  kbReport same, message, ": got " & kbShow(actual) & ", expected " & kbShow(expected)
End Sub

Sub CheckErr(expectedNumber, message)
  Dim number, description
  number = Err.Number
  description = Err.Description
  Err.Clear
  kbReport (number = expectedNumber), message, ": got error " & number & " (0x" & Hex(number) & _
    " """ & description & """), expected " & expectedNumber
End Sub

Sub Finish()
  If kbFinished Then Exit Sub
  kbFinished = True
  WScript.Echo "DONE " & kbPassed & " passed, " & kbFailed & " failed"
  If kbFailed > 0 Then WScript.Quit 1
End Sub
