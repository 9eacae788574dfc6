#include "runtime/clipboard.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "runtime/errors.h"
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

// Owns a block of global memory until the clipboard takes it over.
class GlobalBlock {
 public:
  explicit GlobalBlock(size_t bytes) : h_(::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (!h_) Raise(kErrOutOfMemory);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  ~GlobalBlock() {
    if (h_) ::GlobalFree(h_);
  }
  void Fill(const void* data, size_t bytes) {
    void* p = ::GlobalLock(h_);
    if (!p) Raise(kErrOutOfMemory);
    std::memcpy(p, data, bytes);
    ::GlobalUnlock(h_);
  }
  HGLOBAL Get() const { return h_; }
  HGLOBAL Release() { return std::exchange(h_, nullptr); }

 private:
  HGLOBAL h_;
};

// Reads a block the clipboard owns; the block stays the clipboard's.
class LockedBlock {
 public:
  explicit LockedBlock(HANDLE h)
      : h_(h), p_(h ? ::GlobalLock(h) : nullptr), size_(p_ ? ::GlobalSize(h) : 0) {}
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  ~LockedBlock() {
    if (p_) ::GlobalUnlock(h_);
  }
  const void* Data() const { return p_; }
  size_t Size() const { return size_; }

 private:
  HANDLE h_;
  void* p_;
  size_t size_;
};

// The clipboard, open for the length of one operation.  Emptying the
// clipboard makes the opening window its owner, and a clipboard without an
// owner refuses new data, so the session opens it for a message-only window
// of its own; the data stays on the clipboard after that window is gone.
class Session {
 public:
  Session()
      : owner_(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr)) {
    for (int attempt = 1; !::OpenClipboard(owner_); ++attempt) {
      if (attempt == kOpenAttempts) {
        DestroyOwner();
        Raise(kErrCantOpenClipboard, L"Can't open Clipboard");
      }
      ::Sleep(kOpenRetryMs);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() {
    ::CloseClipboard();
    DestroyOwner();
  }

 private:
  void DestroyOwner() {
    if (owner_) ::DestroyWindow(owner_);
    owner_ = nullptr;
  }
  HWND owner_;
};

void Put(UINT format, const void* data, size_t bytes) {
  GlobalBlock block(bytes);
  block.Fill(data, bytes);
  if (!::SetClipboardData(format, block.Get()))
    Raise(kErrCantOpenClipboard, L"Can't open Clipboard");
  block.Release();
}

std::wstring UnicodeText(const LockedBlock& block) {
  const auto* chars = static_cast<const wchar_t*>(block.Data());
  if (!chars) return {};
  const size_t limit = block.Size() / sizeof(wchar_t);
  return std::wstring(chars, ::wcsnlen(chars, limit));
}

std::wstring AnsiBytes(const LockedBlock& block) {
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
  const LockedBlock block(::GetClipboardData(FormatId(format)));
  return format == ClipFormat::kText ? UnicodeText(block) : AnsiBytes(block);
}

bool ClipboardHasFormat(ClipFormat format) {
  return ::IsClipboardFormatAvailable(FormatId(format)) != FALSE;
}

}  // namespace kb::rt
