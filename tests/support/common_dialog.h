// The client's common dialog control: a windowless control whose ShowOpen
// and ShowSave show the system's file dialogs (answered in tests by the
// FileDialogDriver of file_dialog.h) with the settings made on it, and
// leave the user's choice in FileName, as the client's control does.
//
// Members: CancelError, DefaultExt, DialogTitle, FileName, FileTitle,
// Filter ("description|pattern|..."), FilterIndex, Flags (the OFN_* values),
// InitDir, MaxFileSize, ShowOpen, ShowSave, and those of every control.
//
// A multiple selection without the explorer style comes back as the real
// control gives it: the folder and the short names of the chosen files, each
// after one space ("C:\DATA A_LO~1.TXT B.TXT"); one chosen file comes back as
// its whole short path.  This platform's dialog of that style chooses one
// file only, so the model shows the explorer style and answers in the older
// form.  Unless OFN_NOCHANGEDIR is set, the chosen folder becomes the
// current one.  A cancelled dialog leaves FileName as it was and, with
// CancelError, fails with 32755.
#pragma once

#include <optional>
#include <string>

#include "tests/support/forms.h"

namespace kb::support {

struct CommonDialogOptions {
  std::optional<short> index;
};

class CommonDialog : public Control {
 public:
  CommonDialog(Form& parent, std::wstring name, const CommonDialogOptions& options = {});
  const std::wstring& FileName() const { return fileName_; }
  long Flags() const { return flags_; }
  // The flags and title the last dialog was shown with, and how many were.
  long ShownFlags() const { return shownFlags_; }
  int Shown() const { return shown_; }

 private:
  void Show(bool save);

  bool cancelError_ = false;
  std::wstring defaultExt_;
  std::wstring dialogTitle_;
  std::wstring fileName_;
  std::wstring fileTitle_;
  std::wstring filter_;
  long filterIndex_ = 0;
  long flags_ = 0;
  std::wstring initDir_;
  long maxFileSize_ = 260;
  long shownFlags_ = 0;
  int shown_ = 0;
};

// The short (8.3) form of an existing path; the path itself when the system
// has none.
std::wstring ShortPathOf(const std::wstring& path);

}  // namespace kb::support
