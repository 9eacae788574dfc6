// The helpers for single text, list and button controls.  Most follow the
// default failure convention: a member the control lacks ends the routine
// with that error, and whatever was changed before stays changed.
#include <windows.h>

#include <string>

#include "frame/classes.h"
#include "frame/modintvars.h"
#include "runtime/arith.h"
#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/msgbox.h"
#include "runtime/printer.h"
#include "runtime/resume_next.h"
#include "runtime/text.h"
#include "ui/control_helpers.h"
#include "ui/control_values.h"

namespace kb::ui {
namespace {

constexpr wchar_t kNotFound[] = L"Din søgning gav intet resultat.";
// The sample whose height is one row of a list box.
constexpr wchar_t kRowSample[] = L"Xyz";

// InStr(1, text, what) with binary comparison: 1-based, 0 when not found.
// An empty text holds nothing, not even the empty text.
long InStr(std::wstring_view text, std::wstring_view what) {
  if (text.empty()) return 0;
  const size_t at = text.find(what);
  return at == std::wstring_view::npos ? 0 : static_cast<long>(at) + 1;
}

// `For i = 0 To n - 1` over a count the caller's object reports.
short LastIndexOf(const VARIANT& count) { return rt::CInt(rt::ToDouble(count) - 1); }

Variant FontSizeOf(IDispatch* owner) {
  return rt::ValueOf(*rt::Get(rt::GetObjectOf(owner, L"Font").Get(), L"Size").Get());
}

void SetFontSize(IDispatch* owner, const VARIANT& size) {
  rt::Put(rt::GetObjectOf(owner, L"Font").Get(), L"Size", size);
}

// The list row under the mouse, measured with the form's font at the list's
// size.  The form's own size is put back, also when the measuring fails.
long RowUnderMouse(IDispatch* form, IDispatch* list, double y) {
  const Variant saved = FontSizeOf(form);
  SetFontSize(form, *FontSizeOf(list).Get());
  try {
    const double top = rt::GetDouble(list, L"TopIndex");
    const Variant height = rt::Get(form, L"TextHeight", {*rt::FromText(kRowSample).Get()});
    const short row = rt::CInt(top + rt::IntDiv(y, rt::ToDouble(*height.Get())));
    SetFontSize(form, *saved.Get());
    return row;
  } catch (const Error&) {
    rt::ResumeNext([&] { SetFontSize(form, *saved.Get()); });
    throw;
  }
}

void PrintOnPrinter(const VARIANT& txtBox, long fontSize, std::wstring_view fontName) {
  rt::Printer& printer = rt::ThePrinter();
  printer.SetFontSize(static_cast<float>(fontSize));
  printer.SetFontName(fontName);
  const Bstr text = rt::GetText(rt::ObjectOf(txtBox).Get(), L"Text");
  printer.Print(text.View());
  printer.EndDoc();
}

}  // namespace

Variant GetTxtLineCount(frame::Common&, VARIANT* txtBox) {
  const ComPtr<IDispatch> box = ObjectOfKind(ValueOrEmpty(txtBox), rt::ControlKind::kTextBox);
  if (!box) return Variant();
  const LRESULT lines = ::SendMessageA(rt::WindowOf(box.Get()), EM_GETLINECOUNT, 0, 0);
  return rt::FromLong(static_cast<long>(lines));
}

void ForceTextBoxNumeric(frame::Common&, IDispatch** TextBox, VARIANT_BOOL* Force) {
  IDispatch* box = rt::Require(TextBox);
  const LONG style = ::GetWindowLongA(rt::WindowOf(box), GWL_STYLE);
  const bool force = !Force || *Force != VARIANT_FALSE;
  const LONG changed = force ? style | ES_NUMBER : style & ~static_cast<LONG>(ES_NUMBER);
  ::SetWindowLongA(rt::WindowOf(box), GWL_STYLE, changed);
}

void CopyControl2Control(frame::Common&, VARIANT* SourceList, VARIANT* DestListbox) {
  const ComPtr<IDispatch> source = rt::ObjectOf(ValueOrEmpty(SourceList));
  const short last = LastIndexOf(*rt::Get(source.Get(), L"ListCount").Get());
  rt::ForInteger(0, last, [&](short i) {
    const Variant item = rt::Get(source.Get(), L"List", {*rt::FromShort(i).Get()});
    rt::Call(rt::ObjectOf(ValueOrEmpty(DestListbox)).Get(), L"AddItem", {*item.Get()});
  });
}

void FocusMe(frame::Common&, VARIANT* WhatText) {
  const VARIANT& value = ValueOrEmpty(WhatText);
  const ComPtr<IDispatch> text = rt::ObjectOf(value);
  rt::Put(text.Get(), L"SelStart", *rt::FromLong(0).Get());
  const Bstr whole = rt::ToText(*rt::ValueOf(value).Get());
  rt::Put(text.Get(), L"SelLength", *rt::FromLong(static_cast<long>(whole.Length())).Get());
}

void ClearAllTextBoxes(frame::Common&, IDispatch** frmTarget) {
  IDispatch* form = rt::Require(frmTarget);
  const ComPtr<IDispatch> controls = rt::GetObjectOf(form, L"Controls");
  const short last = LastIndexOf(*rt::Get(controls.Get(), L"Count").Get());
  rt::ForInteger(0, last, [&](short i) {
    const Variant item =
        rt::GetItem(rt::GetObjectOf(form, L"Controls").Get(), {*rt::FromShort(i).Get()});
    const ComPtr<IDispatch> control = ObjectOfKind(*item.Get(), rt::ControlKind::kTextBox);
    if (control) rt::Put(control.Get(), L"Text", *rt::FromText(L"").Get());
  });
}

void AlignCommandButtonText(frame::Common&, IDispatch** Button, long* Style) {
  IDispatch* button = Button ? *Button : nullptr;
  const long bits = Style ? *Style : 0;
  LONG_PTR handle = 0;
  rt::ResumeNext([&] { handle = rt::ToHandleValue(*rt::Get(button, L"hwnd").Get()); });
  if (handle == 0) return;
  LONG style = 0;
  rt::ResumeNext([&] { style = ::GetWindowLongA(reinterpret_cast<HWND>(handle), GWL_STYLE); });
  rt::ResumeNext([&] { ::SetWindowLongA(rt::WindowOf(button), GWL_STYLE, bits | style); });
  rt::ResumeNext([&] { rt::Call(button, L"Refresh"); });
}

Variant ShowListboxTooltip(frame::Common&, IDispatch** frm, IDispatch** lst, float* TTYpos) {
  IDispatch* list = lst ? *lst : nullptr;
  if (!rt::IsKind(list, rt::ControlKind::kListBox)) return Variant();
  const long row = RowUnderMouse(rt::Require(frm), list, TTYpos ? *TTYpos : 0);
  // A mouse above the list (a drag that left it) points at no item, as one
  // below the last does.
  const bool onItem = row >= 0 && row < rt::GetDouble(list, L"ListCount");
  const Variant tip = onItem
                          ? rt::Get(list, L"List", {*rt::FromShort(static_cast<short>(row)).Get()})
                          : rt::FromText(L"");
  rt::Put(list, L"ToolTipText", *tip.Get());
  return Variant();
}

void FindString(frame::Common&, BSTR* SearchFor, VARIANT* txtBox) {
  const ComPtr<IDispatch> box = rt::ObjectOf(ValueOrEmpty(txtBox));
  const std::wstring_view what = View(SearchFor ? *SearchFor : nullptr);
  const long at = InStr(rt::GetText(box.Get(), L"Text").View(), what);
  if (at == 0) {
    rt::MsgBox(kNotFound, 0, frame::AppVersionCaption().View());
    return;
  }
  rt::Put(box.Get(), L"SelStart", *rt::FromLong(at - 1).Get());
  rt::Put(box.Get(), L"SelLength", *rt::FromLong(static_cast<long>(what.size())).Get());
}

void PrintTextBox(frame::Common&, VARIANT* txtBox, long* FontSize, BSTR* FontName) {
  try {
    PrintOnPrinter(ValueOrEmpty(txtBox), FontSize ? *FontSize : 0,
                   View(FontName ? *FontName : nullptr));
  } catch (...) {
    const Error error = CurrentError();
    // A job the failure left open is dropped, so that the next print is a
    // job of its own rather than the rest of this one.
    rt::ThePrinter().KillDoc();
    rt::MsgBox(error.Description());
  }
}

}  // namespace kb::ui
