' The typical road of a script client: open a database into the connection
' table, read a recordset the way scripts do, export it, close it all.
Option Explicit
Dim fso, db, rs, cn, f, path, csv, names, n, text

Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetSpecialFolder(2), "kb_script_database.db")
csv = path & ".csv"
If fso.FileExists(path) Then fso.DeleteFile path
fso.CreateTextFile(path).Close  ' an empty file is a new, empty database

Set db = CreateObject("Kitbag.clsDataBase")
db.dB_OpendB path
Set rs = db.dB_OpenRs("SELECT 1 AS Et, 'to' AS [To]", 0, 1)
n = rs("Et")
CheckEqual n, 1, "rs(name) stands for the field's value"
text = rs(1)
CheckEqual text, "to", "rs(position)"
Check rs(0) = 1, "rs(0) compares as its value"
CheckEqual rs.Fields(0).Value, 1, "rs.Fields(0).Value"
CheckEqual rs.Fields("to").Name, "To", "field names in any case"
Set cn = rs.ActiveConnection
CheckEqual cn.State, 1, "the recordset's connection is open"
cn.Execute "CREATE TABLE Kunder (Id COUNTER PRIMARY KEY, Navn VARCHAR(30), Beloeb DOUBLE, Oprettet DATETIME)"
cn.Execute "INSERT INTO Kunder (Navn, Beloeb, Oprettet) VALUES (""Hansen"", 12.5, #1/31/2024#)"
cn.Execute "INSERT INTO Kunder (Navn, Beloeb) VALUES ('Jensen', NULL)"
cn.Execute "INSERT INTO Kunder (Navn, Beloeb) VALUES ('Ørsted', 41)"

' A new record through an updatable recordset.
Set rs = db.dB_OpenRs("SELECT * FROM Kunder Where 1=2", 2, 2)
rs.AddNew
rs("Navn") = "Ærø"
rs.Fields("Beloeb").Value = 2.5
rs("Oprettet") = DateSerial(2024, 2, 29)
rs.Update
CheckEqual rs("Id").Value, 4, "the new record has its key"
CheckEqual db.dB_SQLMaxPlus("Kunder", "Id"), 5, "dB_SQLMaxPlus"
CheckEqual db.dB_GetSumFromRs("Kunder", "Beloeb"), 56, "dB_GetSumFromRs rounds 56 to even"

Set rs = db.dB_OpenRs("SELECT * FROM Kunder ORDER BY Id", 0, 1)
names = ""
For Each f In rs.Fields
  names = names & f.Name & ";"
Next
CheckEqual names, "Id;Navn;Beloeb;Oprettet;", "For Each f In rs.Fields"
CheckEqual VarType(rs("Oprettet").Value), vbDate, "dates are dates"
rs.MoveNext
Check IsNull(rs("Beloeb").Value), "Null is Null"
CheckEqual db.dB_NotNull(rs("Beloeb")), "", "dB_NotNull of a Null field"
n = 1
Do While Not rs.EOF
  n = n + 1
  rs.MoveNext
Loop
CheckEqual n, 4, "read to the end"

' The export, from the current record to the end.
Set rs = db.dB_OpenRs("SELECT Id, Navn FROM Kunder WHERE Id <> 2 ORDER BY Id", 0, 1)
rs.MoveNext
db.dB_RsToCSVFile rs, csv, ";"
Check rs.EOF, "the export leaves the recordset at its end"
text = fso.OpenTextFile(csv).ReadAll
CheckEqual text, """Id"";""Navn""" & vbCrLf & """3"";""Ørsted""" & vbCrLf & """4"";""Ærø""" & vbCrLf, _
  "the CSV file"
db.dB_CloseRs rs
Check rs Is Nothing, "dB_CloseRs sets the variable to Nothing"

db.dB_DeleteRs "Kunder", "Navn = 'Ærø'"
CheckEqual db.dB_SQLMaxPlus("Kunder", "Id"), 4, "dB_DeleteRs"

On Error Resume Next
db.dB_CloseRs rs
CheckErr 91, "dB_CloseRs of Nothing"
Set rs = db.dB_OpenRs("SELECT 1", 0, 1, 1)
CheckErr 9, "a slot outside the table"
Set rs = db.dB_OpenRs("SELECT Ukendt FROM Kunder", 0, 1)
CheckErr &H80040E14, "SQL the engine refuses"
Set rs = db.dB_OpenRs("SELECT * FROM Kunder", 0, 1)
rs.Close
rs.MoveNext
CheckErr 3704, "a closed recordset"
db.dB_ClosedB
CheckErr 0, "dB_ClosedB"
db.dB_ClosedB
CheckErr 91, "dB_ClosedB of an empty slot"
cn.Execute "SELECT 1"
CheckErr 3704, "the slot's connection is closed"
On Error GoTo 0

Set rs = Nothing
Set cn = Nothing
Set db = Nothing
fso.DeleteFile csv
fso.DeleteFile path
Check Not fso.FileExists(path), "nothing holds the database file"
