// The four exports of the in-process server, and the library's load and
// unload notifications.
#include <windows.h>

#include "frame/modintvars.h"
#include "frame/server.h"

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: g_module = instance; break;
    case DLL_THREAD_DETACH: kb::frame::ReleaseThreadState(); break;
    case DLL_PROCESS_DETACH:
      // At process exit other threads are gone already; leave their state alone.
      if (!reserved) kb::frame::ReleaseThreadState();
      break;
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return kb::frame::GetClassObject(clsid, iid, out);
}
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kb::frame::CanUnloadNow(); }
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return kb::frame::RegisterServer(g_module);
}
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return kb::frame::UnregisterServer(); }
