#include "tests/support/common_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "tests/support/client_errors.h"

namespace kb::support {
namespace {

// "a|b|c|d" as the system's "a\0b\0c\0d\0\0".
std::wstring FilterList(const std::wstring& filter) {
  if (filter.empty()) return {};
  std::wstring list = filter;
  std::replace(list.begin(), list.end(), L'|', L'\0');
  list.append(2, L'\0');
  return list;
}

// The names of an explorer-style multiple selection: the folder, then each
// file, NUL after each and one more at the end.
std::vector<std::wstring> NamesOf(const std::vector<wchar_t>& buffer) {
  std::vector<std::wstring> names;
  for (size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
    std::wstring name(&buffer[at]);
    at += name.size() + 1;
    names.push_back(std::move(name));
  }
  return names;
}

// The short form of a file's own name, as a multiple selection lists it.
std::wstring ShortNameIn(const std::wstring& folder, const std::wstring& name) {
  const bool separated = !folder.empty() && folder.back() == L'\\';
  const std::wstring shortPath = ShortPathOf(folder + (separated ? L"" : L"\\") + name);
  return shortPath.substr(shortPath.rfind(L'\\') + 1);
}

}  // namespace

std::wstring ShortPathOf(const std::wstring& path) {
  const DWORD needed = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::wstring shortPath(needed, L'\0');
  const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath.data(), needed);
  if (length == 0 || length >= needed) return path;
  shortPath.resize(length);
  return shortPath;
}

CommonDialog::CommonDialog(Form& parent, std::wstring name, const CommonDialogOptions& options)
    : Control(L"CommonDialog", parent, std::move(name), options.index, Geometry::kNone) {
  auto text = [this](std::wstring& field) {
    return std::pair<Handler, Handler>{[&field](Invocation& c) { c.ReturnText(field); },
                                       [&field](Invocation& c) { field = c.ValueText(); }};
  };
  for (auto [name, field] :
       {std::pair{L"DefaultExt", &defaultExt_}, std::pair{L"DialogTitle", &dialogTitle_},
        std::pair{L"FileName", &fileName_}, std::pair{L"Filter", &filter_},
        std::pair{L"InitDir", &initDir_}}) {
    auto [get, put] = text(*field);
    Property(name, get, put);
  }
  Property(L"FileTitle", [this](Invocation& c) { c.ReturnText(fileTitle_); });
  Property(
      L"CancelError", [this](Invocation& c) { c.ReturnBool(cancelError_); },
      [this](Invocation& c) { cancelError_ = c.ValueBool(); });
  Property(
      L"Flags", [this](Invocation& c) { c.ReturnI4(flags_); },
      [this](Invocation& c) { flags_ = c.ValueLong(); });
  Property(
      L"FilterIndex", [this](Invocation& c) { c.ReturnI2(static_cast<short>(filterIndex_)); },
      [this](Invocation& c) { filterIndex_ = c.ValueLong(); });
  Property(
      L"MaxFileSize", [this](Invocation& c) { c.ReturnI2(static_cast<short>(maxFileSize_)); },
      [this](Invocation& c) {
        const long size = c.ValueLong();
        if (size < 1 || size > 32767)
          RaiseRuntimeError(kErrInvalidPropertyValue, L"Invalid property value");
        maxFileSize_ = size;
      });
  Method(L"ShowOpen", {0, 0}, [this](Invocation&) { Show(false); });
  Method(L"ShowSave", {0, 0}, [this](Invocation&) { Show(true); });
}

void CommonDialog::Show(bool save) {
  const bool oldStyleMultiple =
      !save && (flags_ & OFN_ALLOWMULTISELECT) && !(flags_ & OFN_EXPLORER);
  std::vector<wchar_t> buffer(static_cast<size_t>(maxFileSize_) + 1, L'\0');
  std::copy_n(fileName_.begin(), std::min(fileName_.size(), buffer.size() - 1), buffer.begin());
  const std::wstring filters = FilterList(filter_);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Parent() ? Parent()->Hwnd() : nullptr;
  ofn.lpstrFilter = filters.empty() ? nullptr : filters.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0L));
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = initDir_.empty() ? nullptr : initDir_.c_str();
  ofn.lpstrTitle = dialogTitle_.empty() ? nullptr : dialogTitle_.c_str();
  ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  ofn.Flags = static_cast<DWORD>(flags_) | (oldStyleMultiple ? OFN_EXPLORER : 0);
  shownFlags_ = flags_;
  ++shown_;
  const BOOL chosen = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
  if (!chosen) {
    const DWORD code = ::CommDlgExtendedError();
    if (code == FNERR_BUFFERTOOSMALL) RaiseRuntimeError(20476, L"File name buffer too small");
    if (code != 0) RaiseRuntimeError(32751, L"Common dialog function failed");
    if (cancelError_) RaiseRuntimeError(kErrDialogCancelled, L"Cancel was selected.");
    return;
  }
  filterIndex_ = static_cast<long>(ofn.nFilterIndex);
  const std::vector<std::wstring> names = NamesOf(buffer);
  std::wstring folder;
  if (names.size() > 1) {
    // Several files: the folder, then the bare names.
    folder = names.front();
    std::wstring answer = oldStyleMultiple ? ShortPathOf(folder) : folder;
    for (size_t i = 1; i < names.size(); ++i) {
      answer += oldStyleMultiple ? L' ' : L'\0';
      answer += oldStyleMultiple ? ShortNameIn(folder, names[i]) : names[i];
    }
    fileName_ = answer;
    fileTitle_.clear();
  } else if (!names.empty()) {
    const std::wstring& path = names.front();
    fileName_ = oldStyleMultiple ? ShortPathOf(path) : path;
    fileTitle_ = path.substr(ofn.nFileOffset);
    folder = path.substr(0, ofn.nFileOffset);
  }
  if (!(flags_ & OFN_NOCHANGEDIR) && !folder.empty()) ::SetCurrentDirectoryW(folder.c_str());
}

}  // namespace kb::support
