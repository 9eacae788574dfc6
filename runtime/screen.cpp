#include "runtime/screen.h"

#include <windows.h>

namespace kb::rt {
namespace {

int ScreenDpi(int axis) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, axis) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  // A display that reports no resolution is taken at the standard one.
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

double TwipsPerPixelX() { return 1440.0 / ScreenDpi(LOGPIXELSX); }
double TwipsPerPixelY() { return 1440.0 / ScreenDpi(LOGPIXELSY); }

double ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX(); }
double ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY(); }

}  // namespace kb::rt
