' What a script sees of the control, list view, percent bar and dialog
' helpers when its own objects stand in for the controls.

' A text box of the script's own; its default member is its text.
Class ScriptTextBox
  Public SelStart
  Public SelLength
  Private text_
  Public Default Property Get Text()
    Text = text_
  End Property
  Public Property Let Text(value)
    text_ = value
  End Property
  Private Sub Class_Initialize()
    SelStart = 0
    SelLength = 0
  End Sub
End Class

' A list of the script's own.
Class ScriptList
  Private items_
  Private Sub Class_Initialize()
    items_ = Array()
  End Sub
  Public Property Get ListCount()
    ListCount = UBound(items_) + 1
  End Property
  Public Property Get List(i)
    List = items_(i)
  End Property
  Public Sub AddItem(item)
    ReDim Preserve items_(UBound(items_) + 1)
    items_(UBound(items_)) = item
  End Sub
End Class

' A list view of the script's own: the sort settings alone.
Class ScriptListView
  Public SortKey
  Public SortOrder
  Public Sorted
  Private Sub Class_Initialize()
    SortKey = 0
    SortOrder = 0
    Sorted = False
  End Sub
End Class

' A picture box of the script's own that notes what it is told.
Class ScriptPicture
  Public AutoRedraw
  Public ScaleWidth
  Public ScaleHeight
  Public DrawMode
  Public CurrentX
  Public CurrentY
  Public ForeColor
  Public Steps
  Private Sub Class_Initialize()
    AutoRedraw = False
    ScaleHeight = 300
    Steps = ""
  End Sub
  Public Sub Cls()
    Steps = Steps & "Cls "
  End Sub
  Public Function TextWidth(text)
    TextWidth = 2 * Len(text)
  End Function
  Public Function TextHeight(text)
    TextHeight = 100
  End Function
  Public Sub Print(text)
    Steps = Steps & "Print(" & text & ")@" & CurrentX & "," & CurrentY & " "
  End Sub
  Public Sub Line(flags, x1, y1, x2, y2)
    Steps = Steps & "Line" & flags & "(" & x1 & "," & y1 & ")-(" & x2 & "," & y2 & ") "
  End Sub
  Public Sub Refresh()
    Steps = Steps & "Refresh"
  End Sub
End Class

' A common dialog of the script's own, answering as the real control does
' for several files: the folder, then the names, one space apart.
Class ScriptDialog
  Public Filter
  Public Flags
  Public DialogTitle
  Public FileName
  Public Answer
  Public Sub ShowOpen()
    FileName = Answer
  End Sub
End Class

Dim c, t, a, b, v, p, d, fso, here
Set c = CreateObject("Kitbag.clsCommon")

Set t = New ScriptTextBox
t.Text = "xxABCabc"
c.cmn_FindString "abc", t
CheckEqual t.SelStart, 5, "found case-sensitively"
CheckEqual t.SelLength, 3, "the found text selected"
c.cmn_FocusMe t
CheckEqual t.SelStart, 0, "from the start"
CheckEqual t.SelLength, 8, "the whole text"

Set a = New ScriptList
a.AddItem "en"
a.AddItem "to"
a.AddItem "tre"
Set b = New ScriptList
b.AddItem "gammel"
c.cmn_CopyControl2Control a, b
CheckEqual b.ListCount, 4, "the old item stays before the copies"
CheckEqual b.List(3), "tre", "copied in order"

Set v = New ScriptListView
c.cmn_SortListView v, 3
CheckEqual v.SortKey, 2, "the clicked column, counted from 0"
CheckEqual v.SortOrder, 0, "ascending by default"
CheckEqual v.Sorted, True, "sorted"
c.cmn_SortListView v, 3, 0
CheckEqual v.SortOrder, 1, "clicked again: the other way"
c.cmn_SortListView v, 1, 1
CheckEqual v.SortKey & "/" & v.SortOrder, "0/1", "another column in the order given"
On Error Resume Next
c.cmn_ResizeListviewColumn v, 1
CheckErr 0, "fitting a column never fails"
c.cmn_SortListView v, -32768
CheckErr 6, "a column beyond the 16-bit range"
On Error GoTo 0

Set p = New ScriptPicture
c.cmn_PercentBar p, 45.6
CheckEqual p.AutoRedraw, True, "drawing kept"
CheckEqual p.ScaleWidth, 100, "x in percent"
CheckEqual p.DrawMode, 10, "not-xor pen"
CheckEqual p.ForeColor, 16711680, "blue"
CheckEqual p.Steps, "Cls Print(46%)@47,100 Line3(0,0)-(" & 45.6 & ",300) Refresh", "the steps, the bar's end a Single"
Set p = New ScriptPicture
c.cmn_PercentBar p, 0, 255, 255, 300
CheckEqual p.ForeColor, 16777215, "components above 255 count as 255"
CheckEqual Left(p.Steps, 14), "Cls Print(%)@4", "zero prints the bare sign"

Set d = New ScriptDialog
c.cmn_CommonDialogFlags d
CheckEqual d.Flags, 2103566, "the preset flags"
Set fso = CreateObject("Scripting.FileSystemObject")
here = CreateObject("WScript.Shell").CurrentDirectory
fso.CreateTextFile("kbfirst.txt", True).Close
fso.CreateTextFile("kbnext.txt", True).Close
d.Answer = here & " kbfirst.txt kbnext.txt"
CheckEqual c.cmn_MultipleFileCmnDialog(d, "Vælg", , ","), "kbfirst.txt,kbnext.txt", "two files"
CheckEqual d.Flags, 4612, "several files, old style"
CheckEqual d.Filter, "Alle Filer|*.*", "the default filter"
CheckEqual d.DialogTitle, "Vælg", "the title"
d.Answer = ""
CheckEqual c.cmn_MultipleFileCmnDialog(d, "Vælg"), "", "cancelled"
d.Answer = here & " kbfirst.txt nothere.txt"
On Error Resume Next
c.cmn_MultipleFileCmnDialog d, "Vælg"
CheckErr 53, "a chosen file that has gone"
On Error GoTo 0
fso.DeleteFile "kbfirst.txt"
fso.DeleteFile "kbnext.txt"
