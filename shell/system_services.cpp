// The members that lean on the runtime alone: the clipboard, sleeping, the
// timer interval and random numbers.
#include <windows.h>

#include <cmath>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/clipboard.h"
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/random.h"
#include "shell/shell_services.h"

namespace kb::shell {
namespace {

// The runtime's clipboard format codes for text.
constexpr short kCodeText = 1;
constexpr short kCodeRtf = -16639;

}  // namespace

rt::ClipFormat PasteFormat(BSTR code) {
  // A variable that holds nothing yet asks for what a paste usually means.
  if (View(code).empty()) return rt::ClipFormat::kText;
  switch (rt::CInt(rt::NumberFromText(View(code)))) {
    case kCodeText: return rt::ClipFormat::kText;
    case kCodeRtf: return rt::ClipFormat::kRtf;
    default: Raise(kErrInvalidCall);
  }
}

void Copy(frame::Common&, BSTR* CopyWhat) {
  rt::ClipboardClear();
  rt::ClipboardSetText(View(*CopyWhat));
}

void Paste(frame::Common&, BSTR* PasteWhat) {
  Bstr text(rt::ClipboardGetText(PasteFormat(*PasteWhat)));
  ::SysFreeString(*PasteWhat);
  *PasteWhat = text.Release();
}

void Sleep(frame::Common&, long* interval) {
  const long milliseconds = rt::Mul32(*interval, 1000);
  // A negative count would reach the system as a wait of many days.
  ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

long TimerIntervalQuotient(long value) {
  if (value < 65) return 0;
  for (long divisor : {60L, 50L, 40L, 30L, 20L, 10L, 5L})
    if (value % divisor == 0) return value / divisor;
  return value;
}

void ResetTimerInterval(frame::Common&, long* vNewValue) {
  // Worked out as callers have always had it done, and kept nowhere: no
  // caller has ever seen an effect of this property, so none may start now.
  static_cast<void>(TimerIntervalQuotient(*vNewValue));
}

double WholeDraw(float draw, double maxValue) {
  const double whole = std::floor(static_cast<double>(draw) * maxValue + 1);
  if (!std::isfinite(whole)) Raise(kErrOverflow);
  return whole;
}

double RandomizeNumber(frame::Common&, double* MaxValue) {
  rt::Randomize();
  return WholeDraw(rt::Rnd(), *MaxValue);
}

}  // namespace kb::shell
