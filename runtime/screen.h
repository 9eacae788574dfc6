// The runtime's screen object: the size of the display the client runs on, in
// twips, as the client's Screen.Width and Screen.Height give it.
#pragma once

namespace kb::rt {

// The display's logical resolution in dots per inch along LOGPIXELSX or
// LOGPIXELSY; the standard 96 when the display reports none.
int ScreenPixelsPerInch(int axis);

// Twips in one pixel of the display, from its logical resolution
// (15 at 96 dots per inch, 12 at 120).
double TwipsPerPixelX();
double TwipsPerPixelY();

// The primary display's size in twips.
double ScreenWidth();
double ScreenHeight();

}  // namespace kb::rt
