' What a script sees of clsResize: its own objects are no forms, so the
' resizer reports the runtime's errors for them and never fails silently.
Class PlainObject
  Public Name
  Public ScaleWidth
  Public ScaleHeight
End Class

Dim r, o
Set r = CreateObject("Kitbag.clsResize")
Set o = New PlainObject
o.Name = "frmScript"
o.ScaleWidth = 100
o.ScaleHeight = 100

On Error Resume Next
r.rsz_ResizeForm o
CheckErr 438, "an object without controls to walk"
r.rsz_ResizeForm Nothing
CheckErr 91, "Nothing"
r.rsz_ResizeForm "frmKunde"
CheckErr 13, "a text instead of a form"
r.rsz_ResizeForm
CheckErr 450, "no form at all"
On Error GoTo 0
