// The runtime's message box: the one place the library shows a box.
#pragma once

#include <string_view>

namespace kb::rt {

// Shows a modal message box with the runtime's MsgBox rules: owned by the
// thread's active window, titled with the library's name when no title is
// given, and returning the button pressed (IDOK, IDYES, ...).
//
// A process without an interactive window station (a service, a scheduled
// task) has nobody to answer the box and would wait forever; there the box is
// not shown and the call fails with run-time error 5 carrying the box's text.
int MsgBox(std::wstring_view text, unsigned style = 0, std::wstring_view title = {});

// True when the process's window station is one a user can see.
bool HasInteractiveDesktop();

}  // namespace kb::rt
