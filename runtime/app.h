// The runtime's application object, which inside this library describes the
// library's own project: product name and version from its version resource,
// and the folder of its file.
#pragma once

#include <windows.h>

#include <string>

namespace kb::rt {

struct AppInfo {
  std::wstring productName;
  unsigned major = 0;
  unsigned minor = 0;
  std::wstring path;  // the folder of the module, without a trailing backslash
};

// The module this code is linked into (the library, or a test program).
HMODULE ThisModule();

AppInfo ReadAppInfo(HMODULE module = ThisModule());

}  // namespace kb::rt
