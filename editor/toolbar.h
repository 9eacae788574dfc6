// The editor's formatting toolbar: fifteen buttons reached by position or by
// key, each with the pressed value, mixed state and enabled state its owner
// reads and sets.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>
#include <string_view>

namespace kb::editor {

class Toolbar {
 public:
  static constexpr int kButtonCount = 15;
  // Buttons send WM_COMMAND with kFirstCommand + their position.
  static constexpr int kFirstCommand = 1000;

  // Creates the toolbar as a child of `parent` (bounds in pixels), its
  // buttons showing images of `images` (which must outlive the toolbar).
  void Create(HWND parent, int id, const RECT& bounds, HIMAGELIST images);
  HWND Hwnd() const { return hwnd_; }

  // Positions count from 0, separators included.
  int Find(std::wstring_view key) const;   // case-insensitive; raises kErrElementNotFound
  int IndexOfCommand(UINT command) const;  // -1 when no button sends it
  const std::wstring& Key(int index) const;
  void SetKey(int index, std::wstring key);
  std::wstring_view ToolTip(int index) const;
  bool IsSeparator(int index) const;
  bool IsTwoState(int index) const;

  // Pressed value of a two-state button: 1 pressed, 0 not.
  short Value(int index) const;
  void SetValue(int index, short value);
  bool Mixed(int index) const;
  void SetMixed(int index, bool mixed);
  bool Enabled(int index) const;
  void SetEnabled(int index, bool enabled);

 private:
  BYTE State(int index) const;
  void SetStateBit(int index, BYTE bit, bool on);

  HWND hwnd_ = nullptr;
  std::array<std::wstring, kButtonCount> keys_;
};

}  // namespace kb::editor
