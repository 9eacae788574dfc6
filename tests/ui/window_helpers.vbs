' What a script sees of the window helpers when its own objects stand in for
' forms: the values they are given, the calls they receive, and no hang.

' A form of the script's own: no window (hwnd 0), sizes in twips.
Class ScriptForm
  Public hwnd
  Public Left
  Public Top
  Public Width
  Public Height
  Public Shown
  Public Captions
  Private caption_
  Private Sub Class_Initialize()
    hwnd = 0
    Left = 0
    Top = 0
    Width = 4800
    Height = 3600
    Shown = 0
    Captions = 0
    caption_ = ""
  End Sub
  Public Sub Show()
    Shown = Shown + 1
  End Sub
  Public Property Get Caption()
    Caption = caption_
  End Property
  Public Property Let Caption(value)
    caption_ = value
    Captions = Captions + 1
  End Property
End Class

' A drawing surface of the script's own that notes what it is told.
Class ScriptCanvas
  Public ScaleMode
  Public ScaleWidth
  Public ScaleHeight
  Public DrawStyle
  Public FillStyle
  Public FillColor
  Public Bands
  Private Sub Class_Initialize()
    ScaleWidth = 10
    ScaleHeight = 2
    Bands = ""
  End Sub
  Public Sub Line(flags, x1, y1, x2, y2)
    Bands = Bands & FillColor \ 65536 & "@" & y1 & "-" & y2 & "/" & flags & " "
  End Sub
End Class

Dim c, f, g
Set c = CreateObject("Kitbag.clsCommon")

CheckEqual c.cmn_GetCurScreenRes(), "1280*1024", "the test display"

Set f = New ScriptForm
c.cmn_CenterForm f
CheckEqual f.Left, 7200, "centred across 19200 twips"
CheckEqual f.Top, 5880, "centred down 15360 twips"

' A form without a window: the system calls fail quietly, as they do.
On Error Resume Next
c.cmn_FormOnTop f, True
CheckErr 0, "cmn_FormOnTop on a form without a window"
c.cmn_DisableX f
CheckErr 0, "cmn_DisableX on a form without a window"
On Error GoTo 0

Set f = New ScriptForm
c.cmn_AnimateCaption "Hi", f
CheckEqual f.Shown, 1, "shown once"
CheckEqual f.Caption, "Hi", "typed in"
CheckEqual f.Captions, 1 + 2 * 97, "one caption for each of 97 steps a character"

Set f = New ScriptForm
c.cmn_FormExit f, 0, 3000
CheckEqual f.Top, "18000", "slid down past the screen, each step assigned as text"
Set f = New ScriptForm
c.cmn_FormExit f, 0, 0
CheckEqual f.Top, "0", "a speed of 0 ends after one step"
Set f = New ScriptForm
c.cmn_FormExit f, 9
CheckEqual f.Top, 0, "an unknown direction does not move"

Set g = New ScriptCanvas
c.cmn_FormSetup g
CheckEqual g.ScaleMode, 3, "pixels"
CheckEqual g.DrawStyle, 5, "invisible outline"
CheckEqual g.FillStyle, 0, "solid fill"
CheckEqual g.Bands, "255@-1-1/1 128@0-2/1 0@1-3/1 ", "three bands, blue falling"
On Error Resume Next
c.cmn_FormSetup f
CheckErr 0, "cmn_FormSetup on an object that cannot draw"
c.cmn_FormSetup "no form"
CheckErr 0, "cmn_FormSetup on no object at all"
c.cmn_FormExit f, 0, "fast"
CheckErr 13, "a speed that is no number"
c.cmn_CenterForm Nothing
CheckErr 91, "Nothing"
c.cmn_AboutBox "no form", "Kitbag", "", ""
CheckErr 424, "the About box needs a form"
On Error GoTo 0
