#include "editor/text_editor.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <new>
#include <utility>

#include "editor/document_file.h"
#include "runtime/app.h"
#include "runtime/clipboard.h"
#include "runtime/errors.h"
#include "runtime/msgbox.h"
#include "runtime/text.h"
#include "runtime/thread_state.h"

namespace kb::editor {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME;
constexpr UINT_PTR kEditorSubclassId = 1;

// The design, in twips.
constexpr long kClientWidth = 6375;
constexpr long kClientHeight = 5070;
struct TwipsBounds {
  long left, top, width, height;
};
constexpr TwipsBounds kToolbarBounds = {0, 0, 6375, 420};
constexpr TwipsBounds kMessageBounds = {0, 450, 6375, 4095};
constexpr TwipsBounds kOkBounds = {3495, 4635, 1335, 375};
constexpr TwipsBounds kCancelBounds = {4935, 4635, 1335, 375};
constexpr wchar_t kFontFace[] = L"Arial";
constexpr long kFontHeightTwips = 195;  // 9.75 points
constexpr long kWrapInset = 150;

thread_local TextEditor* tShowing = nullptr;

RECT ToPixels(const TwipsBounds& b) {
  const int left = TwipsToPixelsX(b.left);
  const int top = TwipsToPixelsY(b.top);
  return {left, top, left + TwipsToPixelsX(b.width), top + TwipsToPixelsY(b.height)};
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Errors in the window's handlers are shown to the user; the window and
// the program that shows it carry on.
void Report(const Error& error) noexcept {
  try {
    rt::MsgBox(L"Fejl " + std::to_wstring(error.Number()) + L": " + error.Description(),
               MB_OK | MB_ICONHAND);
  } catch (...) {
    // Nobody can be told (no desktop to show a box on): the error is dropped.
  }
}

void Report(long number) noexcept {
  try {
    Report(Error(number));
  } catch (...) {
  }
}

template <class Fn>
void Guarded(Fn&& handler) noexcept {
  try {
    handler();
  } catch (const Error& e) {
    Report(e);
  } catch (const std::bad_alloc&) {
    Report(kErrOutOfMemory);
  } catch (...) {
    Report(kErrInternal);
  }
}

void RegisterWindowClass(WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = rt::ThisModule();
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kEditorWindowClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    Raise(kErrOutOfMemory);
}

// The window, centred on its owner (or on the screen), with the design's
// client area; `self` arrives with its first message.
HWND CreateFrame(HWND owner, TextEditor* self) {
  RECT frame{0, 0, TwipsToPixelsX(kClientWidth), TwipsToPixelsY(kClientHeight)};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  if (!owner || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area))
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int x = std::max(0L, area.left + (area.right - area.left - width) / 2);
  const int y = std::max(0L, area.top + (area.bottom - area.top - height) / 2);
  HWND hwnd = ::CreateWindowExW(kWindowExStyle, kEditorWindowClass, L"Form1", kWindowStyle, x, y,
                                width, height, owner, nullptr, rt::ThisModule(), self);
  if (!hwnd) Raise(kErrOutOfMemory);
  return hwnd;
}

HWND CreateButton(HWND parent, int id, const wchar_t* caption, const TwipsBounds& bounds) {
  const RECT b = ToPixels(bounds);
  HWND button =
      ::CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                        b.left, b.top, b.right - b.left, b.bottom - b.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (!button) Raise(kErrOutOfMemory);
  ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  return button;
}

void SetTabStop(HWND control, bool on) {
  const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
  const LONG_PTR wanted = on ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  if (wanted != style) ::SetWindowLongPtrW(control, GWL_STYLE, wanted);
}

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM lp) {
  auto& found = *reinterpret_cast<std::vector<HWND>*>(lp);
  if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) found.push_back(hwnd);
  return TRUE;
}

}  // namespace

// ------------------------------------------------------------ window life

EditorFeed& ThisThreadFeed() {
  static rt::PerThread<EditorFeed> feeds;
  return feeds.Get();
}

TextEditor::~TextEditor() { Unload(); }

void TextEditor::Load(HWND owner) {
  if (IsLoaded()) return;
  ::INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  RegisterWindowClass(WindowProc);
  try {
    hwnd_ = CreateFrame(owner, this);
    CreateControls();
    FormLoad();
  } catch (...) {
    Unload();
    throw;
  }
}

void TextEditor::CreateControls() {
  icons_ = CreateToolbarIcons();
  bar_.Create(hwnd_, kIdToolbar, ToPixels(kToolbarBounds), icons_.Get());
  box_ = RichTextBox(RichTextBox::Create(hwnd_, kIdMessage, ToPixels(kMessageBounds)));
  box_.SetFont(kFontFace, kFontHeightTwips);
  ::SetWindowSubclass(box_.Hwnd(), EditorProc, kEditorSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  ok_ = CreateButton(hwnd_, kIdOk, L"OK", kOkBounds);
  cancel_ = CreateButton(hwnd_, kIdCancel, L"Cancel", kCancelBounds);
}

void TextEditor::Show() {
  if (!IsLoaded()) return;
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  ::SetActiveWindow(hwnd_);
  box_.SetFocus();
}

void TextEditor::ShowModal() {
  if (!IsLoaded()) return;
  DisableOtherWindows();
  Show();
  RunMessageLoop();
}

void TextEditor::Unload() {
  if (!IsLoaded()) return;
  // The owner comes back first, so that it, not some other program, is
  // activated when this window goes.
  EnableOtherWindows();
  HWND hwnd = std::exchange(hwnd_, nullptr);
  ::DestroyWindow(hwnd);
  ok_ = cancel_ = lastFocus_ = nullptr;
  box_ = RichTextBox();
  bar_ = Toolbar();
  icons_.Reset();
  // Fails while another thread shows an editor, which keeps the class.
  ::UnregisterClassW(kEditorWindowClass, rt::ThisModule());
}

void TextEditor::RunMessageLoop() {
  MSG msg;
  while (IsLoaded()) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The program is ending: close, and leave the quit to its own loop.
      Unload();
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // Tab, arrow and button keys move between the controls while any of
    // them is a tab stop; while the editor has the focus none is, and the
    // editor gets Tab itself.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && HasTabStops() &&
        ::IsDialogMessageW(hwnd_, &msg))
      continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void TextEditor::DisableOtherWindows() {
  std::vector<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) {
    if (w != hwnd_ && ::EnableWindow(w, FALSE) == FALSE) disabled_.push_back(w);
  }
}

void TextEditor::EnableOtherWindows() {
  for (HWND w : disabled_) {
    if (::IsWindow(w)) ::EnableWindow(w, TRUE);
  }
  disabled_.clear();
}

std::vector<HWND> TextEditor::TabStopControls() const {
  // The toolbar never takes the focus and has no tab stop to set.
  return {box_.Hwnd(), ok_, cancel_};
}

bool TextEditor::HasTabStops() const {
  const auto controls = TabStopControls();
  return std::any_of(controls.begin(), controls.end(),
                     [](HWND c) { return c && (::GetWindowLongPtrW(c, GWL_STYLE) & WS_TABSTOP); });
}

// ------------------------------------------------------ message routing

LRESULT CALLBACK TextEditor::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
    auto* self = static_cast<TextEditor*>(create->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<TextEditor*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return ::DefWindowProcW(hwnd, msg, wp, lp);
  return self->OnMessage(msg, wp, lp);
}

LRESULT TextEditor::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const HWND from = reinterpret_cast<HWND>(lp);
      if (from && from == bar_.Hwnd()) {
        const int index = bar_.IndexOfCommand(static_cast<UINT>(id));
        if (index >= 0) Guarded([&] { ButtonClick(index); });
      } else if (HIWORD(wp) == BN_CLICKED && id == kIdOk) {
        Guarded([&] { OkClick(); });
      } else if (HIWORD(wp) == BN_CLICKED && id == kIdCancel) {
        Guarded([&] { CancelClick(); });
      }
      return 0;
    }
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp), lp);
    case WM_ACTIVATE:
      // Like a dialog, the window gives the focus back to the control that
      // had it, so closing a message box does not leave the editor.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && ::IsWindow(lastFocus_) && !HIWORD(wp)) {
        ::SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE: Guarded([&] { Unload(); }); return 0;
    default: break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT TextEditor::OnNotify(const NMHDR& header, LPARAM lp) {
  if (header.hwndFrom == box_.Hwnd() && header.code == EN_SELCHANGE) {
    Guarded([&] { EditorSelChange(); });
    return 0;
  }
  if (header.code == TBN_GETINFOTIPW) {
    auto& tip = *reinterpret_cast<NMTBGETINFOTIPW*>(lp);
    const int index = bar_.IndexOfCommand(static_cast<UINT>(tip.iItem));
    if (index >= 0 && tip.pszText && tip.cchTextMax > 0) {
      ::lstrcpynW(tip.pszText, bar_.ToolTip(index).data(), tip.cchTextMax);
    }
    return 0;
  }
  if (header.code == TTN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lp);
    const int index = bar_.IndexOfCommand(static_cast<UINT>(info.hdr.idFrom));
    if (index >= 0) {
      ::lstrcpynW(info.szText, bar_.ToolTip(index).data(),
                  static_cast<int>(std::size(info.szText)));
      info.lpszText = info.szText;
    }
    return 0;
  }
  return ::DefWindowProcW(hwnd_, WM_NOTIFY, header.idFrom, lp);
}

LRESULT CALLBACK TextEditor::EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR data) {
  auto* self = reinterpret_cast<TextEditor*>(data);
  // Nothing of the window's own runs while it is being taken down.
  if (!self->IsLoaded()) return ::DefSubclassProc(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Before the key has its effect.
      Guarded([&] { self->EditorKeyDown(); });
      break;
    case WM_SETFOCUS: {
      const LRESULT r = ::DefSubclassProc(hwnd, msg, wp, lp);
      Guarded([&] { self->EditorGotFocus(); });
      return r;
    }
    case WM_KILLFOCUS: {
      const LRESULT r = ::DefSubclassProc(hwnd, msg, wp, lp);
      Guarded([&] { self->EditorLostFocus(); });
      return r;
    }
    case WM_NCDESTROY: ::RemoveWindowSubclass(hwnd, EditorProc, kEditorSubclassId); break;
    default: break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// ------------------------------------------------------------- handlers

void TextEditor::FormLoad() {
  const EditorFeed& feed = ThisThreadFeed();
  if (feed.text.Length() != 0) {
    box_.SetTextRtf(feed.text.View());
    ::SetWindowTextW(hwnd_, std::wstring(feed.caption.View()).c_str());
  }
  box_.SetRightMargin(box_.Width() - kWrapInset);
}

void TextEditor::OkClick() {
  Bstr document(box_.TextRtf());
  ThisThreadFeed().text = std::move(document);
  Unload();
}

void TextEditor::CancelClick() { Unload(); }

// While the editor has the focus no control is a tab stop, so Tab stays in
// the text.
void TextEditor::EditorGotFocus() {
  for (int i = 0; i < Toolbar::kButtonCount; ++i) bar_.SetEnabled(i, true);
  for (HWND control : TabStopControls()) SetTabStop(control, false);
}

void TextEditor::EditorLostFocus() {
  for (int i = 0; i < Toolbar::kButtonCount; ++i) bar_.SetEnabled(i, false);
  for (HWND control : TabStopControls()) SetTabStop(control, true);
}

void TextEditor::EditorKeyDown() { snapshot_ = box_.Text(); }

void TextEditor::EditorSelChange() {
  for (const wchar_t* key : {L"BOLD", L"ITALIC", L"UNDERLINE"})
    bar_.SetMixed(bar_.Find(key), false);
  if (const auto alignment = box_.SelAlignment()) {
    bar_.SetValue(bar_.Find(L"ALIGN LEFT"), *alignment == kAlignLeft);
    bar_.SetValue(bar_.Find(L"CENTER"), *alignment == kAlignCenter);
    bar_.SetValue(bar_.Find(L"ALIGN RIGHT"), *alignment == kAlignRight);
  }
  ShowEffect(L"BOLD", box_.SelBold());
  ShowEffect(L"ITALIC", box_.SelItalic());
  ShowEffect(L"UNDERLINE", box_.SelUnderline());
}

void TextEditor::ShowEffect(const wchar_t* key, std::optional<bool> on) {
  const int index = bar_.Find(key);
  if (on) {
    bar_.SetValue(index, *on ? 1 : 0);
  } else {
    bar_.SetMixed(index, true);
  }
}

void TextEditor::ButtonClick(int index) {
  const std::wstring key = Upper(bar_.Key(index));
  const bool pressed = bar_.Value(index) != 0;
  if (key == L"NEW") {
    if (!NewDocument()) return;
  } else if (key == L"OPEN") {
    if (!OpenDocument()) return;
  } else if (key == L"SAVE") {
    SaveClick();
  } else if (key == L"CUT") {
    CopySelection();
    box_.SetSelRtf(L"");
  } else if (key == L"COPY") {
    CopySelection();
  } else if (key == L"PASTE") {
    PasteClipboard();
  } else if (key == L"ALIGN LEFT" || key == L"CENTER" || key == L"ALIGN RIGHT") {
    box_.SetSelAlignment(key == L"ALIGN LEFT" ? kAlignLeft
                         : key == L"CENTER"   ? kAlignCenter
                                              : kAlignRight);
    // The buttons follow the new formatting, so the pressed alignment
    // releases the others and a mixed look ends.
    EditorSelChange();
  } else if (key == L"BOLD" || key == L"ITALIC" || key == L"UNDERLINE") {
    if (key == L"BOLD") box_.SetSelBold(pressed);
    if (key == L"ITALIC") box_.SetSelItalic(pressed);
    if (key == L"UNDERLINE") box_.SetSelUnderline(pressed);
    EditorSelChange();
  }
  box_.SetFocus();
}

// ------------------------------------------------------- toolbar actions

bool TextEditor::NewDocument() {
  if (!SaveChangesFirst()) return false;
  box_.SetText(L"");
  hasFile_ = false;
  return true;
}

bool TextEditor::OpenDocument() {
  if (!SaveChangesFirst()) return false;
  dialog_.cancelError = true;
  dialog_.dialogTitle = kOpenTitle;
  dialog_.filter = kFileFilter;
  dialog_.flags = kOpenFlags;
  try {
    dialog_.ShowOpen(hwnd_);
  } catch (const Error&) {
    return true;  // nothing chosen: the document stays
  }
  const std::string bytes = ReadDocumentFile(dialog_.fileName);
  const bool rtf = LooksLikeRtf(bytes);
  if (rtf) {
    box_.SetTextRtf(rt::FromAnsi(bytes.data(), bytes.size()).View());
  } else {
    box_.SetText(DecodeText(bytes));
  }
  // Saving writes back to the file opened, in its own format, and the
  // document counts as unchanged until the next key press.
  fileName_ = dialog_.fileName;
  fileType_ = rtf ? 2 : 1;
  hasFile_ = true;
  snapshot_ = box_.Text();
  return true;
}

void TextEditor::SaveClick() {
  std::wstring text = box_.Text();
  bool saved = true;
  if (hasFile_) {
    box_.SaveFile(fileName_, SavedFormat());
  } else {
    hasFile_ = true;
    bool askForFile = true;
    saved = SaveDocument(askForFile);
  }
  // A document that was not saved keeps counting as changed.
  if (saved) snapshot_ = std::move(text);
}

void TextEditor::CopySelection() {
  const std::wstring rtf = box_.SelRtf();
  const std::wstring text = box_.SelText();
  // Both forms, so that programs without rich text can paste the text, and
  // nothing left over from an earlier copy.
  rt::ClipboardClear();
  rt::ClipboardSetText(text, rt::ClipFormat::kText);
  rt::ClipboardSetText(rtf, rt::ClipFormat::kRtf);
}

void TextEditor::PasteClipboard() {
  const std::wstring text = rt::ClipboardGetText(rt::ClipFormat::kText);
  if (text.empty()) return;
  const std::wstring rtf = rt::ClipboardGetText(rt::ClipFormat::kRtf);
  // Text copied from a program that offers no rich text goes in as it is.
  if (rtf.empty()) {
    box_.SetSelText(text);
  } else {
    box_.SetSelRtf(rtf);
  }
}

bool TextEditor::SaveChangesFirst() {
  if (box_.Text() == snapshot_) return true;
  const int answer = rt::MsgBox(kSaveQuestion, kSaveQuestionStyle, kSaveQuestionTitle);
  if (answer == IDYES) {
    if (hasFile_) {
      bool askForFile = false;
      SaveDocument(askForFile);
    } else {
      hasFile_ = true;
      bool askForFile = true;
      SaveDocument(askForFile);
    }
    return true;
  }
  return answer == IDNO;
}

bool TextEditor::SaveDocument(bool& askForFile) {
  if (askForFile) {
    dialog_.cancelError = true;
    dialog_.dialogTitle = kSaveAsTitle;
    dialog_.filter = kFileFilter;
    dialog_.flags = kSaveAsFlags;
    try {
      dialog_.ShowSave(hwnd_);
    } catch (const Error&) {
      // Cancelled (or refused by the dialog): quietly nothing, and the next
      // save is a first save again rather than one without a file name.
      hasFile_ = false;
      return false;
    }
    fileName_ = dialog_.fileName;
    fileType_ = dialog_.filterIndex == 1 ? 1 : 2;
  }
  // A file that cannot be written is not passed over in silence: the
  // error reaches the handler, which shows it, and the document stays.
  box_.SaveFile(fileName_, SavedFormat());
  return true;
}

long TextEditor::SavedFormat() const { return fileType_ == 1 ? kFormatText : kFormatRtf; }

// ------------------------------------------------------------ entry point

void ShowTextEditor(HWND owner) {
  if (tShowing) Raise(kErrFormAlreadyShown);
  TextEditor form;
  tShowing = &form;
  struct Showing {
    ~Showing() { tShowing = nullptr; }
  } showing;
  form.Load(owner);
  form.ShowModal();
}

}  // namespace kb::editor
