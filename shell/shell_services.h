// Small services of the operating system and the runtime: opening documents,
// printing a web page, downloading, the CD door, the browser's typed
// addresses, the logon name, the clipboard, sleeping and random numbers.
// None keeps state or shows a message; apart from the logon name the
// results of the system calls are not examined.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "runtime/clipboard.h"
#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::shell {

// Opens the document with the program registered for it, owned by the form
// and started in C:\.
void OpenDocument(frame::Common& self, IDispatch** frm, BSTR* CompletePath);
// Starts the system's HTML printing for the page.
void PrintWebPage(frame::Common& self, BSTR* URL);
// Copies what the address names into the file; blocks until done.
void DownloadUrlToFile(frame::Common& self, BSTR* CompleteURL, BSTR* CompleteDestination);
// Opens the CD drive's door for any non-zero state, closes it for zero.
void OpenCloseCDROM(frame::Common& self, VARIANT_BOOL* pbState);
// The 25 addresses last typed into the web browser, joined by ";".
Bstr GetUrlHistory(frame::Common& self);
// The user's logon name without the characters that cmn_ZapIlligalCharSet
// drops; empty when the system cannot tell it.
Bstr GetLogonName(frame::Common& self);
// Replaces whatever the clipboard holds by the text.
void Copy(frame::Common& self, BSTR* CopyWhat);
// Reads the clipboard's text in the format PasteWhat names and hands it back
// through PasteWhat.
void Paste(frame::Common& self, BSTR* PasteWhat);
// Blocks the thread for the seconds given, without handling messages.
void Sleep(frame::Common& self, long* interval);
// Accepted and discarded (see TimerIntervalQuotient).
void ResetTimerInterval(frame::Common& self, long* vNewValue);
// A whole number from 1 to MaxValue, freshly seeded from the timer.
double RandomizeNumber(frame::Common& self, double* MaxValue);

// The clipboard format a format code names: empty is plain text, otherwise
// the runtime's codes for plain text (1) and rich text (-16639).  A code
// that is no number raises 13, one out of the 16-bit range 6, any other
// number 5.
rt::ClipFormat PasteFormat(BSTR code);
// The value divided by the first of 60, 50, 40, 30, 20, 10 and 5 that
// divides it (by 1 when none does); 0 below 65, where nothing is worked out.
long TimerIntervalQuotient(long value);
// The whole part of draw × maxValue + 1; error 6 when it is no finite number.
double WholeDraw(float draw, double maxValue);

}  // namespace kb::shell
