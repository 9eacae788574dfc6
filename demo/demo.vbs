' A script client of Kitbag: what a user of the component sees.
Option Explicit
Dim names, n, o, common, line, mode, field
names = Array("clsCommon", "clsDataBase", "clsIniFiles", "clsRegistry", "clsResize")
For Each n In names
  Set o = CreateObject("Kitbag." & n)
  WScript.Echo "created Kitbag." & n
Next

Set common = CreateObject("Kitbag.clsCommon")
line = "Hansen;""Storegade 7, 2. th."";1000;Odense C"
WScript.Echo "reading the fields of: " & line
mode = 0
field = common.cmn_SEP_Get(line, ";", mode)
Do
  WScript.Echo "  field: [" & field & "]"
  mode = 1
  field = common.cmn_SEP_Get(line, ";", mode)
Loop While field <> ""
WScript.Echo "cmn_AddSlash(""C:\data"") = " & common.cmn_AddSlash("C:\data")

Dim key, level, first, last
key = common.cmn_KeyGenerate(Array(12, 5, 7))
level = 0
WScript.Echo "node key of 12, 5 and 7: " & key & ", deepest identifier " & _
  common.cmn_KeyGet(key, level) & " of " & level & " levels"
WScript.Echo "cmn_CamelCase(""order no. and name"") = " & common.cmn_CamelCase("order no. and name")
WScript.Echo "cmn_PropperCase(""OLD MCDONALD"") = " & common.cmn_PropperCase("OLD MCDONALD")
WScript.Echo "cmn_StripIlligalChars(""(45) 12-34.56"") = " & common.cmn_StripIlligalChars("(45) 12-34.56")
WScript.Echo "today: " & common.cmn_GetCurDay(Date, 3) & ", week " & common.cmn_ReturnWeekNumber(Date)
first = DateSerial(Year(Date), Month(Date), 1)
last = DateSerial(Year(Date), Month(Date) + 1, 0)
WScript.Echo "working days after the 1st this month: " & common.cmn_BusinessDateDiff(first, last)

On Error Resume Next
Dim fresh
Set fresh = CreateObject("Kitbag.clsCommon")
field = fresh.cmn_SEP_Get(line, ";", 1)
WScript.Echo "a reading that never started fails: error " & Err.Number & " (" & Err.Description & ")"
Err.Clear
On Error GoTo 0
' The typical road of a database export: a sample database made with the
' component's own data engine (an empty file is a new database), opened into
' slot 0 of the connection table, a recordset, its CSV file, and closing.
Dim fso, db, rs, cn, sample, csvFile
Set fso = CreateObject("Scripting.FileSystemObject")
sample = fso.BuildPath(fso.GetSpecialFolder(2), "kitbag_demo.db")
csvFile = sample & ".csv"
If fso.FileExists(sample) Then fso.DeleteFile sample
fso.CreateTextFile(sample).Close
Set db = CreateObject("Kitbag.clsDataBase")
db.dB_OpendB sample
Set cn = db.dB_OpenRs("SELECT 1", 0, 1).ActiveConnection
cn.Execute "CREATE TABLE Kunder (KundeNr COUNTER PRIMARY KEY, Navn VARCHAR(40), By VARCHAR(30), " & _
  "Saldo CURRENCY, Oprettet DATETIME)"
cn.Execute "INSERT INTO Kunder (Navn, By, Saldo, Oprettet) VALUES ('Hansen & Son', 'Odense C', 1250.5, #3/1/2024#)"
cn.Execute "INSERT INTO Kunder (Navn, By, Saldo, Oprettet) VALUES ('Havnens Fiskeri', 'Marstal', NULL, #2/29/2024 14:30#)"
Set rs = db.dB_OpenRs("SELECT * FROM Kunder Where 1=2", 2, 2)
rs.AddNew
rs("Navn") = "Jensen ApS"
rs("By") = "Vejle"
rs("Saldo") = -75.25
rs("Oprettet") = Date
rs.Update
WScript.Echo "sample database " & sample & ": " & db.dB_GetSumFromRs("Kunder", "KundeNr") & _
  " is the sum of the customer numbers, next number " & db.dB_SQLMaxPlus("Kunder", "KundeNr")
Set rs = db.dB_OpenRs("SELECT KundeNr, Navn, By, Saldo, Oprettet FROM Kunder ORDER BY KundeNr", 0, 1)
db.dB_RsToCSVFile rs, csvFile, ";"
db.dB_CloseRs rs
db.dB_ClosedB
Set cn = Nothing
WScript.Echo "dB_RsToCSVFile wrote " & csvFile & ":"
WScript.Echo fso.OpenTextFile(csvFile).ReadAll
WScript.Echo "DONE"
