#include "runtime/dir.h"

#include <cstring>
#include <string>

#include "runtime/file_errors.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

constexpr DWORD kOnRequest =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
constexpr int kAttributeBits =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory | kAttrArchive;

bool EndsInSeparator(std::wstring_view path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

bool NothingFound(DWORD reason) {
  return reason == ERROR_FILE_NOT_FOUND || reason == ERROR_PATH_NOT_FOUND ||
         reason == ERROR_NO_MORE_FILES;
}

}  // namespace

bool DirLists(DWORD found, int wanted) {
  // The system's bits for hidden, system and directory are the runtime's.
  return (found & kOnRequest & ~static_cast<DWORD>(wanted)) == 0;
}

Bstr AnsiFileName(std::wstring_view systemName, bool* intact, size_t* ansiLength) {
  // Every ANSI code page carries ASCII unchanged, one byte a character: most
  // file names need no conversion.
  if (IsAscii(systemName)) {
    if (intact) *intact = true;
    if (ansiLength) *ansiLength = systemName.size();
    return Bstr(systemName);
  }
  // The system's own conversion: nearest letters where the code page has
  // one.  A file name fits the buffer on the stack; a longer text is measured.
  char shortBuffer[2 * MAX_PATH];
  std::string longBuffer;
  const int length = static_cast<int>(systemName.size());
  char* bytes = shortBuffer;
  int n = length == 0 ? 0
                      : ::WideCharToMultiByte(CP_ACP, 0, systemName.data(), length, shortBuffer,
                                              sizeof shortBuffer, nullptr, nullptr);
  if (n == 0 && length > 0) {
    n = ::WideCharToMultiByte(CP_ACP, 0, systemName.data(), length, nullptr, 0, nullptr, nullptr);
    longBuffer.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_ACP, 0, systemName.data(), length, longBuffer.data(), n, nullptr,
                          nullptr);
    bytes = longBuffer.data();
  }
  Bstr name = FromAnsi(bytes, static_cast<size_t>(n));
  if (intact) *intact = name.View() == systemName;
  if (ansiLength) *ansiLength = static_cast<size_t>(n);
  return name;
}

DirScan::DirScan(std::wstring_view pattern, int attributes) : attributes_(attributes) {
  if (pattern.empty()) return;
  std::wstring whole(pattern);
  if (EndsInSeparator(whole)) whole += L'*';
  const AnsiText name(whole);
  find_.Reset(::FindFirstFileA(name.Get(), &data_));
  if (!find_) {
    const DWORD reason = ::GetLastError();
    if (NothingFound(reason)) return;
    RaiseFileError(reason);
  }
  pending_ = true;
}

bool DirScan::Next(DirEntry& entry) {
  while (pending_) {
    const bool listed = DirLists(data_.dwFileAttributes, attributes_);
    if (listed) {
      entry.name = FromAnsi(data_.cFileName, ::strnlen(data_.cFileName, MAX_PATH));
      entry.attributes = data_.dwFileAttributes;
      entry.size = (static_cast<ULONGLONG>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
    }
    pending_ = ::FindNextFileA(find_.Get(), &data_) != FALSE;
    if (!pending_) find_.Reset();
    if (listed) return true;
  }
  return false;
}

ULONGLONG FileLen(std::wstring_view path) {
  const AnsiText name(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(name.Get(), GetFileExInfoStandard, &data))
    RaiseFileError(::GetLastError());
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int GetAttr(std::wstring_view path) {
  const AnsiText name(path);
  const DWORD found = ::GetFileAttributesA(name.Get());
  if (found == INVALID_FILE_ATTRIBUTES) RaiseFileError(::GetLastError());
  return static_cast<int>(found) & kAttributeBits;
}

}  // namespace kb::rt
