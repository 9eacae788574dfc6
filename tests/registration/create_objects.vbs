' Creates every class of the library by its ProgID, as a script client does
' right after installation, and reads one field through clsCommon.
'   cscript create_objects.vbs
' One line per class: "CREATE <class> <Err.Number>", for clsCommon also
' "SEP_Get <field> <Err.Number>", then "DONE".  Wine's cscript ends silently
' on an uncaught error, so every call is guarded and the caller checks DONE.
Option Explicit

Dim classes, i, o, field
classes = Array("clsCommon", "clsDataBase", "clsIniFiles", "clsRegistry", "clsResize")

On Error Resume Next
For i = 0 To UBound(classes)
  Set o = Nothing
  Err.Clear
  Set o = CreateObject("Kitbag." & classes(i))
  WScript.Echo "CREATE " & classes(i) & " " & Err.Number
  If Err.Number = 0 And classes(i) = "clsCommon" Then
    Err.Clear
    field = o.cmn_SEP_Get("left;right", ";", 0)
    WScript.Echo "SEP_Get " & field & " " & Err.Number
  End If
Next
Set o = Nothing
WScript.Echo "DONE"
