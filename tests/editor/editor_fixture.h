// A loaded editor window for one test, with the thread's editor text and
// caption reset, the clipboard emptied, a scratch folder for files, and the
// message boxes and file dialogs it shows recorded and answered.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_editor.h"
#include "tests/editor/editor_driver.h"
#include "tests/support/apartment.h"
#include "tests/support/file_dialog.h"
#include "tests/support/msgbox_recorder.h"

namespace kb::editor::test {

// A small document with a plain, a bold and a centred part.
inline constexpr wchar_t kSampleRtf[] =
    L"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hej \\b verden\\b0\\par"
    L"\\qc Midt\\par}";

std::string ReadBytes(const std::wstring& path);
// The clipboard read and written with the system's own calls.
std::wstring ClipboardUnicode();
std::string ClipboardRtf();
void PutClipboardUnicode(const std::wstring& text);
void WriteBytes(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);

class EditorTest : public ::testing::Test {
 protected:
  EditorTest();
  ~EditorTest() override;

  // Hands the document and caption in, then loads and shows the window of
  // a new window object, as every showing of the editor has.
  void Open(std::wstring_view rtf = {}, std::wstring_view caption = {});
  std::wstring Path(std::wstring_view name) const { return folder_ + std::wstring(name); }
  static editor::EditorFeed& State() { return editor::ThisThreadFeed(); }
  // The message boxes shown, without the file dialogs.
  std::vector<support::DialogRecord> MessageBoxes() const;

  TextEditor& Form() { return *form_; }
  // The window as it is now (each load makes a new one).
  EditorDriver Ui() const { return EditorDriver(form_ ? form_->Hwnd() : nullptr); }

  support::Apartment apartment_;
  support::MsgBoxRecorder boxes_;
  support::FileDialogDriver files_{boxes_};
  std::optional<TextEditor> form_;  // goes before the recorder that answers its boxes
  std::wstring folder_;
};

}  // namespace kb::editor::test
