// The common dialog component's file dialogs (Open and Save As), with the
// properties a caller sets before showing them and reads afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace kb::rt {

class FileDialog {
 public:
  // Set before showing.
  bool cancelError = false;
  std::wstring dialogTitle;
  // Pairs of description and pattern, separated by "|":
  // "Text files|*.txt|All files (*.*)|*.*".
  std::wstring filter;
  long flags = 0;  // OFN_* bits, passed as they are
  std::wstring initDir;
  std::wstring defaultExt;
  // In and out: the name the dialog starts with and the one the user chose.
  std::wstring fileName;
  // In and out: the chosen filter, counted from 1 (0 means the first).
  long filterIndex = 0;

  // Each shows the dialog modally for `owner`.  The user's choice lands in
  // fileName and filterIndex (and flags takes the bits the dialog returns).
  // Cancelling leaves them unchanged and, with cancelError, raises
  // kErrDialogCancelled; a dialog that cannot work with the settings raises
  // an error of its own.
  void ShowOpen(HWND owner);
  void ShowSave(HWND owner);

 private:
  void Show(HWND owner, bool save);
};

}  // namespace kb::rt
