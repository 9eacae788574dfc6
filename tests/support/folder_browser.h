// Answers the shell's folder browser that the code under test shows, through
// the message-box recorder's driver hook: the browser is read (its prompt
// and owner), then the next queued folder is chosen in it and OK pressed, or
// Cancel.  Other dialogs are left to the recorder.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/msgbox_recorder.h"

namespace kb::support {

struct FolderAnswer {
  std::wstring folder;  // chosen in the tree, as a path
  bool cancel = false;

  static FolderAnswer Cancel() { return {L"", true}; }
};

struct FolderBrowserRecord {
  std::wstring prompt;  // the text above the tree
  HWND owner = nullptr;
};

class FolderBrowserDriver {
 public:
  // Installs itself as the recorder's driver; the recorder must outlive it.
  explicit FolderBrowserDriver(MsgBoxRecorder& recorder);
  FolderBrowserDriver(const FolderBrowserDriver&) = delete;
  FolderBrowserDriver& operator=(const FolderBrowserDriver&) = delete;
  ~FolderBrowserDriver();

  // Answers for the next browsers, in order; Cancel once they run out.
  void Answer(FolderAnswer answer) { answers_.push_back(std::move(answer)); }
  const std::vector<FolderBrowserRecord>& Records() const { return records_; }

 private:
  bool Drive(HWND dialog);

  MsgBoxRecorder& recorder_;
  std::deque<FolderAnswer> answers_;
  std::vector<FolderBrowserRecord> records_;
};

}  // namespace kb::support
