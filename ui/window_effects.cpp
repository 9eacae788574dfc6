// The window helpers that animate or paint a form: the gradient background,
// sliding off the screen, the typed-in caption.  The animations let pending
// window events run at every step, so the client's handlers (which may call
// the library again) keep running meanwhile.
#include <windows.h>

#include <string>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/events.h"
#include "runtime/late_bound.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "ui/window_helpers.h"

namespace kb::ui {
namespace {

// ---- the gradient ---------------------------------------------------------

constexpr short kScalePixels = 3;
constexpr short kDrawInvisible = 5;
constexpr short kFillSolid = 0;

void PaintGradient(const VARIANT& target) {
  const ComPtr<IDispatch> holder = rt::ObjectOf(target);
  IDispatch* form = holder.Get();
  rt::Put(form, L"ScaleMode", *rt::FromShort(kScalePixels).Get());
  const long h = rt::GetLong(form, L"ScaleHeight");
  const long w = rt::GetLong(form, L"ScaleWidth");
  rt::Put(form, L"DrawStyle", *rt::FromShort(kDrawInvisible).Get());
  rt::Put(form, L"FillStyle", *rt::FromShort(kFillSolid).Get());
  for (long i = 0; i <= h; i = rt::Add32(i, 1)) {
    const long blue = rt::Sub32(255, rt::IntDiv(rt::Mul32(i, 255), h));
    rt::Put(form, L"FillColor", *rt::FromLong(rt::Mul32(blue, 65536)).Get());
    // A box one row above to one row below, outline invisible, filled solid:
    // a band three pixels high in the fill colour.
    const Variant flags = rt::FromShort(rt::kLineBox), x1 = rt::FromLong(-1),
                  y1 = rt::FromLong(rt::Sub32(i, 1)), x2 = rt::FromLong(w),
                  y2 = rt::FromLong(rt::Add32(i, 1));
    rt::Call(form, L"Line", {*flags.Get(), *x1.Get(), *y1.Get(), *x2.Get(), *y2.Get()});
  }
}

// ---- sliding off the screen -----------------------------------------------

constexpr long kUnloadDown = 0;
constexpr long kUnloadUp = 1;
constexpr long kUnloadLeft = 2;
constexpr long kUnloadRight = 3;
constexpr short kDefaultSpeed = 30;

struct Slide {
  long style;
  const wchar_t* coordinate;  // the property that moves
  bool forward;               // whether it grows on the way out
  bool (*gone)(IDispatch* form, double coordinate);
};

constexpr Slide kSlides[] = {
    {kUnloadDown, L"Top", true, [](IDispatch*, double top) { return top > rt::ScreenHeight(); }},
    {kUnloadUp, L"Top", false,
     [](IDispatch* form, double top) { return top < -rt::GetDouble(form, L"Height"); }},
    {kUnloadLeft, L"Left", false,
     [](IDispatch* form, double left) { return left < -rt::GetDouble(form, L"Width"); }},
    {kUnloadRight, L"Left", true, [](IDispatch*, double left) { return left > rt::ScreenWidth(); }},
};

const Slide* SlideFor(long style) {
  for (const Slide& s : kSlides)
    if (s.style == style) return &s;
  return nullptr;
}

bool IsMissing(const VARIANT* v) {
  if (!v) return true;
  const VARIANT& value = rt::Deref(*v);
  return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

// Int(current) ± speed, in the runtime's variant arithmetic.
Variant Stepped(const VARIANT& current, const VARIANT& speed, bool forward) {
  Variant whole, next;
  Check(::VarInt(const_cast<VARIANT*>(&current), whole.Get()));
  Check(forward ? ::VarAdd(whole.Get(), const_cast<VARIANT*>(&speed), next.Get())
                : ::VarSub(whole.Get(), const_cast<VARIANT*>(&speed), next.Get()));
  return next;
}

// Each round lets events run, moves the form by one step and looks again.
// The slide also ends when a round leaves the form no nearer its exit edge
// (a speed of 0, one pointing away from the edge, one too small to move the
// window by a pixel, or a handler moving the form back): it would never
// reach the edge, and the form is unloaded where it stands.
void Animate(IDispatch* form, const Slide& slide, const VARIANT& speed) {
  for (;;) {
    rt::DoEvents();
    const Variant current = rt::ValueOf(*rt::Get(form, slide.coordinate).Get());
    const double before = rt::ToDouble(*current.Get());
    // Assigned as text, which the property turns back into a number; the
    // text is in the user's locale, so that holds for fractions too.
    const Variant text =
        Variant::FromText(rt::ToText(*Stepped(*current.Get(), speed, slide.forward).Get()));
    rt::Put(form, slide.coordinate, *text.Get());
    const double after = rt::GetDouble(form, slide.coordinate);
    if (slide.gone(form, after)) return;
    if (slide.forward ? !(after > before) : !(after < before)) return;
  }
}

// ---- the typed-in caption -------------------------------------------------

void SlideCaptionChar(IDispatch* form, std::wstring_view ch, const std::wstring& typed) {
  const short start = rt::CInt(rt::GetDouble(form, L"Width") / 50);
  for (short spaces = start; spaces >= 0; spaces = rt::Sub16(spaces, 1)) {
    std::wstring caption = typed;
    caption.append(static_cast<size_t>(spaces), L' ');
    caption += ch;
    rt::Put(form, L"Caption", *rt::FromText(caption).Get());
    rt::DoEvents();
  }
}

}  // namespace

void FormSetup(frame::Common&, VARIANT* BGForm) {
  // Whatever fails ends the painting there; the caller hears nothing of it.
  try {
    const VARIANT none{};
    PaintGradient(BGForm ? *BGForm : none);
  } catch (const Error&) {
  } catch (const std::bad_alloc&) {
  }
}

Variant FormExit(frame::Common&, IDispatch** frm, long* FEStyle, VARIANT* FESpeed) {
  // A reference of our own for the whole call: an event handler that runs
  // meanwhile may set the caller's variable, the last one, to Nothing.
  const ComPtr<IDispatch> held(rt::Require(frm));
  IDispatch* form = held.Get();
  const Variant speed = IsMissing(FESpeed) ? rt::FromShort(kDefaultSpeed) : rt::ValueOf(*FESpeed);
  if (const Slide* slide = SlideFor(FEStyle ? *FEStyle : kUnloadDown))
    Animate(form, *slide, *speed.Get());
  rt::UnloadForm(form);
  return Variant();
}

void AnimateCaption(frame::Common&, BSTR* CapData, IDispatch** frm) {
  const ComPtr<IDispatch> held(rt::Require(frm));  // as in FormExit
  IDispatch* form = held.Get();
  rt::Call(form, L"Show");
  rt::Put(form, L"Caption", *rt::FromText(L"").Get());
  // A copy: a handler running meanwhile may assign the caller's variable.
  const std::wstring data(View(CapData ? *CapData : nullptr));
  for (size_t i = 0; i < data.size(); ++i) {
    const std::wstring typed(rt::GetText(form, L"Caption").View());
    SlideCaptionChar(form, std::wstring_view(data).substr(i, 1), typed);
  }
}

}  // namespace kb::ui
