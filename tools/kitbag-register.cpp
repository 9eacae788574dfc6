// Registers or unregisters the library, machine-wide or for the current user
// only, without an administrator:
//   kitbag-register [/user] [/u] Kitbag.dll
// For /user the classes root of this process is mapped onto
// HKEY_CURRENT_USER\Software\Classes before the library's own entry points run,
// so everything they write through HKEY_CLASSES_ROOT lands there.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Usage() {
  std::fwprintf(stderr, L"usage: kitbag-register [/user] [/u] <path of Kitbag.dll>\n");
  return 2;
}

bool MapClassesRootToUser() {
  HKEY classes = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &classes, nullptr) != ERROR_SUCCESS)
    return false;
  // The library writes its type-library keys itself, through the same root,
  // so the mapped root is all it takes.
  const LONG rc = ::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
  ::RegCloseKey(classes);
  return rc == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool perUser = false, remove = false;
  const wchar_t* dll = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (_wcsicmp(argv[i], L"/user") == 0)
      perUser = true;
    else if (_wcsicmp(argv[i], L"/u") == 0)
      remove = true;
    else if (!dll)
      dll = argv[i];
    else
      return Usage();
  }
  if (!dll) return Usage();
  if (perUser && !MapClassesRootToUser()) {
    std::fwprintf(stderr, L"kitbag-register: cannot map the classes root to the user\n");
    return 1;
  }
  HMODULE module = ::LoadLibraryW(dll);
  if (!module) {
    std::fwprintf(stderr, L"kitbag-register: cannot load %ls (error %lu)\n", dll,
                  ::GetLastError());
    return 1;
  }
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const char* name = remove ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<Entry>(::GetProcAddress(module, name));
  const HRESULT hr = entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  ::FreeLibrary(module);
  if (FAILED(hr)) {
    std::fwprintf(stderr, L"kitbag-register: %hs failed: 0x%08lx\n", name,
                  static_cast<unsigned long>(hr));
    return 1;
  }
  return 0;
}
