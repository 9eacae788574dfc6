' What a script sees of the shell, clipboard and system services: the
' clipboard text handed back through its variable, the typed-address list,
' the logon name, sleeping, the write-only timer interval, random numbers,
' the CD door and a download of a local file.  The members that start
' programs (documents, web page printing) are tested from C++, where the
' program started is a stub the test waits for.
Dim c, fso, sh, s, n, i, ok, t, source, target, stream
Set c = CreateObject("Kitbag.clsCommon")
Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")

' ---- clipboard ----
c.cmn_Copy "Kære Åse, æbler"
s = ""
c.cmn_Paste s
CheckEqual s, "Kære Åse, æbler", "an empty variable receives the clipboard's text"
s = "1"
c.cmn_Paste s
CheckEqual s, "Kære Åse, æbler", "format 1 is the plain text"
s = "-16639"
c.cmn_Paste s
CheckEqual s, "", "no rich text on the clipboard after a copy"
On Error Resume Next
s = "tekst"
c.cmn_Paste s
CheckErr 13, "a format that is no number"
s = "2"
c.cmn_Paste s
CheckErr 5, "a format that names no text"
On Error GoTo 0
CheckEqual s, "2", "a failed paste leaves the variable"

' ---- typed addresses ----
Const TypedUrls = "HKCU\Software\Microsoft\Internet Explorer\TypedURLs\"
' Wine's RegDelete is missing; its reg tool removes the key.
Sub ForgetTypedUrls()
  sh.Run "reg delete ""HKCU\Software\Microsoft\Internet Explorer\TypedURLs"" /f", 0, True
End Sub
ForgetTypedUrls
CheckEqual c.cmn_GetUrlHistory(), String(24, ";"), "no typed addresses: the empty fields only"
sh.RegWrite TypedUrls & "Url2", "kitbag.dk", "REG_SZ"
sh.RegWrite TypedUrls & "Url25", "æble.dk", "REG_SZ"
CheckEqual c.cmn_GetUrlHistory(), ";kitbag.dk" & String(23, ";") & "æble.dk", "the addresses in their fields"
ForgetTypedUrls

' ---- logon name ----
n = c.cmn_GetUserName()
CheckEqual n, sh.ExpandEnvironmentStrings("%USERNAME%"), "the logon name"

' ---- sleeping ----
t = Timer
c.cmn_Sleep 0
c.cmn_Sleep -5
Check Abs(Timer - t) < 2, "zero and negative intervals wait no time"
t = Timer
c.cmn_Sleep 1
Check Timer - t >= 0.9 Or Timer < t, "one second"
On Error Resume Next
c.cmn_Sleep 2147484
CheckErr 6, "an interval whose milliseconds overflow"
On Error GoTo 0

' ---- timer interval ----
c.cmn_ResetTimerInterval = 120
c.cmn_ResetTimerInterval = 7
On Error Resume Next
n = c.cmn_ResetTimerInterval
CheckErr 438, "the timer interval cannot be read"
On Error GoTo 0

' ---- random numbers ----
ok = True
For i = 1 To 300
  n = c.cmn_RandomizeNumber(6)
  If n < 1 Or n > 6 Or n <> Int(n) Then ok = False
Next
Check ok, "a die gives 1 to 6"
CheckEqual c.cmn_RandomizeNumber(1), 1, "a maximum of 1 always gives 1"
CheckEqual c.cmn_RandomizeNumber(0), 1, "a maximum of 0 gives 1 as well"

' ---- CD door ----
c.cmn_OpenCloseCDROM True
c.cmn_OpenCloseCDROM False
Check True, "the door commands are silent without a drive"

' ---- download ----
source = fso.BuildPath(fso.GetSpecialFolder(2), "kb_shell_source.txt")
target = fso.BuildPath(fso.GetSpecialFolder(2), "kb_shell_target.txt")
If fso.FileExists(target) Then fso.DeleteFile target
Set stream = fso.CreateTextFile(source, True)
stream.Write "hentet fra en fil"
stream.Close
c.cmn_URLDownloadToFile "file:///" & Replace(source, "\", "/"), target
Check fso.FileExists(target), "the address's content is written"
If fso.FileExists(target) Then
  CheckEqual fso.OpenTextFile(target).ReadAll, "hentet fra en fil", "as it was"
  fso.DeleteFile target
End If
fso.DeleteFile source
c.cmn_URLDownloadToFile "file:///C:/no/such/file.txt", target
Check Not fso.FileExists(target), "a missing source is silent and writes nothing"
