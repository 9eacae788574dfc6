// The percent bar: a picture box of the caller's turned into a progress bar
// with its percentage written in the middle.  The bar is drawn over the text
// with the not-xor pen, so the text stays readable both on the bar (white on
// the bar's colour) and beside it (the bar's colour on white).
#include <windows.h>

#include <string>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/late_bound.h"
#include "ui/control_helpers.h"
#include "ui/control_values.h"

namespace kb::ui {
namespace {

constexpr short kPercentScale = 100;
constexpr short kNotXorPen = 10;

// A colour component as the runtime's RGB takes it.
long Component(long value) {
  const short component = rt::CInt(value);
  if (component < 0) Raise(kErrInvalidCall);
  return component > 255 ? 255 : component;
}

}  // namespace

long BarColour(long red, long green, long blue) {
  const long r = Component(red), g = Component(green), b = Component(blue);
  return r + 256 * g + 65536 * b;
}

void PercentBar(frame::Common&, VARIANT* Picture, VARIANT Percent, long* BackR, long* BackG,
                long* BackB) {
  const ComPtr<IDispatch> box = rt::ObjectOf(ValueOrEmpty(Picture));
  IDispatch* picture = box.Get();
  if (rt::GetDouble(picture, L"AutoRedraw") == 0)
    rt::Put(picture, L"AutoRedraw", *rt::FromBool(true).Get());
  rt::Call(picture, L"Cls");
  rt::Put(picture, L"ScaleWidth", *rt::FromShort(kPercentScale).Get());
  rt::Put(picture, L"DrawMode", *rt::FromShort(kNotXorPen).Get());

  std::wstring text(rt::Format(Percent, L"###").View());
  text += L'%';
  const Variant label = rt::FromText(text);
  const double width = rt::ToDouble(*rt::Get(picture, L"TextWidth", {*label.Get()}).Get());
  rt::Put(picture, L"CurrentX", *rt::FromDouble(kPercentScale / 2.0 - width / 2).Get());
  const double scaleHeight = rt::GetDouble(picture, L"ScaleHeight");
  const double height = rt::ToDouble(*rt::Get(picture, L"TextHeight", {*label.Get()}).Get());
  rt::Put(picture, L"CurrentY", *rt::FromDouble((scaleHeight - height) / 2).Get());
  const long colour = BarColour(BackR ? *BackR : 0, BackG ? *BackG : 0, BackB ? *BackB : 255);
  rt::Put(picture, L"ForeColor", *rt::FromLong(colour).Get());
  rt::Call(picture, L"Print", {*label.Get()});

  // The bar in the fore colour, from the left edge to the percentage; the box
  // clips a bar past 100.
  const Variant right = rt::FromSingle(rt::ToSingle(Percent));
  const Variant bottom = rt::Get(picture, L"ScaleHeight");
  const Variant flags = rt::FromShort(rt::kLineBox + rt::kLineFilled), zero = rt::FromShort(0);
  rt::Call(picture, L"Line", {*flags.Get(), *zero.Get(), *zero.Get(), *right.Get(), *bottom.Get()});
  rt::Call(picture, L"Refresh");
}

}  // namespace kb::ui
