// Spelling checks and letters through the office applications' automation
// models, reached late bound by name.  Both routines are fire-and-forget:
// every failure ends the routine silently at that step.
#pragma once

#include <oaidl.h>
#include <windows.h>

namespace kb::frame {
class Common;
}

namespace kb::shell {

// Runs the spreadsheet application's spelling check over the box's text in
// cell A1 of a new sheet and writes the checked text back into the box.
// frm is accepted and never touched.
void SpeelCheck(frame::Common& self, IDispatch** frm, IDispatch** txtBox);
// Types the text into a new document of the word processor and shows it.
void SendToWord(frame::Common& self, BSTR* String2Send);

}  // namespace kb::shell
