#include "runtime/app.h"

#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace kb::rt {

HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

namespace {

std::wstring ModuleFile(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return buffer.substr(0, n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& file) {
  const size_t slash = file.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  // A drive root keeps its backslash, as the runtime's App.Path does.
  return slash == 2 && file[1] == L':' ? file.substr(0, 3) : file.substr(0, slash);
}

}  // namespace

AppInfo ReadAppInfo(HMODULE module) {
  AppInfo info;
  const std::wstring file = ModuleFile(module);
  info.path = FolderOf(file);

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (!size) return info;
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return info;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    info.major = HIWORD(fixed->dwFileVersionMS);
    info.minor = LOWORD(fixed->dwFileVersionMS);
  }
  wchar_t* name = nullptr;
  if (::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                       reinterpret_cast<void**>(&name), &length) &&
      name && length)
    info.productName.assign(name, wcsnlen(name, length));
  return info;
}

}  // namespace kb::rt
