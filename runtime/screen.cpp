#include "runtime/screen.h"

#include <windows.h>

#include "runtime/handles.h"

namespace kb::rt {

int ScreenPixelsPerInch(int axis) {
  const ScreenDcHandle screen(::GetDC(nullptr));
  const int dpi = screen ? ::GetDeviceCaps(screen.Get(), axis) : 0;
  // A display that reports no resolution is taken at the standard one.
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

double TwipsPerPixelX() { return 1440.0 / ScreenPixelsPerInch(LOGPIXELSX); }
double TwipsPerPixelY() { return 1440.0 / ScreenPixelsPerInch(LOGPIXELSY); }

double ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX(); }
double ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY(); }

}  // namespace kb::rt
