// What the four exports of the library do.
#pragma once

#include <windows.h>

namespace kb::frame {

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT CanUnloadNow();
// Registration writes through HKEY_CLASSES_ROOT, so that a tool that maps
// the classes root elsewhere (per-user registration) redirects all of it.
HRESULT RegisterServer(HMODULE module);
HRESULT UnregisterServer();

}  // namespace kb::frame
