' The spelling check and the letter to the word processor from a script,
' against the office stand-ins of the test suite, which are registered
' around this test.  The script's text box notes its calls in the
' stand-ins' journal, so the journal shows the whole sequence.
Class ScriptBox
  Public Journal
  Public Value
  Public Property Get Text()
    Journal.Note "txtBox.Text get"
    Text = Value
  End Property
  Public Property Let Text(newValue)
    Journal.Note "txtBox.Text = " & newValue
    Value = newValue
  End Property
End Class

Dim c, j, box, letter
Set c = CreateObject("Kitbag.clsCommon")
Set j = CreateObject("KitbagTest.OfficeJournal")
Set box = New ScriptBox
Set box.Journal = j

box.Value = "teh brev"
j.Clear
c.cmn_SpeelCheck Nothing, box
CheckEqual box.Value, "the brev", "the checked text is written back"
CheckEqual j.Text, "create Excel.Sheet | Workbook.Application | Application.ActiveWorkbook | " & _
  "Workbook.ActiveSheet | txtBox.Text get | Worksheet.Range(""A1"") | " & _
  "Range.Value = ""teh brev"" | Worksheet.CheckSpelling() | Worksheet.Range(""A1"") | " & _
  "Range.Value get | txtBox.Text = the brev", "the sheet's members in order"
CheckEqual j.Live, 0, "every stand-in released"

box.Value = "teh brev"
j.Clear
j.FailAt = 7
c.cmn_SpeelCheck Nothing, box
CheckEqual Err.Number, 0, "a failing spelling check is silent"
CheckEqual box.Value, "teh brev", "and leaves the box"
CheckEqual j.Count, 8, "nothing runs after the failing step"
CheckEqual j.Entry(8), "Worksheet.CheckSpelling() !", "the check failed"

letter = "Kære Åse"
j.Clear
c.cmn_SendToWord letter
CheckEqual j.Text, "create Word.Application | Application.Application | Application.Documents | " & _
  "Documents.Add() | Application.Selection | Selection.TypeText(ByRef ""Kære Åse"") | " & _
  "Application.Visible = True", "a new document with the text, shown"
CheckEqual letter, "Kære Åse", "the letter variable keeps its text"

j.Clear
j.FailAt = 4
c.cmn_SendToWord letter
CheckEqual Err.Number, 0, "a failing letter is silent"
CheckEqual j.Count, 4, "the word processor stays hidden"
j.Clear
