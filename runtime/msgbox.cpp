#include "runtime/msgbox.h"

#include <windows.h>

#include <string>

#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {

bool HasInteractiveDesktop() {
  HWINSTA station = ::GetProcessWindowStation();
  if (!station) return false;
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed))
    return false;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

int MsgBox(std::wstring_view text, unsigned style, std::wstring_view title) {
  if (!HasInteractiveDesktop()) Raise(kErrInvalidCall, std::wstring(text));
  const AnsiText caption(title.empty() ? std::wstring_view(kLibraryName) : title);
  const AnsiText message(text);
  return ::MessageBoxA(::GetActiveWindow(), message.Get(), caption.Get(), style);
}

}  // namespace kb::rt
