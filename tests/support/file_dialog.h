// Answers the system's file dialogs (Open and Save As) that the code under
// test shows, through the message-box recorder's driver hook: each file
// dialog is read, then given the next queued answer (a name typed into its
// file name box and a filter chosen, or Cancel).  Other dialogs, such as
// the overwrite question, are left to the recorder.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/msgbox_recorder.h"

namespace kb::support {

struct FileDialogAnswer {
  std::wstring fileName;  // typed into the file name box
  int filterIndex = 0;    // counted from 1; 0 keeps the dialog's choice
  bool cancel = false;

  static FileDialogAnswer Cancel() { return {L"", 0, true}; }
};

struct FileDialogRecord {
  std::wstring title;
  std::vector<std::wstring> filters;  // the descriptions in the file type box
  std::wstring initialName;           // the file name box as the dialog opened
  bool readOnlyBoxShown = false;
};

class FileDialogDriver {
 public:
  // Installs itself as the recorder's driver; the recorder must outlive it.
  explicit FileDialogDriver(MsgBoxRecorder& recorder);
  FileDialogDriver(const FileDialogDriver&) = delete;
  FileDialogDriver& operator=(const FileDialogDriver&) = delete;
  ~FileDialogDriver();

  // Answers for the next file dialogs, in order; Cancel once they run out.
  void Answer(FileDialogAnswer answer) { answers_.push_back(std::move(answer)); }
  size_t PendingAnswers() const { return answers_.size(); }
  const std::vector<FileDialogRecord>& Records() const { return records_; }
  size_t Count() const { return records_.size(); }

 private:
  bool Drive(HWND dialog);

  MsgBoxRecorder& recorder_;
  std::deque<FileDialogAnswer> answers_;
  std::vector<FileDialogRecord> records_;
};

// Whether a dialog is a file dialog (it has a file name box).
bool IsFileDialog(HWND dialog);

}  // namespace kb::support
