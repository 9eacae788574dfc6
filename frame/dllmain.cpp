// The four exports of the in-process server, and the library's load and
// unload notifications.
#include <windows.h>

#include "frame/server.h"

namespace {
HMODULE g_module = nullptr;
}

// Per-thread state goes with the thread's last object, while COM still runs
// there (runtime/thread_state.h); under the loader lock nothing is released.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
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
