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

// The other word size's view of the classes, where the system has two
// (64-bit Windows): the other build registers its classes there.
#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// Writes HKCR keys and values, in the build's own view or another; the
// first failure stops the rest.
class KeyWriter {
 public:
  explicit KeyWriter(REGSAM view = 0) : view_(view) {}
  // Creates HKCR\<key> and sets one value (the default when name is null).
  void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    if (rc_ != ERROR_SUCCESS) return;
    RegKey k;
    rc_ = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_,
                            nullptr, k.Out(), nullptr);
    if (rc_ == ERROR_SUCCESS)
      rc_ = ::RegSetValueExW(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  LONG Result() const { return rc_; }

 private:
  REGSAM view_;
  LONG rc_ = ERROR_SUCCESS;
};

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

std::wstring ClassKey(const meta::Class& c) { return L"CLSID\\" + meta::GuidText(c.clsid); }
std::wstring InterfaceKey(const meta::Class& c) { return L"Interface\\" + meta::GuidText(c.iid); }

// The keys both builds write alike: the programmatic identifier and the
// interface, which the system may keep in one place for both views.
void WriteSharedKeys(KeyWriter& w, const meta::Class& c) {
  const std::wstring lib = meta::GuidText(meta::kLibraryId);
  const std::wstring progId = meta::ProgIdOf(c);
  w.Set(progId, nullptr, progId);
  w.Set(progId + L"\\CLSID", nullptr, meta::GuidText(c.clsid));
  const std::wstring iface = InterfaceKey(c);
  w.Set(iface, nullptr, c.iface);
  w.Set(iface + L"\\ProxyStubClsid", nullptr, meta::kAutomationMarshaler);
  w.Set(iface + L"\\ProxyStubClsid32", nullptr, meta::kAutomationMarshaler);
  w.Set(iface + L"\\TypeLib", nullptr, lib);
  w.Set(iface + L"\\TypeLib", L"Version", meta::kLibraryVersion);
}

void WriteClassKeys(KeyWriter& w, const meta::Class& c, const std::wstring& dll) {
  const std::wstring clsid = ClassKey(c);
  const std::wstring progId = meta::ProgIdOf(c);
  w.Set(clsid, nullptr, progId);
  w.Set(clsid + L"\\InprocServer32", nullptr, dll);
  w.Set(clsid + L"\\InprocServer32", L"ThreadingModel", meta::kThreadingModel);
  w.Set(clsid + L"\\ProgID", nullptr, progId);
  w.Set(clsid + L"\\VERSION", nullptr, meta::kLibraryVersion);
  w.Set(clsid + L"\\TypeLib", nullptr, meta::GuidText(meta::kLibraryId));
  w.Set(clsid + L"\\Programmable", nullptr, L"");
}

LONG WriteAll(HMODULE module) {
  const std::wstring dll = ModulePath(module);
  const std::wstring folder = dll.substr(0, dll.find_last_of(L'\\'));
  const std::wstring libKey =
      L"TypeLib\\" + meta::GuidText(meta::kLibraryId) + L"\\" + meta::kLibraryVersion;
  KeyWriter w;
  w.Set(libKey, nullptr, meta::kLibraryName);
  w.Set(libKey + L"\\0\\" + kPlatform, nullptr, dll);
  w.Set(libKey + L"\\FLAGS", nullptr, L"0");
  w.Set(libKey + L"\\HELPDIR", nullptr, folder);
  for (const auto& c : meta::Classes()) {
    WriteSharedKeys(w, c);
    WriteClassKeys(w, c, dll);
  }
  return w.Result();
}

void DeleteTree(const std::wstring& key) { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str()); }

bool KeyExists(const std::wstring& key, REGSAM view = 0) {
  RegKey k;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, k.Out()) ==
         ERROR_SUCCESS;
}

// Deletes a key that has no subkeys left.
void DeleteIfEmpty(const std::wstring& key) {
  DWORD subkeys = 1;
  {
    RegKey k;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.Out()) == ERROR_SUCCESS)
      ::RegQueryInfoKeyW(k.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
  }
  if (!subkeys) ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

bool OtherViewHasClass(const meta::Class& c) {
  return KeyExists(ClassKey(c) + L"\\InprocServer32", kOtherView);
}

// This build's entry of the type library; the version and library keys go
// with the last platform's entry.
void DeleteLibraryPlatform() {
  const std::wstring lib = L"TypeLib\\" + meta::GuidText(meta::kLibraryId);
  const std::wstring version = lib + L"\\" + meta::kLibraryVersion;
  DeleteTree(version + L"\\0\\" + kPlatform);
  DeleteIfEmpty(version + L"\\0");
  if (!KeyExists(version + L"\\0")) DeleteTree(version);
  DeleteIfEmpty(lib);
}

}  // namespace

// Both builds can be registered on one machine, each in its own view of the
// registry. Class keys are per view and the type library key holds one entry
// per platform; whether programmatic identifiers and interfaces are kept per
// view or once for both differs between systems. So this build removes its
// class keys, its platform's entry and the identifier and interface keys its
// view sees, and then writes those last ones again for the other view
// wherever the other build still has the class.
HRESULT UnregisterServer() {
  for (const auto& c : meta::Classes()) {
    DeleteTree(ClassKey(c));
    DeleteTree(meta::ProgIdOf(c));
    DeleteTree(InterfaceKey(c));
  }
  for (const auto& c : meta::Classes()) {
    if (!OtherViewHasClass(c)) continue;
    KeyWriter other(kOtherView);
    WriteSharedKeys(other, c);
  }
  DeleteLibraryPlatform();
  return S_OK;
}

HRESULT RegisterServer(HMODULE module) {
  const LONG rc = WriteAll(module);
  if (rc == ERROR_SUCCESS) return S_OK;
  UnregisterServer();
  return rc == ERROR_ACCESS_DENIED ? SELFREG_E_CLASS : HRESULT_FROM_WIN32(rc);
}

}  // namespace kb::frame
