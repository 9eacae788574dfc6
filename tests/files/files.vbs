' What a script user sees of the file routines: paths taken apart, a tree
' of files collected and sorted, sizes, log lines, folders, drives and
' temporary files, and the errors a missing file gives.  The test's folder
' is removed at the end.
Dim kb, fso, root, sub1, f, total, list, words, text, size, temp, here, dot, n
Set kb = CreateObject("Kitbag.clsCommon")
Set fso = CreateObject("Scripting.FileSystemObject")

Sub MakeFile(path, bytes)
  Dim stream
  Set stream = fso.CreateTextFile(path, True)
  stream.Write String(bytes, "x")
  stream.Close
End Sub

' ---- paths ----
CheckEqual kb.cmn_AddSlash("C:\Temp"), "C:\Temp\", "a backslash is added"
CheckEqual kb.cmn_AddSlash("C:\Temp\"), "C:\Temp\", "and not doubled"
CheckEqual kb.cmn_AddSlash("a;b", ";"), "a;b;", "another separator"
CheckEqual kb.cmn_ReturnFileName("C:\Dir\Æbler.txt"), "Æbler.txt", "the file name"
CheckEqual kb.cmn_ReturnFileName("C:\Dir\Æbler.txt", True), "Æbler", "without its extension"
CheckEqual kb.cmn_ReturnFileName("C:\Dir\abc", True), "abc", "a short name stays whole"
CheckEqual kb.cmn_GetFilePath("C:\Dir\File.txt"), "C:\Dir", "the folder"
CheckEqual kb.cmn_GetFilePath("C:\File.txt"), "C:", "the drive"
CheckEqual kb.cmn_GetFilePath("File.txt"), "", "no folder"
CheckEqual kb.cmn_GetFileExtension("archive.gz"), ".gz", "the last three characters"
CheckEqual kb.cmn_GetFileExtension("ab"), "", "too short for an extension"
Check Right(kb.cmn_AppPath, 1) = "\", "the library's folder ends in a backslash"

' ---- a tree of files ----
root = fso.GetSpecialFolder(2) & "\kb_files_script"
If fso.FolderExists(root) Then fso.DeleteFolder root, True
fso.CreateFolder root
sub1 = root & "\Undermappe"
fso.CreateFolder sub1
MakeFile root & "\b.txt", 10
MakeFile root & "\A.txt", 200
MakeFile root & "\skip.dat", 5
MakeFile sub1 & "\æble.txt", 3000

total = kb.cmn_CreateFileArray(root, "*.txt")
CheckEqual total, 210, "the sizes of the folder's own files"
total = kb.cmn_CreateFileArray(root, "*.txt", True)
CheckEqual total, 3210, "with the subfolders"
list = kb.cmn_FileArray
Check IsArray(list), "the collected names come back as an array"
total = kb.cmn_CreateFileArray(root & "\missing", "*.*", True)
CheckEqual total, 0, "a missing folder gives nothing"

words = Array("pære", "Banan", "æble", "banan", "10", 9)
kb.cmn_BubbleSort words
CheckEqual words(0), 9, "a number stays a number, first"
CheckEqual words(1), "10", "texts in code-unit order"
CheckEqual words(2), "Banan", "capital letters first"
CheckEqual words(3), "banan", "then small ones"
CheckEqual words(4), "pære", "then letters above z"
CheckEqual words(5), "æble", "Danish letters last"

CheckEqual kb.cmn_GetFileSize(root & "\b.txt"), "10 bytes", "a small file"
size = Replace(kb.cmn_GetFileSize(sub1 & "\æble.txt"), ",", ".")
CheckEqual size, "2.93 KB", "kilobytes with two decimals"
CheckEqual kb.cmn_ShowFolderSize(root), 3215, "a folder's size counts every file below it"
Check kb.cmn_DirExists(sub1), "a folder exists"
Check Not kb.cmn_DirExists(root & "\b.txt"), "a file is no folder"
Check kb.cmn_FolderExists(root & "\b.txt"), "but passes for one that exists"
Check Not kb.cmn_FolderExists(root & "\missing"), "a missing folder"

' ---- log lines ----
kb.cmn_WriteLog root & "\kørsel.log", "første"
kb.cmn_WriteLog root & "\kørsel.log", "anden linje"
Set f = fso.OpenTextFile(root & "\kørsel.log")
text = f.ReadAll
f.Close
CheckEqual text, "anden linje" & vbCrLf, "the log holds the last line only"
CheckEqual kb.cmn_FreeFile, 1, "and its file is closed"

' ---- the current folder ----
here = kb.cmn_GetCurDir
kb.cmn_SetCurDir sub1
CheckEqual kb.cmn_GetCurDir, sub1 & "\", "the current folder with a backslash"
CheckEqual kb.cmn_GetCurDir(False), sub1, "and without"
kb.cmn_SetCurDir here

' ---- drives and system folders ----
CheckEqual kb.cmn_GetDriveType("C:\"), "FIXED", "drive C is fixed"
CheckEqual kb.cmn_GetDriveType("Q:\"), "", "no drive Q"
text = kb.cmn_GetFreeSpace("C:")
CheckEqual Left(text, 1), " ", "free space starts with a space"
CheckEqual Right(text, 6), " bytes", "and ends in bytes"
Check CDbl(Mid(text, 2, Len(text) - 7)) > 2147483647, "more than 2 GiB free does not overflow"
CheckEqual kb.cmn_GetFreeSpace("C"), " 0 bytes", "no root, no space"
CheckEqual Left(kb.cmn_GetDriveList, 2), "C;", "the drive list starts with C"
CheckEqual LCase(kb.cmn_WindowsDirectory), "c:\windows", "the Windows folder"
CheckEqual LCase(kb.cmn_SystemDirectory), "c:\windows\system32", "the system folder"
temp = kb.cmn_GetTempFile
Check fso.FileExists(temp), "a temporary file is made"
CheckEqual UCase(Left(fso.GetFileName(temp), 3)), "CMN", "with the default prefix"
fso.DeleteFile temp
temp = kb.cmn_GetTempFile("zz")
CheckEqual UCase(Left(fso.GetFileName(temp), 2)), "ZZ", "or the one given"
fso.DeleteFile temp
CheckEqual kb.cmn_GetLongFilename(sub1 & "\ÆBLE.TXT"), sub1 & "\æble.txt", _
  "the long name as the file system spells it"

' ---- errors ----
On Error Resume Next
text = kb.cmn_GetFileSize(root & "\missing.txt")
CheckErr 53, "the size of a missing file"
text = kb.cmn_GetLongFilename(root & "\missing.txt")
CheckErr 53, "the long name of a missing file"
n = kb.cmn_ShowFolderSize(root & "\missing")
CheckErr 76, "the size of a missing folder"
kb.cmn_BubbleSort 5
CheckErr 9, "sorting what is no array"
kb.cmn_WriteLog root & "\missing\x.log", "x"
CheckErr 76, "a log in a missing folder"
On Error GoTo 0

fso.DeleteFolder root, True
