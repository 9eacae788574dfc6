// Drives a loaded editor window the way a user does, with keys, clicks and
// selections sent to its controls as messages, and reads what it shows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "editor/text_editor.h"

namespace kb::editor::test {

struct ButtonState {
  bool pressed;
  bool mixed;
  bool enabled;
};

// The toolbar's buttons by key, in the order of the design.
int ButtonIndex(std::wstring_view key);

class EditorDriver {
 public:
  explicit EditorDriver(HWND window) : window_(window) {}

  HWND Window() const { return window_; }
  HWND Control(int id) const { return ::GetDlgItem(window_, id); }
  HWND Editor() const { return Control(kIdMessage); }

  // Each character as key down, character and key up.
  void Type(std::wstring_view text) const;
  // A key without a character of its own (arrows, Shift).
  void PressKey(UINT vk) const;
  // A mouse click on the middle of a toolbar button.
  void Click(std::wstring_view key) const { ClickAt(ButtonIndex(key)); }
  void ClickAt(int index) const;
  void ClickButton(int id) const;
  void Select(long start, long end) const;
  void SelectAll() const { Select(0, -1); }

  std::wstring Text() const;
  std::wstring Caption() const;
  ButtonState State(std::wstring_view key) const { return StateAt(ButtonIndex(key)); }
  ButtonState StateAt(int index) const;
  // The formatting at a character position (selection is restored).
  CHARFORMAT2W CharFormatAt(long position) const;
  WORD AlignmentAt(long position) const;

 private:
  HWND window_;
};

}  // namespace kb::editor::test
