// frmTextEditor: the library's private rich-text editor window.  Whoever
// shows it feeds it through the thread's editor text and caption and reads
// the edited document back from the editor text after it has closed.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <vector>

#include "editor/rich_text_box.h"
#include "editor/toolbar.h"
#include "editor/toolbar_icons.h"
#include "runtime/common_dialog.h"
#include "runtime/handles.h"

namespace kb::editor {

inline constexpr wchar_t kEditorWindowClass[] = L"KitbagTextEditor";

// What the thread's editor window is fed with and hands back: the document
// (rich text) and the window's caption.  OK leaves the edited document in
// `text`.
struct EditorFeed {
  Bstr text;
  Bstr caption;
};
EditorFeed& ThisThreadFeed();

// Ids of the window's controls.
enum ControlId : int {
  kIdToolbar = 100,  // tol_bar
  kIdMessage = 101,  // edtMessage
  kIdOk = 102,       // cmdOK
  kIdCancel = 103,   // cmdCancel
};

// The texts of the editor's dialogs.
inline constexpr wchar_t kSaveQuestion[] = L"Skal ændrigerne gemmes?";
inline constexpr wchar_t kSaveQuestionTitle[] = L"Gem ændringer...";
inline constexpr unsigned kSaveQuestionStyle = MB_YESNOCANCEL | MB_ICONEXCLAMATION;  // 51
inline constexpr wchar_t kSaveAsTitle[] = L"Gem som...";
inline constexpr wchar_t kOpenTitle[] = L"Åbn...";
inline constexpr wchar_t kFileFilter[] = L"Tekstfiler|*.txt|RTF-Filer|*.rtf|Alle Filer (*.*)|*.*";
// Prompt before overwriting, no read-only box, keep the current folder, the
// path must exist, long file names.
inline constexpr long kSaveAsFlags = 2099214;  // 0x20080E
// The same for opening, where the file must exist as well.
inline constexpr long kOpenFlags = (kSaveAsFlags & ~OFN_OVERWRITEPROMPT) | OFN_FILEMUSTEXIST;

// The window object.  Its members (text snapshot, file name, has-file flag
// and file type) live as long as the object; ShowTextEditor uses a new one
// for every showing, so no showing saves over another showing's file.
class TextEditor {
 public:
  TextEditor() = default;
  TextEditor(const TextEditor&) = delete;
  TextEditor& operator=(const TextEditor&) = delete;
  ~TextEditor();

  // Creates the window (hidden) for `owner` and runs its load steps.
  // Loading a loaded window does nothing.
  void Load(HWND owner);
  // Shows the loaded window and gives the editor the focus.
  void Show();
  // Shows the loaded window modally: the thread's other windows are
  // disabled until it is unloaded, and the call returns then.
  void ShowModal();
  // Closes the window; the window object and its members stay.
  void Unload();
  bool IsLoaded() const { return hwnd_ != nullptr; }

  HWND Hwnd() const { return hwnd_; }
  Toolbar& Bar() { return bar_; }
  const RichTextBox& Box() const { return box_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnNotify(const NMHDR& header, LPARAM lp);
  void CreateControls();
  std::vector<HWND> TabStopControls() const;
  bool HasTabStops() const;
  void RunMessageLoop();
  void DisableOtherWindows();
  void EnableOtherWindows();

  // Event handlers.
  void FormLoad();
  void OkClick();
  void CancelClick();
  void EditorGotFocus();
  void EditorLostFocus();
  void EditorKeyDown();
  void EditorSelChange();
  void ButtonClick(int index);

  // Toolbar actions; false where the user chose to stay where he was.
  bool NewDocument();
  bool OpenDocument();
  void SaveClick();
  void CopySelection();
  void PasteClipboard();
  void ShowEffect(const wchar_t* key, std::optional<bool> on);

  // Offers to save a changed document; false when the user cancels.
  bool SaveChangesFirst();
  // Writes the document, asking for a file first when askForFile is True;
  // false when no file was chosen.
  bool SaveDocument(bool& askForFile);
  long SavedFormat() const;

  HWND hwnd_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND lastFocus_ = nullptr;
  ImageList icons_;
  Toolbar bar_;
  RichTextBox box_;
  rt::FileDialog dialog_;
  std::vector<HWND> disabled_;

  // The window state.
  std::wstring snapshot_;
  std::wstring fileName_;
  bool hasFile_ = false;
  float fileType_ = 0;
};

// Loads frmTextEditor for `owner` and shows it modally; returns once it has
// closed.  The thread's editor text then holds the document as RTF when the
// user pressed OK and is untouched otherwise.  Raises run-time error 400
// when the thread is already showing the editor.
void ShowTextEditor(HWND owner);

}  // namespace kb::editor
