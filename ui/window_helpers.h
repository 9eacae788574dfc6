// Window helpers: routines that act on a client's form as a whole, through
// its named members and, where they need the window itself, through Win32
// calls on its hwnd.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::ui {

// Keeps the form above all other windows, or lets it go back among them.
void FormOnTop(frame::Common& self, IDispatch** frm, VARIANT_BOOL* FormOnTop);
// Removes the last two items of the form's system menu (close and the
// separator above it).
void DisableX(frame::Common& self, IDispatch** frm);
// Centres the form on the screen.
void CenterForm(frame::Common& self, IDispatch** frm);
// Paints the form with a blue gradient, top to bottom; never fails.
void FormSetup(frame::Common& self, VARIANT* BGForm);
// Slides the form off the screen and unloads it.
Variant FormExit(frame::Common& self, IDispatch** frm, long* FEStyle, VARIANT* FESpeed);
// Types the caption in, each character sliding in from the right.
void AnimateCaption(frame::Common& self, BSTR* CapData, IDispatch** frm);
// "1024*768" and the like, for the common screen resolutions.
Bstr GetCurScreenRes(frame::Common& self);
// The system's About box, owned by the form and showing its icon.
void AboutBox(frame::Common& self, VARIANT* FormIcon, BSTR* Appname, BSTR* Line1, BSTR* Line2);

// The resolution text for a screen of the given size in twips, taken at 15
// twips per pixel whatever the screen's own resolution; empty when the
// size is none of the common ones.
Bstr ResolutionText(double widthTwips, double heightTwips);

}  // namespace kb::ui
