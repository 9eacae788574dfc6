#include "runtime/shell.h"

#include <windows.h>

#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

WORD ShowCommand(short windowStyle) {
  switch (windowStyle) {
    case kShellHide: return SW_HIDE;
    case kShellNormalFocus: return SW_SHOWNORMAL;
    case kShellMinimizedFocus: return SW_SHOWMINIMIZED;
    case kShellMaximizedFocus: return SW_SHOWMAXIMIZED;
    case kShellNormalNoFocus: return SW_SHOWNOACTIVATE;
    case kShellMinimizedNoFocus: return SW_SHOWMINNOACTIVE;
    default: Raise(kErrInvalidCall);
  }
}

// As the runtime's Shell function reports a program it could not start:
// anything that is no program to be found is 53.
[[noreturn]] void RaiseStartFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_INVALID_NAME: Raise(kErrFileNotFound);
    case ERROR_ACCESS_DENIED: Raise(kErrPermissionDenied);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: Raise(kErrOutOfMemory);
    default: Raise(kErrInvalidCall);
  }
}

}  // namespace

double Shell(std::wstring_view commandLine, short windowStyle, std::wstring_view program) {
  const WORD show = ShowCommand(windowStyle);
  if (Trim(commandLine).empty()) Raise(kErrInvalidCall);
  // The process call may write into the command line it is given.
  AnsiText line(commandLine);
  const AnsiText file(program);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(program.empty() ? nullptr : file.Get(), line.Buffer(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &started))
    RaiseStartFailure(::GetLastError());
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);
  return started.dwProcessId;
}

}  // namespace kb::rt
