#include "tests/support/file_dialog.h"

#include <utility>

namespace kb::support {
namespace {

// Control ids of the system's file dialogs.
constexpr int kFileNameBox = 0x47c;     // explorer style (cmb13)
constexpr int kOldFileNameBox = 0x480;  // old style (edt1)
constexpr int kFileTypeBox = 0x470;     // cmb1
constexpr int kReadOnlyBox = 0x410;     // chx1

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND child, LPARAM lp) {
  auto& s = *reinterpret_cast<Search*>(lp);
  if (::GetDlgCtrlID(child) != s.id) return TRUE;
  s.found = child;
  return FALSE;
}

// Controls may sit inside others (the name box inside a combo box).
HWND FindControl(HWND dialog, int id) {
  Search search{id, nullptr};
  ::EnumChildWindows(dialog, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FileNameBox(HWND dialog) {
  HWND box = FindControl(dialog, kFileNameBox);
  return box ? box : FindControl(dialog, kOldFileNameBox);
}

std::vector<std::wstring> Filters(HWND dialog) {
  std::vector<std::wstring> filters;
  HWND combo = ::GetDlgItem(dialog, kFileTypeBox);
  if (!combo) return filters;
  const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length < 0 ? 0 : length));
    filters.push_back(std::move(item));
  }
  return filters;
}

void ChooseFilter(HWND dialog, int filterIndex) {
  HWND combo = ::GetDlgItem(dialog, kFileTypeBox);
  if (!combo || filterIndex <= 0) return;
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(filterIndex - 1), 0);
  // A user's choice reaches the dialog as these notifications.
  for (WORD code : {CBN_SELENDOK, CBN_SELCHANGE}) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeBox, code),
                   reinterpret_cast<LPARAM>(combo));
  }
}

}  // namespace

bool IsFileDialog(HWND dialog) { return FileNameBox(dialog) != nullptr; }

FileDialogDriver::FileDialogDriver(MsgBoxRecorder& recorder) : recorder_(recorder) {
  recorder_.SetDriver([this](HWND dialog, const DialogRecord&) { return Drive(dialog); });
}

FileDialogDriver::~FileDialogDriver() { recorder_.SetDriver(nullptr); }

bool FileDialogDriver::Drive(HWND dialog) {
  HWND nameBox = FileNameBox(dialog);
  if (!nameBox) return false;
  FileDialogRecord record;
  record.title = WindowText(dialog);
  record.filters = Filters(dialog);
  record.initialName = WindowText(nameBox);
  HWND readOnly = ::GetDlgItem(dialog, kReadOnlyBox);
  record.readOnlyBoxShown = readOnly && (::GetWindowLongW(readOnly, GWL_STYLE) & WS_VISIBLE);
  records_.push_back(std::move(record));

  FileDialogAnswer answer = FileDialogAnswer::Cancel();
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  if (answer.cancel) {
    MsgBoxRecorder::PostCommand(dialog, IDCANCEL);
    return true;
  }
  ChooseFilter(dialog, answer.filterIndex);
  ::SetWindowTextW(nameBox, answer.fileName.c_str());
  MsgBoxRecorder::PostCommand(dialog, IDOK);
  return true;
}

}  // namespace kb::support
