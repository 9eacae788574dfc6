#include "editor/toolbar.h"

#include <commctrl.h>

#include "editor/toolbar_icons.h"
#include "runtime/errors.h"

namespace kb::editor {
namespace {

enum class Kind { kPush, kTwoState, kSeparator };

struct ButtonDesign {
  std::wstring_view key;
  std::wstring_view image;  // also the tool tip
  Kind kind;
};

constexpr std::array<ButtonDesign, Toolbar::kButtonCount> kDesign = {{
    {L"NEW", L"New", Kind::kPush},
    {L"OPEN", L"Open", Kind::kPush},
    {L"SAVE", L"Save", Kind::kPush},
    {L"", L"", Kind::kSeparator},
    {L"CUT", L"Cut", Kind::kPush},
    {L"COPY", L"Copy", Kind::kPush},
    {L"PASTE", L"Paste", Kind::kPush},
    {L"", L"", Kind::kSeparator},
    {L"BOLD", L"Bold", Kind::kTwoState},
    {L"ITALIC", L"Italic", Kind::kTwoState},
    {L"UNDERLINE", L"Underline", Kind::kTwoState},
    {L"", L"", Kind::kSeparator},
    {L"ALIGN LEFT", L"Align Left", Kind::kTwoState},
    {L"CENTER", L"Center", Kind::kTwoState},
    {L"ALIGN RIGHT", L"Align Right", Kind::kTwoState},
}};

bool SameKey(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void CheckIndex(int index) {
  if (index < 0 || index >= Toolbar::kButtonCount) Raise(kErrSubscript);
}

WPARAM Command(int index) { return static_cast<WPARAM>(Toolbar::kFirstCommand + index); }

}  // namespace

void Toolbar::Create(HWND parent, int id, const RECT& b, HIMAGELIST images) {
  hwnd_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                            b.left, b.top, b.right - b.left, b.bottom - b.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (!hwnd_) Raise(kErrOutOfMemory);
  ::SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  std::array<TBBUTTON, kButtonCount> buttons{};
  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonDesign& d = kDesign[static_cast<size_t>(i)];
    TBBUTTON& b = buttons[static_cast<size_t>(i)];
    b.idCommand = static_cast<int>(Command(i));
    b.fsState = TBSTATE_ENABLED;
    b.iString = -1;
    switch (d.kind) {
      case Kind::kSeparator: b.fsStyle = BTNS_SEP; break;
      case Kind::kTwoState:
        b.fsStyle = BTNS_CHECK;
        b.iBitmap = IconIndex(d.image);
        break;
      case Kind::kPush:
        b.fsStyle = BTNS_BUTTON;
        b.iBitmap = IconIndex(d.image);
        break;
    }
    keys_[static_cast<size_t>(i)] = d.key;
  }
  ::SendMessageW(hwnd_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

int Toolbar::Find(std::wstring_view key) const {
  for (int i = 0; i < kButtonCount; ++i) {
    if (!keys_[static_cast<size_t>(i)].empty() && SameKey(keys_[static_cast<size_t>(i)], key))
      return i;
  }
  Raise(kErrElementNotFound);
}

int Toolbar::IndexOfCommand(UINT command) const {
  const int index = static_cast<int>(command) - kFirstCommand;
  return index >= 0 && index < kButtonCount ? index : -1;
}

const std::wstring& Toolbar::Key(int index) const {
  CheckIndex(index);
  return keys_[static_cast<size_t>(index)];
}

void Toolbar::SetKey(int index, std::wstring key) {
  CheckIndex(index);
  keys_[static_cast<size_t>(index)] = std::move(key);
}

std::wstring_view Toolbar::ToolTip(int index) const {
  CheckIndex(index);
  return kDesign[static_cast<size_t>(index)].image;
}

bool Toolbar::IsSeparator(int index) const {
  CheckIndex(index);
  return kDesign[static_cast<size_t>(index)].kind == Kind::kSeparator;
}

bool Toolbar::IsTwoState(int index) const {
  CheckIndex(index);
  return kDesign[static_cast<size_t>(index)].kind == Kind::kTwoState;
}

short Toolbar::Value(int index) const { return (State(index) & TBSTATE_CHECKED) ? 1 : 0; }
void Toolbar::SetValue(int index, short value) { SetStateBit(index, TBSTATE_CHECKED, value != 0); }

bool Toolbar::Mixed(int index) const { return (State(index) & TBSTATE_INDETERMINATE) != 0; }
// The mixed look is a state of its own: the pressed value stays as it is.
void Toolbar::SetMixed(int index, bool mixed) { SetStateBit(index, TBSTATE_INDETERMINATE, mixed); }

bool Toolbar::Enabled(int index) const { return (State(index) & TBSTATE_ENABLED) != 0; }
void Toolbar::SetEnabled(int index, bool enabled) { SetStateBit(index, TBSTATE_ENABLED, enabled); }

BYTE Toolbar::State(int index) const {
  CheckIndex(index);
  const LRESULT state = ::SendMessageW(hwnd_, TB_GETSTATE, Command(index), 0);
  return state < 0 ? 0 : static_cast<BYTE>(state);
}

void Toolbar::SetStateBit(int index, BYTE bit, bool on) {
  const BYTE state = State(index);
  const BYTE wanted = on ? static_cast<BYTE>(state | bit) : static_cast<BYTE>(state & ~bit);
  if (wanted != state) ::SendMessageW(hwnd_, TB_SETSTATE, Command(index), MAKELPARAM(wanted, 0));
}

}  // namespace kb::editor
