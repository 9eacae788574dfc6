#include "files/file_system.h"

#include <winnetwk.h>

#include "runtime/errors.h"
#include "runtime/file_errors.h"

namespace kb::files {
namespace {

bool EndsInBackslash(std::wstring_view path) { return !path.empty() && path.back() == L'\\'; }

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

std::wstring Joined(std::wstring_view folder, std::wstring_view name) {
  std::wstring path(folder);
  if (!EndsInBackslash(path)) path += L'\\';
  path += name;
  return path;
}

// Every entry of a folder; false when it cannot be listed (the reason in
// GetLastError).
template <class Visit>
bool ForEachEntry(std::wstring_view folder, Visit&& visit) {
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW(Joined(folder, L"*").c_str(), &data));
  if (!find) return false;
  do {
    if (!IsDotEntry(data.cFileName)) visit(data);
  } while (::FindNextFileW(find.Get(), &data));
  return true;
}

}  // namespace

std::wstring FullPath(std::wstring_view folder) {
  const std::wstring name(folder);
  if (name.empty()) Raise(kErrPathNotFound);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) Raise(kErrPathNotFound);
    if (n < full.size()) return full.substr(0, n);
    full.resize(n);
  }
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring BuildPath(std::wstring_view path, std::wstring_view name) {
  const bool nameSlash = !name.empty() && name.front() == L'\\';
  std::wstring joined(path);
  if (EndsInBackslash(path) && nameSlash)
    name.remove_prefix(1);
  else if (!EndsInBackslash(path) && !nameSlash && !(path.size() == 2 && path[1] == L':'))
    joined += L'\\';
  joined += name;
  return joined;
}

std::vector<SubFolder> SubFolderPaths(std::wstring_view folder) {
  std::vector<SubFolder> paths;
  const bool listed = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      paths.push_back({Joined(folder, data.cFileName),
                       (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  });
  if (!listed && ::GetLastError() != ERROR_FILE_NOT_FOUND) Raise(kErrPathNotFound);
  return paths;
}

ULONGLONG FolderSize(std::wstring_view folder) {
  ULONGLONG total = 0;
  // Folders still to add up; a list rather than a recursion, however deep
  // the tree.
  std::vector<std::wstring> pending{std::wstring(folder)};
  while (!pending.empty()) {
    const std::wstring current = std::move(pending.back());
    pending.pop_back();
    const bool listed = ForEachEntry(current, [&](const WIN32_FIND_DATAW& data) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        total += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // A link to a folder may lead back up the tree; what it points at is
        // counted where it lies.
        pending.push_back(Joined(current, data.cFileName));
      }
    });
    if (listed) continue;
    const DWORD reason = ::GetLastError();
    if (reason == ERROR_ACCESS_DENIED) Raise(kErrPermissionDenied);
    // A folder emptied or removed while it was added up counts nothing.
    if (reason != ERROR_FILE_NOT_FOUND && reason != ERROR_PATH_NOT_FOUND)
      rt::RaiseFileError(reason);
  }
  return total;
}

Bstr ShareName(std::wstring_view driveLetter) {
  std::wstring drive(driveLetter.substr(0, 1));
  drive += L':';
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const DWORD result = ::WNetGetConnectionW(drive.c_str(), name.data(), &length);
    if (result == ERROR_MORE_DATA && length > name.size()) {
      name.resize(length);
      continue;
    }
    if (result != NO_ERROR) Raise(kErrDeviceUnavailable);
    return Bstr(std::wstring_view(name.c_str()));
  }
}

}  // namespace kb::files
