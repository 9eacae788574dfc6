#include "runtime/common_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

// Room for the longest path the system accepts, whatever the caller's
// starting name was.
constexpr size_t kFileBufferChars = 32768;

// "a|b|c|d" becomes the system's "a\0b\0c\0d\0\0".
std::string FilterBytes(const std::wstring& filter) {
  if (filter.empty()) return {};
  std::string bytes(AnsiText(filter).Get());
  std::replace(bytes.begin(), bytes.end(), '|', '\0');
  bytes.append(2, '\0');
  return bytes;
}

const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// The errors the component reports for a dialog that could not be shown.
[[noreturn]] void RaiseDialogError(DWORD code) {
  switch (code) {
    case FNERR_INVALIDFILENAME: Raise(kErrDialogInvalidFileName);
    case FNERR_BUFFERTOOSMALL: Raise(kErrDialogBufferTooSmall);
    default:
      Raise(kErrDialogFailed,
            StandardDescription(kErrDialogFailed) + L" (code " + std::to_wstring(code) + L")");
  }
}

}  // namespace

void FileDialog::ShowOpen(HWND owner) { Show(owner, false); }
void FileDialog::ShowSave(HWND owner) { Show(owner, true); }

void FileDialog::Show(HWND owner, bool save) {
  const std::string filterBytes = FilterBytes(filter);
  const std::string title = AnsiText(dialogTitle).Get();
  const std::string dir = AnsiText(initDir).Get();
  const std::string ext = AnsiText(defaultExt).Get();
  std::vector<char> file(kFileBufferChars, '\0');
  const AnsiText start(fileName);
  std::memcpy(file.data(), start.Get(), std::min(start.Size(), file.size() - 1));

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filterBytes.empty() ? nullptr : filterBytes.data();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex, 0L));
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = OrNull(dir);
  ofn.lpstrTitle = OrNull(title);
  ofn.lpstrDefExt = OrNull(ext);
  ofn.Flags = static_cast<DWORD>(flags);

  const BOOL chosen = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
  if (!chosen) {
    const DWORD code = ::CommDlgExtendedError();
    if (code != 0) RaiseDialogError(code);
    if (cancelError) Raise(kErrDialogCancelled);
    return;
  }
  fileName = std::wstring(FromAnsi(file.data(), ::strnlen(file.data(), file.size())).View());
  filterIndex = static_cast<long>(ofn.nFilterIndex);
  flags = static_cast<long>(ofn.Flags);
}

}  // namespace kb::rt
