// The window helpers that place a form or tell about it: on top, without its
// close command, centred, the screen resolution, the About box.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "frame/classes.h"
#include "runtime/ansi_ref.h"
#include "runtime/arith.h"
#include "runtime/client_forms.h"
#include "runtime/late_bound.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "ui/window_helpers.h"

namespace kb::ui {
namespace {

// Centre of a span: (screen − size) \ 2, the difference rounded first.
Variant Centred(double screen, double size) { return rt::FromLong(rt::IntDiv(screen - size, 2)); }

std::wstring_view TextOf(const BSTR* text) { return View(text ? *text : nullptr); }

// A form without an icon gets the box's own.
HICON IconOf(IDispatch* form) {
  const Variant icon = rt::Get(form, L"Icon");
  const VARIANT& v = rt::Deref(*icon.Get());
  if (V_VT(&v) == VT_DISPATCH && !V_DISPATCH(&v)) return nullptr;
  return reinterpret_cast<HICON>(rt::ToHandleValue(v));
}

}  // namespace

void FormOnTop(frame::Common&, IDispatch** frm, VARIANT_BOOL* FormOnTop) {
  const HWND hwnd = rt::WindowOf(rt::Require(frm));
  // Only True itself puts the form on top; any other value takes it off.
  const bool onTop = FormOnTop && *FormOnTop == VARIANT_TRUE;
  ::SetWindowPos(hwnd, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void DisableX(frame::Common&, IDispatch** frm) {
  IDispatch* form = rt::Require(frm);
  const HMENU menu = ::GetSystemMenu(rt::WindowOf(form), FALSE);
  const long count = ::GetMenuItemCount(menu);
  // By position: the last item, then the one that was before it.  Without a
  // system menu the count is -1 and both calls fail harmlessly.
  ::RemoveMenu(menu, static_cast<UINT>(rt::Sub32(count, 1)), MF_BYPOSITION);
  ::RemoveMenu(menu, static_cast<UINT>(rt::Sub32(count, 2)), MF_BYPOSITION);
  ::DrawMenuBar(rt::WindowOf(form));
}

void CenterForm(frame::Common&, IDispatch** frm) {
  IDispatch* form = rt::Require(frm);
  rt::Put(form, L"Left", *Centred(rt::ScreenWidth(), rt::GetDouble(form, L"Width")).Get());
  rt::Put(form, L"Top", *Centred(rt::ScreenHeight(), rt::GetDouble(form, L"Height")).Get());
}

Bstr ResolutionText(double widthTwips, double heightTwips) {
  struct Resolution {
    float width;
    short height;
    const wchar_t* text;
  };
  static constexpr Resolution kKnown[] = {{640, 480, L"640*480"},
                                          {800, 600, L"800*600"},
                                          {1024, 768, L"1024*768"},
                                          {1152, 864, L"1152*864"},
                                          {1280, 1024, L"1280*1024"}};
  // The width is compared unrounded, the height rounded to a whole pixel.
  const auto width = static_cast<float>(widthTwips / 15);
  const short height = rt::CInt(heightTwips / 15);
  for (const Resolution& r : kKnown)
    if (height == r.height && width == r.width) return Bstr(r.text);
  return Bstr();
}

Bstr GetCurScreenRes(frame::Common&) {
  return ResolutionText(rt::ScreenWidth(), rt::ScreenHeight());
}

void AboutBox(frame::Common&, VARIANT* FormIcon, BSTR* Appname, BSTR* Line1, BSTR* Line2) {
  std::wstring other(TextOf(Line1));
  other += L"\r\n";
  other += TextOf(Line2);
  const VARIANT none{};
  const ComPtr<IDispatch> form = rt::ObjectOf(FormIcon ? *FormIcon : none);
  const HWND owner = rt::WindowOf(form.Get());
  const HICON icon = IconOf(form.Get());
  rt::AnsiRef app(Appname);
  const rt::AnsiText otherText{std::wstring_view(other)};
  ::ShellAboutA(owner, app.Get(), otherText.Get(), icon);
  // The application text went through the code page and comes back changed
  // wherever a character had no place there.
  app.Return();
}

}  // namespace kb::ui
