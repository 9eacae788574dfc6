#include "tests/support/canvas.h"

#include <olectl.h>

#include <algorithm>
#include <cmath>

#include "runtime/client_forms.h"
#include "tests/support/client_errors.h"

namespace kb::support {
namespace {

[[noreturn]] void InvalidValue() {
  RaiseRuntimeError(kErrInvalidPropertyValue, L"Invalid property value");
}

long HandleValue(const void* handle) {
  return static_cast<long>(reinterpret_cast<LONG_PTR>(handle));
}

int Round(double value) { return static_cast<int>(std::lround(value)); }

// Twips in one unit of a standard ScaleMode; pixels depend on the screen.
double TwipsPerUnit(short mode, int dpi, bool vertical) {
  switch (mode) {
    case kScalePoints: return 20.0;
    case kScalePixels: return 1440.0 / dpi;
    case kScaleCharacters: return vertical ? 240.0 : 120.0;
    case kScaleInches: return 1440.0;
    case kScaleMillimeters: return 1440.0 / 25.4;
    case kScaleCentimeters: return 1440.0 / 2.54;
    default: return 1.0;
  }
}

// A whole-number property with a range of valid values.
short RangedValue(const Invocation& c, long low, long high) {
  const long value = c.ValueLong();
  if (value < low || value > high) InvalidValue();
  return static_cast<short>(value);
}

int PenStyleOf(short drawStyle) {
  static const int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  return kStyles[drawStyle];
}

// The brush of a FillStyle; null for a transparent fill.
GdiObject<HBRUSH> FillBrush(short fillStyle, COLORREF color) {
  static const int kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_BDIAGONAL,
                                 HS_FDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
  if (fillStyle == 0) return GdiObject<HBRUSH>(::CreateSolidBrush(color));
  if (fillStyle == 1) return GdiObject<HBRUSH>();
  return GdiObject<HBRUSH>(::CreateHatchBrush(kHatches[fillStyle - 2], color));
}

// Fills the box with both corners inside it.  A rectangle drawn without a
// pen leaves out its last row and column, so it reaches one further.
void FillInclusive(HDC dc, const RECT& box, HBRUSH brush) {
  Selected pen(dc, ::GetStockObject(NULL_PEN));
  Selected fill(dc, brush);
  ::Rectangle(dc, box.left, box.top, box.right + 2, box.bottom + 2);
}

}  // namespace

COLORREF ColorOf(long value) {
  const auto bits = static_cast<unsigned long>(value);
  if (bits & 0x80000000u) {
    if ((bits & 0x7FFFFF00u) != 0) InvalidValue();
    return ::GetSysColor(static_cast<int>(bits & 0xFF));
  }
  if (bits > 0xFFFFFFu) InvalidValue();
  return static_cast<COLORREF>(bits);
}

Canvas::Canvas(HWND window, HDC dc) : window_(window), dc_(dc) {
  if (dc_) {
    dpiX_ = ::GetDeviceCaps(dc_, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(dc_, LOGPIXELSY);
  }
  LOGFONTW face{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = face.lfFaceName;
  desc.cySize.int64 = 80000;  // 8 points
  desc.sWeight = FW_NORMAL;
  desc.sCharset = DEFAULT_CHARSET;
  ::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(font_.Out()));
}

Canvas::~Canvas() = default;

void Canvas::Detach() {
  SetAutoRedraw(false);
  window_ = nullptr;
  dc_ = nullptr;
}

HDC Canvas::Target() const { return AutoRedraw() ? memory_.Get() : dc_; }

SIZE Canvas::ClientSize() const {
  RECT r{};
  if (window_) ::GetClientRect(window_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

double Canvas::UnitsPerPixelX() const {
  if (scaleMode_ == kScaleUser) return userX_;
  return (1440.0 / dpiX_) / TwipsPerUnit(scaleMode_, dpiX_, false);
}

double Canvas::UnitsPerPixelY() const {
  if (scaleMode_ == kScaleUser) return userY_;
  return (1440.0 / dpiY_) / TwipsPerUnit(scaleMode_, dpiY_, true);
}

double Canvas::ToScaleX(int pixels) const { return pixels * UnitsPerPixelX(); }
double Canvas::ToScaleY(int pixels) const { return pixels * UnitsPerPixelY(); }
int Canvas::FromScaleX(double value) const { return Round(value / UnitsPerPixelX()); }
int Canvas::FromScaleY(double value) const { return Round(value / UnitsPerPixelY()); }

HFONT Canvas::Font() const {
  HFONT font = nullptr;
  if (font_) font_->get_hFont(&font);
  return font;
}

void Canvas::Changed() {
  if (AutoRedraw() && window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void Canvas::SetAutoRedraw(bool on) {
  if (on == AutoRedraw()) return;
  if (!on) {
    memory_.Reset();
    image_.Reset();
    return;
  }
  // As large as the form can grow, so a resize never crops the image.
  const SIZE client = ClientSize();
  const int width = std::max<int>(client.cx, ::GetSystemMetrics(SM_CXSCREEN));
  const int height = std::max<int>(client.cy, ::GetSystemMetrics(SM_CYSCREEN));
  image_.Reset(::CreateCompatibleBitmap(dc_, width, height));
  memory_.Create(dc_);
  memory_.Hold(image_.Get());
  Clear();
}

void Canvas::Clear() {
  const SIZE size =
      AutoRedraw() ? SIZE{::GetSystemMetrics(SM_CXSCREEN) * 2, ::GetSystemMetrics(SM_CYSCREEN) * 2}
                   : ClientSize();
  GdiObject<HBRUSH> back(::CreateSolidBrush(ColorOf(backColor_)));
  const RECT all{0, 0, size.cx, size.cy};
  ::FillRect(Target(), &all, back.Get());
  currentX_ = currentY_ = 0;
  Changed();
}

bool Canvas::OnEraseBackground(HDC dc) {
  if (AutoRedraw()) return true;  // the paint covers everything
  GdiObject<HBRUSH> back(::CreateSolidBrush(ColorOf(backColor_)));
  const SIZE size = ClientSize();
  const RECT all{0, 0, size.cx, size.cy};
  ::FillRect(dc, &all, back.Get());
  return true;
}

bool Canvas::OnPaint() {
  if (!AutoRedraw()) return false;
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(window_, &ps);
  const RECT& r = ps.rcPaint;
  ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory_.Get(), r.left, r.top,
           SRCCOPY);
  ::EndPaint(window_, &ps);
  return true;
}

void Canvas::DrawLine(POINT from, POINT to, COLORREF color) {
  HDC dc = Target();
  GdiObject<HPEN> pen(::CreatePen(PenStyleOf(drawStyle_), drawWidth_, color));
  Selected usePen(dc, pen.Get());
  const int oldMode = ::SetROP2(dc, drawMode_);
  ::MoveToEx(dc, from.x, from.y, nullptr);
  ::LineTo(dc, to.x, to.y);
  ::SetROP2(dc, oldMode);
}

void Canvas::DrawBox(RECT box, COLORREF color, bool filledWithColor) {
  HDC dc = Target();
  const int oldMode = ::SetROP2(dc, drawMode_);
  const int oldBk = ::SetBkMode(dc, TRANSPARENT);
  if (filledWithColor) {
    GdiObject<HBRUSH> brush(::CreateSolidBrush(color));
    FillInclusive(dc, box, brush.Get());
  } else {
    GdiObject<HBRUSH> brush = FillBrush(fillStyle_, ColorOf(fillColor_));
    if (brush.Get()) FillInclusive(dc, box, brush.Get());
    if (drawStyle_ != 5) {
      GdiObject<HPEN> pen(::CreatePen(PenStyleOf(drawStyle_), drawWidth_, color));
      Selected usePen(dc, pen.Get());
      Selected hollow(dc, ::GetStockObject(NULL_BRUSH));
      ::Rectangle(dc, box.left, box.top, box.right + 1, box.bottom + 1);
    }
  }
  ::SetBkMode(dc, oldBk);
  ::SetROP2(dc, oldMode);
}

SIZE Canvas::TextSize(const std::wstring& text) const {
  HDC dc = Target() ? Target() : dc_;
  SIZE size{};
  if (!dc) return size;
  Selected font(dc, Font());
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  size.cy = metrics.tmHeight;
  return size;
}

void Canvas::PrintText(const std::wstring& text) {
  HDC dc = Target();
  Selected font(dc, Font());
  const COLORREF oldColor = ::SetTextColor(dc, ColorOf(foreColor_));
  const int oldBk = ::SetBkMode(dc, TRANSPARENT);
  ::TextOutW(dc, FromScaleX(currentX_), FromScaleY(currentY_), text.c_str(),
             static_cast<int>(text.size()));
  ::SetBkMode(dc, oldBk);
  ::SetTextColor(dc, oldColor);
  // The next print starts on the next line, at the left edge.
  currentX_ = 0;
  currentY_ += ToScaleY(TextSize(text).cy);
}

void Canvas::AddMembers(DispatchObject::Members m) {
  AddScaleMembers(m);
  AddStateMembers(m);
  AddFontMembers(m);
  AddDrawingMembers(m);
}

void Canvas::AddScaleMembers(DispatchObject::Members& m) {
  m.Property(
      L"ScaleMode", [this](Invocation& c) { c.ReturnI2(scaleMode_); },
      [this](Invocation& c) {
        const short mode = RangedValue(c, kScaleUser, kScaleCentimeters);
        // A user scale starts from the scale in use.
        if (mode == kScaleUser) {
          userX_ = UnitsPerPixelX();
          userY_ = UnitsPerPixelY();
        }
        scaleMode_ = mode;
      });
  auto userScale = [this](double& unitsPerPixel, bool vertical) {
    return [this, &unitsPerPixel, vertical](Invocation& c) {
      const double value = c.ValueDouble();
      if (value == 0) InvalidValue();
      const SIZE client = ClientSize();
      const long pixels = vertical ? client.cy : client.cx;
      userX_ = UnitsPerPixelX();
      userY_ = UnitsPerPixelY();
      unitsPerPixel = value / std::max<long>(pixels, 1);
      scaleMode_ = kScaleUser;
    };
  };
  m.Property(
      L"ScaleWidth",
      [this](Invocation& c) { c.ReturnR4(static_cast<float>(ToScaleX(ClientSize().cx))); },
      userScale(userX_, false));
  m.Property(
      L"ScaleHeight",
      [this](Invocation& c) { c.ReturnR4(static_cast<float>(ToScaleY(ClientSize().cy))); },
      userScale(userY_, true));
  m.Property(L"ScaleLeft", [](Invocation& c) { c.ReturnR4(0); });
  m.Property(L"ScaleTop", [](Invocation& c) { c.ReturnR4(0); });
}

void Canvas::AddStateMembers(DispatchObject::Members& m) {
  m.Property(L"hdc", [this](Invocation& c) { c.ReturnI4(HandleValue(Target())); });
  m.Property(
      L"AutoRedraw", [this](Invocation& c) { c.ReturnBool(AutoRedraw()); },
      [this](Invocation& c) { SetAutoRedraw(c.ValueBool()); });
  auto color = [this](long& field, bool clears) {
    return std::pair<Handler, Handler>{[&field](Invocation& c) { c.ReturnI4(field); },
                                       [this, &field, clears](Invocation& c) {
                                         const long value = c.ValueLong();
                                         ColorOf(value);
                                         field = value;
                                         if (clears) Clear();
                                       }};
  };
  for (auto [name, field, clears] :
       {std::tuple{L"BackColor", &backColor_, true}, std::tuple{L"ForeColor", &foreColor_, false},
        std::tuple{L"FillColor", &fillColor_, false}}) {
    auto [get, put] = color(*field, clears);
    m.Property(name, get, put);
  }
  auto ranged = [](short& field, long low, long high) {
    return std::pair<Handler, Handler>{
        [&field](Invocation& c) { c.ReturnI2(field); },
        [&field, low, high](Invocation& c) { field = RangedValue(c, low, high); }};
  };
  for (auto [name, field, low, high] :
       {std::tuple{L"DrawWidth", &drawWidth_, 1L, 32767L},
        std::tuple{L"DrawStyle", &drawStyle_, 0L, 6L}, std::tuple{L"DrawMode", &drawMode_, 1L, 16L},
        std::tuple{L"FillStyle", &fillStyle_, 0L, 7L}}) {
    auto [get, put] = ranged(*field, low, high);
    m.Property(name, get, put);
  }
  m.Property(
      L"CurrentX", [this](Invocation& c) { c.ReturnR4(static_cast<float>(currentX_)); },
      [this](Invocation& c) { currentX_ = c.ValueDouble(); });
  m.Property(
      L"CurrentY", [this](Invocation& c) { c.ReturnR4(static_cast<float>(currentY_)); },
      [this](Invocation& c) { currentY_ = c.ValueDouble(); });
}

void Canvas::AddFontMembers(DispatchObject::Members& m) {
  m.Property(
      L"Font",
      [this](Invocation& c) {
        kb::ComPtr<IDispatch> font = font_.As<IDispatch>(IID_IFontDisp);
        c.ReturnObject(font.Get());
      },
      [this](Invocation& c) {
        kb::ComPtr<IFont> font = c.ValueObject().As<IFont>(IID_IFont);
        if (!font) InvalidValue();
        font_ = font;
      });
  m.Property(
      L"FontName",
      [this](Invocation& c) {
        kb::Bstr name;
        font_->get_Name(name.Out());
        c.ReturnText(name.View());
      },
      [this](Invocation& c) {
        kb::Bstr name(c.ValueText());
        font_->put_Name(name.Get());
      });
  m.Property(
      L"FontSize",
      [this](Invocation& c) {
        CY size{};
        font_->get_Size(&size);
        c.ReturnR4(static_cast<float>(size.int64 / 10000.0));
      },
      [this](Invocation& c) {
        const double points = c.ValueDouble();
        if (points <= 0 || points > 2160) InvalidValue();
        CY size;
        size.int64 = std::llround(points * 10000);
        font_->put_Size(size);
      });
  m.Property(
      L"FontBold",
      [this](Invocation& c) {
        BOOL bold = FALSE;
        font_->get_Bold(&bold);
        c.ReturnBool(bold != FALSE);
      },
      [this](Invocation& c) { font_->put_Bold(c.ValueBool()); });
  m.Method(L"TextWidth", 1, 1, [this](Invocation& c) {
    c.ReturnR4(static_cast<float>(ToScaleX(TextSize(c.Text(0)).cx)));
  });
  m.Method(L"TextHeight", 1, 1, [this](Invocation& c) {
    c.ReturnR4(static_cast<float>(ToScaleY(TextSize(c.Text(0)).cy)));
  });
}

void Canvas::AddDrawingMembers(DispatchObject::Members& m) {
  m.Method(L"Cls", 0, 0, [this](Invocation&) { Clear(); });
  m.Method(L"Print", 0, 1, [this](Invocation& c) {
    PrintText(c.Has(0) ? c.Text(0) : std::wstring());
    Changed();
  });
  m.Method(L"Line", 5, 6,
           [this](Invocation& c) {
             const long flags = c.Long(0);
             const POINT a{FromScaleX(c.Double(1)), FromScaleY(c.Double(2))};
             const POINT b{FromScaleX(c.Double(3)), FromScaleY(c.Double(4))};
             const COLORREF color = ColorOf(c.Has(5) ? c.Long(5) : foreColor_);
             if (flags & kb::rt::kLineBox) {
               const RECT box{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                              std::max(a.y, b.y)};
               DrawBox(box, color, (flags & kb::rt::kLineFilled) != 0);
             } else {
               DrawLine(a, b, color);
             }
             currentX_ = c.Double(3);
             currentY_ = c.Double(4);
             Changed();
           },
           {L"Flags", L"X1", L"Y1", L"X2", L"Y2", L"Color"});
}

}  // namespace kb::support
