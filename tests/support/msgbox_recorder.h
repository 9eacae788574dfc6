// Records and answers the dialogs (message boxes first of all) that the code
// under test shows on the current thread.
//
// A WH_CBT hook sees every dialog as it is activated.  Activation comes in
// the middle of the dialog's WM_INITDIALOG, before the buttons are placed
// and the default one is marked, so the recorder reads the dialog a moment
// later, from a thread timer that the dialog's own modal loop dispatches.
// It reads what the user would see, then answers by posting WM_COMMAND with
// a button id, so MessageBox returns that id.  A modeless dialog has no loop
// of its own: it is read and answered when the test pumps messages.
//
// The routines must show exact texts with exact styles, so the record keeps
// enough to deduce the MB_* style: the buttons, the default one and the icon.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/win_handles.h"

namespace kb::support {

struct DialogRecord {
  HWND hwnd = nullptr;  // no longer a window once the dialog has closed
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;                   // the message: static 0xFFFF
  std::vector<int> buttons;            // push button ids, left to right
  std::vector<std::wstring> captions;  // their texts, in the same order
  int defaultButton = 0;               // id of the default push button, 0 if none
  bool hasIcon = false;
  HICON icon = nullptr;
  // MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK, 0
  // for no icon; nullopt for an icon that is none of the system ones.
  std::optional<UINT> iconStyle = 0u;
  bool handledByDriver = false;
  int requested = 0;  // the answer the test asked for
  int answer = 0;     // the id posted; differs when `requested` was no button

  bool HasButton(int id) const;
  // MB_OK, MB_OKCANCEL, ... (| MB_HELP); nullopt for a set no message box has.
  std::optional<UINT> ButtonStyle() const;
  // MB_DEFBUTTON1..4 from the default button's position.
  UINT DefaultButtonStyle() const;
  // All three together; ~0u when a part cannot be deduced.
  UINT Style() const;
};

// Gets the first look at each dialog; returns true when it has dealt with
// the dialog itself (typed into it, posted its own answer), so the recorder
// neither answers it nor takes an answer from the queue.
using DialogDriver = std::function<bool(HWND dialog, const DialogRecord& record)>;

class MsgBoxRecorder {
 public:
  // Installs the hook on the calling thread.  One recorder per thread.
  MsgBoxRecorder();
  MsgBoxRecorder(const MsgBoxRecorder&) = delete;
  MsgBoxRecorder& operator=(const MsgBoxRecorder&) = delete;
  ~MsgBoxRecorder();

  // Answers for the next dialogs, in order.
  void Answer(int id) { answers_.push_back(id); }
  void Answer(std::initializer_list<int> ids) { answers_.insert(answers_.end(), ids); }
  size_t PendingAnswers() const { return answers_.size(); }
  // Used once the queue is empty; IDOK unless set.  A dialog without that
  // button gets IDCANCEL when it has one (what closing it would give), else
  // its first button.
  void SetDefaultAnswer(int id) { defaultAnswer_ = id; }
  void SetDriver(DialogDriver driver) { driver_ = std::move(driver); }

  const std::vector<DialogRecord>& Records() const { return records_; }
  size_t Count() const { return records_.size(); }
  // The last record; throws std::out_of_range when nothing was shown.
  const DialogRecord& Last() const;
  void Clear() { records_.clear(); }

  // For drivers: press a button of a dialog the way a click does.
  static void PostCommand(HWND dialog, int id);

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp);
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void OnActivate(HWND hwnd);
  void OnTimer(UINT_PTR id);
  void Handle(HWND hwnd);
  int ChooseAnswer(DialogRecord& r);

  struct Pending {
    UINT_PTR timer;
    HWND dialog;
  };

  Hook hook_;
  std::deque<int> answers_;
  int defaultAnswer_ = IDOK;
  DialogDriver driver_;
  std::vector<DialogRecord> records_;
  std::vector<HWND> seen_;  // dialogs already handled, until they are destroyed
  std::vector<Pending> pending_;
};

// The text of a window or of a dialog item, of any length.
std::wstring WindowText(HWND hwnd);
std::wstring ItemText(HWND dialog, int id);
std::wstring ClassName(HWND hwnd);

}  // namespace kb::support
