' What a script user sees of the frame: all five classes, cmn_SEP_Get with
' script variables, optional arguments left out, and error numbers.
Dim names, n, o
names = Array("clsCommon", "clsDataBase", "clsIniFiles", "clsRegistry", "clsResize")
For Each n In names
  Set o = CreateObject("Kitbag." & n)
  Check IsObject(o), "creates Kitbag." & n
Next

Dim c, s, sep, mode, f
Set c = CreateObject("Kitbag.clsCommon")
s = "a;b;;c"
sep = ";"
mode = 0
CheckEqual c.cmn_SEP_Get(s, sep, mode), "a", "first field"
mode = 1
CheckEqual c.cmn_SEP_Get(s, sep, mode), "b", "next field"
CheckEqual c.cmn_SEP_Get(s, sep, mode), "", "empty field"
CheckEqual c.cmn_SEP_Get(s, sep, mode), "c", "last field"
CheckEqual c.cmn_SEP_Get(s, sep, mode), "", "past the end"
CheckEqual VarType(mode), vbInteger, "an unchanged argument keeps its type"
CheckEqual s, "a;b;;c", "the text is never changed"
CheckEqual c.cmn_SEP_Get("""1,5"",2", ",", 0), "1,5", "quoted separator"
CheckEqual c.cmn_SEP_Get(12.5, ";", 0), CStr(12.5), "a number is read in its text form (in the locale)"

Dim p
p = "C:\data"
CheckEqual c.cmn_AddSlash(p), "C:\data\", "Char left out defaults to a backslash"
CheckEqual c.cmn_AddSlash(p, ";"), "C:\data;", "Char given"
CheckEqual c.cmn_AddSlash(""), "\", "empty path"

Dim fresh
Set fresh = CreateObject("Kitbag.clsCommon")
On Error Resume Next
f = fresh.cmn_SEP_Get(s, sep, 1)
CheckErr 5, "a reading that never started"
CheckEqual Err.Number, 0, "CheckErr clears the error"
f = c.cmn_SEP_Get(Null, ";", 0)
CheckEqual Err.Number, 94, "Null"
CheckEqual Err.Description, "Invalid use of Null", "its description"
CheckEqual Err.Source, "Kitbag", "its source"
Err.Clear
' A member not in this build names itself: whichever of these the build lacks.
Dim lacking, lackingText
lacking = ""
f = c.cmn_WindowsDirectory()
If Hex(Err.Number) = "80004001" And lacking = "" Then lacking = "cmn_WindowsDirectory": lackingText = Err.Description
Err.Clear
f = c.cmn_SystemDirectory()
If Hex(Err.Number) = "80004001" And lacking = "" Then lacking = "cmn_SystemDirectory": lackingText = Err.Description
Err.Clear
f = c.cmn_AppPath()
If Hex(Err.Number) = "80004001" And lacking = "" Then lacking = "cmn_AppPath": lackingText = Err.Description
Err.Clear
If lacking <> "" Then Check InStr(lackingText, lacking) > 0, "a member not in this build names itself"
c.cmn_NoSuchMember
CheckErr 438, "unknown member"
f = c.cmn_ResetTimerInterval
CheckErr 438, "a write-only property cannot be read"
c.cmn_SEP_Get
CheckErr 450, "missing arguments"
On Error GoTo 0
