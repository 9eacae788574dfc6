' Character filters as a script sees them: Danish letters, the euro sign
' (code 128 in the ANSI code page), the Empty result and run-time errors.
Dim c, r
Set c = CreateObject("Kitbag.clsCommon")

CheckEqual c.cmn_ZapIlligalCharSet("Søren" & vbTab & "Å€"), "SørenÅ", "printable ASCII and Danish letters"
Check IsEmpty(c.cmn_ZapIlligalCharSet("")), "an empty text gives Empty"
Check IsEmpty(c.cmn_ZapIlligalCharSet(vbCrLf & "€")), "nothing kept gives Empty"
CheckEqual c.cmn_ZapIlligalCharSet("ÆØÅæøå"), "ÆØÅæøå", "all six Danish letters"

CheckEqual c.cmn_StripIlligalChars("(45) 12-34.56"), "45 123456", "the default set"
CheckEqual c.cmn_StripIlligalChars("a¨b~c""d'e"), "abcde", "diaeresis, tilde and quotes"
CheckEqual c.cmn_StripIlligalChars("a-b", ""), "a-b", "an empty set strips nothing"
CheckEqual c.cmn_StripIlligalChars("Æble-grød", "æ-"), "Æblegrød", "an exact comparison"

Check c.cmn_IsNullString(" " & vbTab & vbCrLf & Chr(0)), "spaces, tabs and line breaks"
Check c.cmn_IsNullString(""), "an empty text"
Check Not c.cmn_IsNullString(Chr(160)), "a no-break space is text"

CheckEqual c.cmn_HoldChar(Asc("A"), "ABC"), 0, "a held-back key"
CheckEqual c.cmn_HoldChar(Asc("A"), "xyz"), 65, "a key let through"
CheckEqual c.cmn_HoldChar(Asc("A"), ""), 0, "nothing to hold"
CheckEqual c.cmn_HoldChar(Asc("ø"), "æøå"), 0, "Danish letters by their ANSI codes"
CheckEqual c.cmn_HoldChar(128, "€"), 0, "the euro sign is 128"

CheckEqual c.cmn_VBColor2Hex("255"), "FF0000", "red"
CheckEqual c.cmn_VBColor2Hex("65280"), "00FF00", "green"
CheckEqual c.cmn_VBColor2Hex("16711680"), "0000FF", "blue"
CheckEqual c.cmn_VBColor2Hex("1193046"), "563412", "bytes reversed"
CheckEqual c.cmn_VBColor2Hex("256"), "010000", "rearranged before padding"
CheckEqual c.cmn_VBColor2Hex("16777216"), "", "seven digits"
CheckEqual c.cmn_VBColor2Hex("-1"), "", "a negative number"

On Error Resume Next
r = c.cmn_VBColor2Hex("rød")
CheckErr 13, "a colour that is no number"
r = c.cmn_VBColor2Hex("4294967296")
CheckErr 6, "beyond 32 bits"
r = c.cmn_HoldChar(65, Null)
CheckErr 94, "a Null hold set"
r = c.cmn_ZapIlligalCharSet(String(32768, "a"))
CheckErr 6, "a text beyond 32767 characters"
r = c.cmn_StripIlligalChars(String(32768, "a"))
CheckErr 6, "the same for stripping"
On Error GoTo 0
CheckEqual Len(c.cmn_StripIlligalChars(String(32767, "a"))), 32767, "32767 characters still pass"
