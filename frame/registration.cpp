#include <olectl.h>
#include <windows.h>
#include <string>

#include "frame/metadata.h"
#include "frame/server.h"
#include "runtime/handles.h"

namespace kb::frame {
namespace {

// The type library's key for the build's own platform.
#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
#else
constexpr wchar_t kPlatform[] = L"win32";
#endif

// Creates HKCR\<key> and sets one value (the default when name is null).
LONG SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  RegKey k;
  LONG rc = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              k.Out(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegSetValueExW(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

LONG WriteAll(HMODULE module) {
  const std::wstring dll = ModulePath(module);
  const std::wstring folder = dll.substr(0, dll.find_last_of(L'\\'));
  const std::wstring lib = meta::GuidText(meta::kLibraryId);
  const std::wstring version = meta::kLibraryVersion;
  const std::wstring libKey = L"TypeLib\\" + lib + L"\\" + version;

  LONG rc = ERROR_SUCCESS;
  auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    if (rc == ERROR_SUCCESS) rc = SetValue(key, name, value);
  };
  set(libKey, nullptr, meta::kLibraryName);
  set(libKey + L"\\0\\" + kPlatform, nullptr, dll);
  set(libKey + L"\\FLAGS", nullptr, L"0");
  set(libKey + L"\\HELPDIR", nullptr, folder);

  for (const auto& c : meta::Classes()) {
    const std::wstring clsid = L"CLSID\\" + meta::GuidText(c.clsid);
    const std::wstring progId = meta::ProgIdOf(c);
    set(progId, nullptr, progId);
    set(progId + L"\\CLSID", nullptr, meta::GuidText(c.clsid));
    set(clsid, nullptr, progId);
    set(clsid + L"\\InprocServer32", nullptr, dll);
    set(clsid + L"\\InprocServer32", L"ThreadingModel", meta::kThreadingModel);
    set(clsid + L"\\ProgID", nullptr, progId);
    set(clsid + L"\\VERSION", nullptr, version);
    set(clsid + L"\\TypeLib", nullptr, lib);
    set(clsid + L"\\Programmable", nullptr, L"");

    const std::wstring iface = L"Interface\\" + meta::GuidText(c.iid);
    set(iface, nullptr, c.iface);
    set(iface + L"\\ProxyStubClsid", nullptr, meta::kAutomationMarshaler);
    set(iface + L"\\ProxyStubClsid32", nullptr, meta::kAutomationMarshaler);
    set(iface + L"\\TypeLib", nullptr, lib);
    set(iface + L"\\TypeLib", L"Version", version);
  }
  return rc;
}

void DeleteTree(const std::wstring& key) { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str()); }

// The library key goes only when no other version of it is left.
void DeleteLibraryVersion() {
  const std::wstring lib = L"TypeLib\\" + meta::GuidText(meta::kLibraryId);
  DeleteTree(lib + L"\\1.0");
  ::RegDeleteKeyW(HKEY_CLASSES_ROOT, lib.c_str());
}

}  // namespace

HRESULT UnregisterServer() {
  for (const auto& c : meta::Classes()) {
    DeleteTree(meta::ProgIdOf(c));
    DeleteTree(L"CLSID\\" + meta::GuidText(c.clsid));
    DeleteTree(L"Interface\\" + meta::GuidText(c.iid));
  }
  DeleteLibraryVersion();
  return S_OK;
}

HRESULT RegisterServer(HMODULE module) {
  const LONG rc = WriteAll(module);
  if (rc == ERROR_SUCCESS) return S_OK;
  UnregisterServer();
  return rc == ERROR_ACCESS_DENIED ? SELFREG_E_CLASS : HRESULT_FROM_WIN32(rc);
}

}  // namespace kb::frame
