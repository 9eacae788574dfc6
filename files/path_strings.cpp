#include "files/path_strings.h"

#include <shlwapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <string>

#include "files/siblings.h"
#include "runtime/ansi_ref.h"
#include "runtime/app.h"
#include "runtime/arith.h"
#include "runtime/dir.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

constexpr wchar_t kBackslash = L'\\';
// The system's answer for the network name is read into this many characters.
constexpr DWORD kNetworkNameChars = 80;
// The current folder is first asked for in this many characters.
constexpr DWORD kCurrentFolderChars = 255;
// A file's length sizes the first buffer for its long name; a long name is
// never longer than this, so a bigger file needs no bigger buffer.
constexpr ULONGLONG kLongestPath = 32768;

constexpr short kScalePixels = 3;

std::wstring_view Left(std::wstring_view text, size_t count) { return text.substr(0, count); }

}  // namespace

Bstr AddSlash(frame::Common&, BSTR* Path, BSTR* Char) {
  const auto path = View(*Path);
  const auto ch = View(*Char);
  // The last single character is compared with the whole of Char, so a Char
  // of two or more characters is always appended.
  const auto last = path.empty() ? path : path.substr(path.size() - 1);
  if (last == ch) return Bstr(path);
  std::wstring joined(path);
  joined += ch;
  return Bstr(joined);
}

Bstr ReturnFileName(frame::Common&, BSTR* Path, VARIANT_BOOL* KillExtension) {
  const std::wstring_view path = View(*Path);
  // The scan runs a 16-bit index down from the last character.
  rt::CInt(static_cast<double>(path.size()));
  const size_t slash = path.rfind(kBackslash);
  std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
  // Four characters go blindly; a shorter name cannot lose them and stays.
  if (*KillExtension != VARIANT_FALSE && name.size() >= 4) name.remove_suffix(4);
  return Bstr(name);
}

Bstr GetFilePath(frame::Common&, BSTR* FileName) {
  const std::wstring_view name = View(*FileName);
  for (size_t pos = name.size(); pos >= 1; --pos) {
    if (name[pos - 1] == L':') return Bstr(Left(name, pos));
    if (name[pos - 1] == kBackslash) return Bstr(Left(name, pos - 1));
  }
  return Bstr(L"");
}

Bstr GetFileExtension(frame::Common&, BSTR* FileName) {
  const std::wstring_view name = View(*FileName);
  return Bstr(name.size() >= 3 ? name.substr(name.size() - 3) : std::wstring_view());
}

Bstr GetLongFilename(frame::Common&, BSTR sShortFilename) {
  const ULONGLONG length = rt::FileLen(View(sShortFilename));
  const rt::AnsiText shortName(sShortFilename);
  std::string buffer(static_cast<size_t>(std::min(length, kLongestPath)), ' ');
  DWORD count =
      ::GetLongPathNameA(shortName.Get(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (count > buffer.size()) {
    buffer.assign(count + 1, ' ');
    count = ::GetLongPathNameA(shortName.Get(), buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  if (count == 0) return Bstr(L"");
  const Bstr whole = rt::FromAnsi(buffer.data(), buffer.size());
  return Bstr(Left(whole.View(), count));
}

Bstr ShowShortPathAPI(frame::Common&, IDispatch** frm, IDispatch** lbl, BSTR* WhatString) {
  IDispatch* form = rt::Require(frm);
  IDispatch* label = rt::Require(lbl);
  const rt::AnsiText text(*WhatString);
  // The system may write a compacted path longer than a short one it was
  // given ("..." for "a"), up to MAX_PATH characters.
  std::string buffer(text.Get() ? text.Get() : "", text.Size());
  buffer.resize(std::max<size_t>(buffer.size(), MAX_PATH) + 1, '\0');
  rt::Put(form, L"ScaleMode", *rt::FromShort(kScalePixels).Get());
  const double labelWidth = rt::ToDouble(*rt::Get(label, L"Width").Get());
  const double drawWidth = rt::ToDouble(*rt::Get(form, L"DrawWidth").Get());
  const int width = rt::CLng(labelWidth - drawWidth);
  const auto dc = reinterpret_cast<HDC>(rt::ToHandleValue(*rt::Get(form, L"hdc").Get()));
  // The system takes paths of fewer than MAX_PATH characters and reads past
  // the end of longer ones; those are left as they are.
  if (text.Size() < MAX_PATH) ::PathCompactPathA(dc, buffer.data(), static_cast<UINT>(width));
  return rt::FromAnsi(buffer.data(), text.Size());
}

Bstr NetworkNameIn(const char* buffer, size_t size) {
  const Bstr whole = rt::FromAnsi(buffer, size);
  const std::wstring_view text = whole.View();
  return Bstr(rt::Trim(text.substr(0, text.find(L'\0'))));
}

Bstr GetUNCPath(frame::Common&, BSTR strDrive) {
  std::string buffer(kNetworkNameChars, '\0');
  DWORD length = kNetworkNameChars;
  const rt::AnsiText drive(strDrive);
  ::WNetGetConnectionA(drive.Get(), buffer.data(), &length);
  return NetworkNameIn(buffer.data(), buffer.size());
}

Variant AppPath(frame::Common&) {
  std::wstring path = rt::ReadAppInfo().path;
  if (path.empty() || path.back() != kBackslash) path += kBackslash;
  return Variant::FromText(Bstr(path));
}

Bstr GetCurDir(frame::Common& self, VARIANT_BOOL* EnsureSlash) {
  std::string buffer(kCurrentFolderChars, '\0');
  DWORD count = ::GetCurrentDirectoryA(kCurrentFolderChars, buffer.data());
  // A folder longer than the first buffer is asked for again at its size,
  // rather than passed off as an empty folder (or the drive's root).
  if (count > buffer.size()) {
    buffer.assign(count, '\0');
    count = ::GetCurrentDirectoryA(count, buffer.data());
  }
  // No ANSI answer at all (a folder too long for the ANSI functions).
  if (count == 0 || count > buffer.size()) Raise(kErrPathFileAccess);
  Bstr folder = rt::FromAnsi(buffer.data(), buffer.size());
  Bstr filtered = ZapIlligalCharSetVia(self, folder.Ref());
  if (*EnsureSlash != VARIANT_TRUE) return filtered;
  return AddSlashVia(self, filtered.Ref());
}

void SetCurDir(frame::Common&, BSTR* SetDir) {
  rt::AnsiRef folder(SetDir);
  ::SetCurrentDirectoryA(folder.Get());
  folder.Return();
}

}  // namespace kb::files
