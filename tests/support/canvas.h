// The drawing surface of the client's forms (and of any control that draws,
// such as a picture box): its scale, its drawing state and its drawing
// methods, painted with GDI on the real window so that a test can read back
// the pixels a user would see.
//
// Members it adds to its owner:
//   ScaleMode (0 user, 1 twips, 2 points, 3 pixels, 4 characters, 5 inches,
//   6 millimetres, 7 centimetres), ScaleWidth, ScaleHeight (assigning either
//   switches to a user scale that keeps its units per pixel when the window
//   is resized), ScaleLeft, ScaleTop, hdc, AutoRedraw, BackColor, ForeColor,
//   FillColor, FillStyle (0 solid, 1 transparent, 2-7 hatches), DrawStyle
//   (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 invisible, 6 inside
//   solid), DrawWidth, DrawMode (the raster operation, 1-16), CurrentX,
//   CurrentY, Font (a font object), FontName, FontSize, FontBold, and the
//   methods Cls, Print Text, TextWidth(Text), TextHeight(Text) and
//   Line Flags, X1, Y1, X2, Y2[, Color]
// with the Flags of runtime/client_forms.h: 0 a line, kLineBox a box
// outlined with DrawStyle/DrawWidth in the colour and filled with FillStyle
// and FillColor, kLineBox + kLineFilled a box filled with the colour.  The
// corners of a box are both inside it; an omitted colour is ForeColor.
//
// Colours are the client's: 0xBBGGRR, or 0x800000nn for system colour nn.
// With AutoRedraw the drawing goes to an image kept with the surface, which
// the window shows whenever it paints (Refresh); without it the drawing goes
// straight to the window and is lost when the window repaints.
#pragma once

#include <oaidl.h>
#include <ocidl.h>
#include <windows.h>

#include <string>

#include "runtime/handles.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/win_handles.h"

namespace kb::support {

// The client's ScaleMode values.
enum ScaleModeValue : short {
  kScaleUser = 0,
  kScaleTwips = 1,
  kScalePoints = 2,
  kScalePixels = 3,
  kScaleCharacters = 4,
  kScaleInches = 5,
  kScaleMillimeters = 6,
  kScaleCentimeters = 7,
};

// A client colour value as a GDI colour; raises 380 for one that is neither.
COLORREF ColorOf(long value);

class Canvas {
 public:
  // `window` must have its own DC (CS_OWNDC) or keep `dc` for its life.
  Canvas(HWND window, HDC dc);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  void AddMembers(DispatchObject::Members members);
  // The window has gone; nothing draws any more.
  void Detach();
  // From the owner's window procedure; true when the message was handled.
  bool OnEraseBackground(HDC dc);
  bool OnPaint();

  short ScaleMode() const { return scaleMode_; }
  short DrawWidth() const { return drawWidth_; }
  bool AutoRedraw() const { return image_.Get() != nullptr; }
  // Where drawing goes: the kept image with AutoRedraw, else the window.
  HDC Target() const;
  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }

  // Pixels of the client area <-> the current scale.
  double ToScaleX(int pixels) const;
  double ToScaleY(int pixels) const;
  int FromScaleX(double value) const;
  int FromScaleY(double value) const;

 private:
  void AddScaleMembers(DispatchObject::Members& m);
  void AddStateMembers(DispatchObject::Members& m);
  void AddFontMembers(DispatchObject::Members& m);
  void AddDrawingMembers(DispatchObject::Members& m);
  SIZE ClientSize() const;
  double UnitsPerPixelX() const;
  double UnitsPerPixelY() const;
  void SetAutoRedraw(bool on);
  void Clear();
  void DrawLine(POINT from, POINT to, COLORREF color);
  void DrawBox(RECT box, COLORREF color, bool filledWithColor);
  void PrintText(const std::wstring& text);
  SIZE TextSize(const std::wstring& text) const;
  HFONT Font() const;
  void Changed();

  HWND window_;
  HDC dc_;
  int dpiX_ = 96;
  int dpiY_ = 96;
  short scaleMode_ = kScaleTwips;
  double userX_ = 15;  // units per pixel of a user scale
  double userY_ = 15;
  short drawWidth_ = 1;
  short drawStyle_ = 0;
  short drawMode_ = 13;  // copy pen
  short fillStyle_ = 1;  // transparent
  long fillColor_ = 0;
  long foreColor_ = static_cast<long>(0x80000012);  // button text
  long backColor_ = static_cast<long>(0x8000000F);  // button face
  double currentX_ = 0;
  double currentY_ = 0;
  kb::ComPtr<IFont> font_;
  // The kept image of AutoRedraw: a bitmap selected into a memory DC.
  GdiObject<HBITMAP> image_;
  MemoryDc memory_;
};

}  // namespace kb::support
