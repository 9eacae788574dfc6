#include "tests/support/msgbox_recorder.h"

#include <algorithm>
#include <stdexcept>

namespace kb::support {
namespace {

thread_local MsgBoxRecorder* tActive = nullptr;

constexpr int kMessageStaticId = 0xFFFF;

struct Button {
  int id;
  LONG left;
  std::wstring caption;
  bool isDefault;
};

bool IsPushButton(HWND child) {
  if (ClassName(child) != L"Button") return false;
  LONG kind = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

bool IsIconStatic(HWND child) {
  return ClassName(child) == L"Static" &&
         (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// The dialog is not shown yet when it is activated, so visibility is read
// from the style bit rather than from IsWindowVisible.
bool HasVisibleStyle(HWND child) { return ::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE; }

struct Scan {
  HWND dialog = nullptr;
  std::vector<Button> buttons;
  HICON icon = nullptr;
  bool hasIcon = false;
};

BOOL CALLBACK ScanChild(HWND child, LPARAM lp) {
  auto& scan = *reinterpret_cast<Scan*>(lp);
  if (::GetAncestor(child, GA_PARENT) != scan.dialog || !HasVisibleStyle(child)) return TRUE;
  if (IsPushButton(child)) {
    RECT r{};
    ::GetWindowRect(child, &r);
    bool isDefault = (::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    scan.buttons.push_back({::GetDlgCtrlID(child), r.left, WindowText(child), isDefault});
  } else if (IsIconStatic(child)) {
    scan.hasIcon = true;
    scan.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
  }
  return TRUE;
}

// The system icons are shared: while the box is up, LoadIcon hands out the
// very handle the box put into its static.
std::optional<UINT> IconKind(bool hasIcon, HICON icon) {
  if (!hasIcon) return 0u;
  struct Kind {
    LPCWSTR resource;
    UINT style;
  };
  static const Kind kKinds[] = {
      {IDI_HAND, MB_ICONHAND},
      {IDI_QUESTION, MB_ICONQUESTION},
      {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
      {IDI_ASTERISK, MB_ICONASTERISK},
  };
  for (const Kind& k : kKinds) {
    if (::LoadIconW(nullptr, k.resource) == icon) return k.style;
  }
  return std::nullopt;
}

int DefaultId(HWND dialog, const std::vector<Button>& buttons) {
  for (const Button& b : buttons) {
    if (b.isDefault) return b.id;
  }
  LRESULT def = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : 0;
}

DialogRecord Read(HWND dialog) {
  DialogRecord r;
  r.hwnd = dialog;
  r.owner = ::GetWindow(dialog, GW_OWNER);
  r.title = WindowText(dialog);
  if (::GetDlgItem(dialog, kMessageStaticId)) r.text = ItemText(dialog, kMessageStaticId);
  Scan scan;
  scan.dialog = dialog;
  ::EnumChildWindows(dialog, ScanChild, reinterpret_cast<LPARAM>(&scan));
  std::stable_sort(scan.buttons.begin(), scan.buttons.end(),
                   [](const Button& a, const Button& b) { return a.left < b.left; });
  for (const Button& b : scan.buttons) {
    r.buttons.push_back(b.id);
    r.captions.push_back(b.caption);
  }
  r.defaultButton = DefaultId(dialog, scan.buttons);
  r.hasIcon = scan.hasIcon && scan.icon;
  r.icon = scan.icon;
  r.iconStyle = IconKind(r.hasIcon, r.icon);
  return r;
}

}  // namespace

// ------------------------------------------------------------- DialogRecord

bool DialogRecord::HasButton(int id) const {
  return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
}

std::optional<UINT> DialogRecord::ButtonStyle() const {
  std::vector<int> ids = buttons;
  UINT help = 0;
  if (auto it = std::find(ids.begin(), ids.end(), IDHELP); it != ids.end()) {
    ids.erase(it);
    help = MB_HELP;
  }
  std::sort(ids.begin(), ids.end());
  struct Set {
    std::vector<int> ids;
    UINT style;
  };
  static const Set kSets[] = {
      {{IDOK}, MB_OK},
      {{IDOK, IDCANCEL}, MB_OKCANCEL},
      {{IDABORT, IDRETRY, IDIGNORE}, MB_ABORTRETRYIGNORE},
      {{IDCANCEL, IDYES, IDNO}, MB_YESNOCANCEL},
      {{IDYES, IDNO}, MB_YESNO},
      {{IDCANCEL, IDRETRY}, MB_RETRYCANCEL},
      {{IDCANCEL, IDTRYAGAIN, IDCONTINUE}, MB_CANCELTRYCONTINUE},
  };
  for (const Set& s : kSets) {
    if (s.ids == ids) return s.style | help;
  }
  return std::nullopt;
}

UINT DialogRecord::DefaultButtonStyle() const {
  auto it = std::find(buttons.begin(), buttons.end(), defaultButton);
  if (it == buttons.end()) return MB_DEFBUTTON1;
  return static_cast<UINT>(it - buttons.begin()) * MB_DEFBUTTON2;
}

UINT DialogRecord::Style() const {
  auto b = ButtonStyle();
  auto i = iconStyle;
  if (!b || !i) return ~0u;
  return *b | *i | DefaultButtonStyle();
}

// ----------------------------------------------------------- MsgBoxRecorder

MsgBoxRecorder::MsgBoxRecorder() {
  if (tActive) throw std::logic_error("a MsgBoxRecorder is already active on this thread");
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, HookProc, nullptr, ::GetCurrentThreadId());
  if (!hook) throw std::runtime_error("SetWindowsHookEx(WH_CBT) failed");
  hook_ = Hook(hook);
  tActive = this;
}

MsgBoxRecorder::~MsgBoxRecorder() {
  for (const Pending& p : pending_) ::KillTimer(nullptr, p.timer);
  tActive = nullptr;
}

const DialogRecord& MsgBoxRecorder::Last() const {
  if (records_.empty()) throw std::out_of_range("no dialog was shown");
  return records_.back();
}

void MsgBoxRecorder::PostCommand(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

LRESULT CALLBACK MsgBoxRecorder::HookProc(int code, WPARAM wp, LPARAM lp) {
  if (MsgBoxRecorder* self = tActive) {
    HWND hwnd = reinterpret_cast<HWND>(wp);
    if (code == HCBT_ACTIVATE && ClassName(hwnd) == L"#32770") self->OnActivate(hwnd);
    if (code == HCBT_DESTROYWND) std::erase(self->seen_, hwnd);
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

void CALLBACK MsgBoxRecorder::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  if (MsgBoxRecorder* self = tActive) self->OnTimer(id);
}

void MsgBoxRecorder::OnActivate(HWND hwnd) {
  // A dialog is activated again when a window above it goes away; it was
  // answered the first time.
  if (std::find(seen_.begin(), seen_.end(), hwnd) != seen_.end()) return;
  seen_.push_back(hwnd);
  UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, TimerProc);
  if (timer) {
    pending_.push_back({timer, hwnd});
  } else {
    Handle(hwnd);  // read it half-initialised rather than leave it hanging
  }
}

void MsgBoxRecorder::OnTimer(UINT_PTR id) {
  ::KillTimer(nullptr, id);
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [id](const Pending& p) { return p.timer == id; });
  if (it == pending_.end()) return;
  HWND dialog = it->dialog;
  pending_.erase(it);
  if (::IsWindow(dialog)) Handle(dialog);
}

void MsgBoxRecorder::Handle(HWND hwnd) {
  DialogRecord r = Read(hwnd);
  r.handledByDriver = driver_ && driver_(hwnd, r);
  if (!r.handledByDriver) {
    r.answer = ChooseAnswer(r);
    PostCommand(hwnd, r.answer);
  }
  records_.push_back(std::move(r));
}

int MsgBoxRecorder::ChooseAnswer(DialogRecord& r) {
  if (answers_.empty()) {
    r.requested = defaultAnswer_;
  } else {
    r.requested = answers_.front();
    answers_.pop_front();
  }
  if (r.HasButton(r.requested)) return r.requested;
  if (r.HasButton(IDCANCEL)) return IDCANCEL;
  return r.buttons.empty() ? IDCANCEL : r.buttons.front();
}

// ------------------------------------------------------------------ helpers

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  int length = ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(length, 0)));
  return text;
}

std::wstring ItemText(HWND dialog, int id) {
  HWND item = ::GetDlgItem(dialog, id);
  if (!item) return {};
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
  UINT length = ::GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
  text.resize(length);
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256];
  int length = ::GetClassNameW(hwnd, name, 256);
  return std::wstring(name, static_cast<size_t>(std::max(length, 0)));
}

}  // namespace kb::support
