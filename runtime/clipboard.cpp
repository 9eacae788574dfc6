#include "runtime/clipboard.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "runtime/errors.h"
#include "runtime/global_memory.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

// Another program (or the system's own clipboard bridge) may hold the
// clipboard for a moment; give it this long before reporting failure.
constexpr int kOpenAttempts = 25;
constexpr DWORD kOpenRetryMs = 10;

UINT FormatId(ClipFormat format) {
  if (format == ClipFormat::kText) return CF_UNICODETEXT;
  static const UINT rtf = ::RegisterClipboardFormatA("Rich Text Format");
  return rtf;
}

// The clipboard, open for the length of one operation.  Emptying the
// clipboard makes the opening window its owner, and a clipboard without an
// owner refuses new data, so the session opens it for a message-only window
// of its own; the data stays on the clipboard after that window is gone.
class Session {
 public:
  Session()
      : owner_(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr)) {
    for (int attempt = 1; !::OpenClipboard(owner_.Get()); ++attempt) {
      if (attempt == kOpenAttempts) Raise(kErrCantOpenClipboard);
      ::Sleep(kOpenRetryMs);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { ::CloseClipboard(); }

 private:
  WindowHandle owner_;
};

void Put(UINT format, const void* data, size_t bytes) {
  GlobalMemory block = NewGlobalBlock(bytes);
  {
    LockedGlobal target(block.Get());
    if (!target.Data()) Raise(kErrOutOfMemory);
    std::memcpy(target.Data(), data, bytes);
  }
  if (!::SetClipboardData(format, block.Get())) Raise(kErrCantOpenClipboard);
  block.Release();
}

std::wstring UnicodeText(const LockedGlobal& block) {
  const auto* chars = static_cast<const wchar_t*>(block.Data());
  if (!chars) return {};
  const size_t limit = block.Size() / sizeof(wchar_t);
  return std::wstring(chars, ::wcsnlen(chars, limit));
}

std::wstring AnsiBytes(const LockedGlobal& block) {
  const auto* bytes = static_cast<const char*>(block.Data());
  if (!bytes) return {};
  return std::wstring(FromAnsi(bytes, ::strnlen(bytes, block.Size())).View());
}

}  // namespace

void ClipboardClear() {
  Session session;
  ::EmptyClipboard();
}

void ClipboardSetText(std::wstring_view text, ClipFormat format) {
  Session session;
  if (format == ClipFormat::kText) {
    const std::wstring terminated(text);
    Put(CF_UNICODETEXT, terminated.c_str(), (terminated.size() + 1) * sizeof(wchar_t));
  } else {
    // RTF is a byte stream; its text is ASCII with escapes for the rest.
    const AnsiText bytes(text);
    Put(FormatId(format), bytes.Get(), bytes.Size() + 1);
  }
}

std::wstring ClipboardGetText(ClipFormat format) {
  if (!ClipboardHasFormat(format)) return {};
  Session session;
  const LockedGlobal block(::GetClipboardData(FormatId(format)));
  return format == ClipFormat::kText ? UnicodeText(block) : AnsiBytes(block);
}

bool ClipboardHasFormat(ClipFormat format) {
  return ::IsClipboardFormatAvailable(FormatId(format)) != FALSE;
}

}  // namespace kb::rt
