#include "tests/editor/editor_driver.h"

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include "tests/support/msgbox_recorder.h"

namespace kb::editor::test {
namespace {

void Key(HWND target, UINT vk, bool down) {
  const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  LPARAM lp = 1 | static_cast<LPARAM>(scan << 16);
  if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
  ::SendMessageW(target, down ? WM_KEYDOWN : WM_KEYUP, vk, lp);
}

constexpr std::wstring_view kKeys[] = {
    L"NEW",  L"OPEN",   L"SAVE",      L"", L"CUT",        L"COPY",   L"PASTE",      L"",
    L"BOLD", L"ITALIC", L"UNDERLINE", L"", L"ALIGN LEFT", L"CENTER", L"ALIGN RIGHT"};

}  // namespace

int ButtonIndex(std::wstring_view key) {
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    if (!key.empty() && kKeys[i] == key) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no button keyed " << std::string(key.begin(), key.end());
  return 0;
}

void EditorDriver::Type(std::wstring_view text) const {
  HWND editor = Editor();
  for (wchar_t c : text) {
    const SHORT scan = ::VkKeyScanW(c);
    const UINT vk = c == L'\r' ? VK_RETURN : (scan == -1 ? VK_PACKET : LOBYTE(scan));
    Key(editor, vk, true);
    ::SendMessageW(editor, WM_CHAR, c, 1);
    Key(editor, vk, false);
  }
}

void EditorDriver::PressKey(UINT vk) const {
  Key(Editor(), vk, true);
  Key(Editor(), vk, false);
}

void EditorDriver::ClickAt(int index) const {
  HWND bar = Control(kIdToolbar);
  RECT r{};
  ::SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ::SendMessageW(bar, WM_MOUSEMOVE, 0, at);
  ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(bar, WM_LBUTTONUP, 0, at);
}

void EditorDriver::ClickButton(int id) const { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }

void EditorDriver::Select(long start, long end) const {
  CHARRANGE range{start, end};
  ::SendMessageW(Editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

std::wstring EditorDriver::Text() const { return support::WindowText(Editor()); }
std::wstring EditorDriver::Caption() const { return support::WindowText(Window()); }

ButtonState EditorDriver::StateAt(int index) const {
  TBBUTTON button{};
  ::SendMessageW(Control(kIdToolbar), TB_GETBUTTON, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&button));
  const BYTE state = button.fsState;
  return {(state & TBSTATE_CHECKED) != 0, (state & TBSTATE_INDETERMINATE) != 0,
          (state & TBSTATE_ENABLED) != 0};
}

CHARFORMAT2W EditorDriver::CharFormatAt(long position) const {
  CHARRANGE saved{};
  ::SendMessageW(Editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  Select(position, position + 1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  ::SendMessageW(Editor(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  Select(saved.cpMin, saved.cpMax);
  return format;
}

WORD EditorDriver::AlignmentAt(long position) const {
  CHARRANGE saved{};
  ::SendMessageW(Editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  Select(position, position);
  PARAFORMAT2 format{};
  format.cbSize = sizeof format;
  ::SendMessageW(Editor(), EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  Select(saved.cpMin, saved.cpMax);
  return format.wAlignment;
}

}  // namespace kb::editor::test
