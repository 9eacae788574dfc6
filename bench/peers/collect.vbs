' The collection a script user writes with the file system object: every
' file's name in lower case and the sum of their sizes, folder by folder down
' the tree.  Run by the collect benchmark, which passes the tree's folder and
' a file for the result: the count, the total and the milliseconds it took.
Option Explicit
Dim fso, names, total, start, seconds, result

Sub Collect(folder)
  Dim file, subFolder
  For Each file In folder.Files
    ' Texts as keys: Wine's dictionary loses track of numeric keys past a
    ' few hundred and reports them as taken.
    names.Add CStr(names.Count), LCase(file.Name)
    total = total + file.Size
  Next
  For Each subFolder In folder.SubFolders
    Collect subFolder
  Next
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
Set names = CreateObject("Scripting.Dictionary")
total = 0
start = Timer
Collect fso.GetFolder(WScript.Arguments(0))
seconds = Timer - start
If seconds < 0 Then seconds = seconds + 86400
' Milliseconds, so that no locale's decimal separator is involved.
Set result = fso.CreateTextFile(WScript.Arguments(1), True)
result.WriteLine "peer " & names.Count & " " & total & " " & CLng(seconds * 1000)
result.Close
