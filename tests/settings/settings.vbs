' What a script user sees of the settings stores: INI values cut at their
' first NUL, the NUL that saving adds to the caller's variable, and the
' subkey names as an array the script can index.  The test's key and file
' are removed at the end.
Dim ini, reg, fso, sh, path, section, keyName, value, result
Set ini = CreateObject("Kitbag.clsIniFiles")
Set reg = CreateObject("Kitbag.clsRegistry")
Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")

Function UpToNul(text)
  UpToNul = Left(text, InStr(text & Chr(0), Chr(0)) - 1)
End Function

' ---- INI files ----
path = fso.GetSpecialFolder(2) & "\kb_settings_script.ini"
If fso.FileExists(path) Then fso.DeleteFile path
section = "Indstillinger"
keyName = "Farve"
value = "blå"
ini.ini_WriteIniFile section, keyName, value, path
Check fso.FileExists(path), "the file is created"
CheckEqual value, "blå", "a Danish letter survives the round trip into the variable"
value = "ukendt"
result = ini.ini_ReadIniFile(section, keyName, value, path)
CheckEqual Len(result), 1024, "the result has its fixed length"
CheckEqual UpToNul(result), "blå", "the value up to its NUL"
CheckEqual Mid(result, 4, 1), Chr(0), "a NUL follows the value"
CheckEqual value, "ukendt", "the default variable keeps its text"
CheckEqual UpToNul(ini.ini_ReadIniFile(section, "Mangler", "n/a", path)), "n/a", "a missing key gives the default"
CheckEqual ini.ini_ReadIniFile(section, "Mangler", "", path), String(1024, Chr(0)), "an empty default gives NULs only"
ini.ini_WriteIniFile section, keyName, "grøn", path
CheckEqual UpToNul(ini.ini_ReadIniFile(section, keyName, "", path)), "grøn", "a value is replaced"
ini.ini_WriteIniFile "Andet", "x", "1", path
CheckEqual UpToNul(ini.ini_ReadIniFile("andet", "X", "", path)), "1", "names ignore case"
fso.DeleteFile path
CheckEqual UpToNul(ini.ini_ReadIniFile(section, keyName, "væk", path)), "væk", "a missing file gives the default"

' ---- registry ----
Const Root = "Software\KitbagTest\Script"
Dim saved, keys, n
saved = "abc"
result = reg.reg_RegSaveSetting(Root & "\A", "Navn", saved)
Check IsEmpty(result), "saving returns Empty"
CheckEqual Len(saved), 4, "the variable gains a NUL"
CheckEqual Right(saved, 1), Chr(0), "the NUL is last"
reg.reg_RegSaveSetting Root & "\A\", "Navn", saved
CheckEqual Len(saved), 4, "saving again adds no second NUL"
CheckEqual reg.reg_RegGetSetting(Root & "\A", "Navn"), "abc", "reads back without the NUL"
CheckEqual reg.reg_RegGetSetting(Root & "\A\", "Navn", &H80000001), "abc", "with a trailing backslash and the root named"
saved = "æøå"
reg.reg_RegSaveSetting Root & "\B", "", saved
CheckEqual reg.reg_RegGetSetting(Root & "\B", ""), "æøå", "Danish letters in the default value"
CheckEqual reg.reg_RegGetSetting(Root & "\B", "Mangler"), "", "a missing value reads as empty"
CheckEqual reg.reg_RegGetSetting(Root & "\Mangler", "Navn"), "", "a missing key reads as empty"

n = reg.reg_RegGetSection(Root, keys)
CheckEqual n, 2, "two subkeys"
Check IsArray(keys), "the variable holds an array"
CheckEqual UBound(keys), 2, "bounds 0 to 2"
CheckEqual keys(0), "", "element 0 is empty"
CheckEqual keys(1) & "," & keys(2), "A,B", "the names from element 1"
n = reg.reg_RegGetSection(Root & "\A", keys)
CheckEqual n, 0, "no subkeys"
On Error Resume Next
n = UBound(keys)
Check Err.Number <> 0, "the array was erased"
Err.Clear
On Error GoTo 0

' ---- clean-up: the test's key, and the parent when no other test uses it ----
CheckEqual sh.Run("reg delete HKCU\" & Root & " /f", 0, True), 0, "the test's key is removed"
If reg.reg_RegGetSection("Software\KitbagTest", keys) = 0 Then sh.Run "reg delete HKCU\Software\KitbagTest /f", 0, True
CheckEqual reg.reg_RegGetSection(Root, keys), 0, "nothing is left"
