// Starting a program as the runtime's Shell does: the command line names the
// program and its arguments, the program starts in the window style asked
// for, and the call returns at once with the program's task number.
#pragma once

#include <string_view>

namespace kb::rt {

// The window styles Shell accepts (the runtime's vbHide ... vbMinimizedNoFocus).
enum ShellStyle : short {
  kShellHide = 0,
  kShellNormalFocus = 1,
  kShellMinimizedFocus = 2,
  kShellMaximizedFocus = 3,
  kShellNormalNoFocus = 4,
  kShellMinimizedNoFocus = 6,
};

// Starts the command line through the ANSI process call (a character the code
// page lacks reaches the program as "?") and returns the new process's
// identifier without waiting for it.  A program that cannot be found raises
// error 53, one that may not be started 70; an empty command line or a style
// that is none of the above raises 5.  A program path, where given, names the
// file started, and the command line is what that program is told.
double Shell(std::wstring_view commandLine, short windowStyle = kShellMinimizedFocus,
             std::wstring_view program = {});

}  // namespace kb::rt
