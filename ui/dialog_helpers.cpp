// The dialog helpers: the shell's folder browser, a multiple-selection Open
// dialog on the caller's common dialog control, and a preset of its flags.
#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "files/siblings.h"
#include "frame/classes.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/text.h"
#include "ui/control_helpers.h"
#include "ui/control_values.h"

namespace kb::ui {
namespace {

// Room the path of the chosen folder is written into.
constexpr size_t kFolderBufferChars = 512;
// OFN_HIDEREADONLY + OFN_ALLOWMULTISELECT + OFN_FILEMUSTEXIST: several files
// in one folder, answered as the folder and the short names behind it.
constexpr long kMultipleOpenFlags = 0x1204;
// OFN_OVERWRITEPROMPT + OFN_HIDEREADONLY + OFN_NOCHANGEDIR + OFN_NOVALIDATE +
// OFN_PATHMUSTEXIST + OFN_FILEMUSTEXIST + OFN_LONGNAMES.
constexpr long kSaveFlags = 0x20190E;

std::wstring_view TextOf(const BSTR* text) { return View(text ? *text : nullptr); }

// The folder of an item list, or an empty text when it has none in the file
// system (no list at all: the browser was cancelled).
Bstr FolderOf(LPCITEMIDLIST items) {
  std::string buffer(kFolderBufferChars, ' ');
  if (!items || !::SHGetPathFromIDListA(items, buffer.data())) return Bstr(L"");
  const Bstr whole = rt::FromAnsi(buffer.data(), buffer.size());
  const std::wstring_view path = whole.View();
  return Bstr(path.substr(0, path.find(L'\0')));
}

}  // namespace

std::vector<std::wstring_view> SplitAtSpaces(std::wstring_view text) {
  std::vector<std::wstring_view> pieces;
  for (size_t start = 0;;) {
    const size_t space = text.find(L' ', start);
    pieces.push_back(text.substr(start, space == text.npos ? text.npos : space - start));
    if (space == text.npos) return pieces;
    start = space + 1;
  }
}

Bstr Browse4Folder(frame::Common& self, long hwnd, BSTR* Titel, VARIANT_BOOL* EnsureSlash) {
  const rt::AnsiText title(Titel ? *Titel : nullptr);
  BROWSEINFOA info{};
  info.hwndOwner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd));
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = title.Get();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  const CoTaskMem<ITEMIDLIST> chosen(::SHBrowseForFolderA(&info));
  Bstr folder = FolderOf(chosen.Get());
  if (folder.Length() == 0) return folder;
  if (EnsureSlash && *EnsureSlash == VARIANT_TRUE) return files::AddSlashVia(self, folder.Ref());
  return folder;
}

Bstr MultipleFileCmnDialog(frame::Common& self, VARIANT* cmn, BSTR* cmnTitle, BSTR* cmnFilter,
                           BSTR* Delimiter) {
  const ComPtr<IDispatch> holder = rt::ObjectOf(ValueOrEmpty(cmn));
  IDispatch* dialog = holder.Get();
  rt::Put(dialog, L"Filter", *rt::FromText(TextOf(cmnFilter)).Get());
  rt::Put(dialog, L"Flags", *rt::FromLong(kMultipleOpenFlags).Get());
  rt::Put(dialog, L"DialogTitle", *rt::FromText(TextOf(cmnTitle)).Get());
  // A cancelled dialog leaves its file name alone: without this an earlier
  // choice would come back as if it had been made again.
  rt::Put(dialog, L"FileName", *rt::FromText(L"").Get());
  rt::Call(dialog, L"ShowOpen");
  const Bstr answer = rt::GetText(dialog, L"FileName");
  if (answer.Length() == 0) return Bstr(L"");
  const std::vector<std::wstring_view> pieces = SplitAtSpaces(answer.View());
  // One file comes back as its whole path, with no folder in front.
  if (pieces.size() == 1) return files::GetLongFilenameVia(self, answer.View());
  // The folder first, then each file's short name; the dialog has made that
  // folder the current one, so the bare names are found there.
  const std::wstring_view delimiter = TextOf(Delimiter);
  std::wstring files;
  for (size_t i = 1; i < pieces.size(); ++i) {
    files += files::GetLongFilenameVia(self, pieces[i]).View();
    files += delimiter;
  }
  // The last character of the last delimiter goes, as Left(x, Len(x) - 1).
  if (files.empty()) Raise(kErrInvalidCall);
  files.pop_back();
  return Bstr(files);
}

void CommonDialogFlags(frame::Common&, IDispatch** cmnDialog) {
  rt::Put(rt::Require(cmnDialog), L"Flags", *rt::FromLong(kSaveFlags).Get());
}

}  // namespace kb::ui
