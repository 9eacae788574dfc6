// Owners for the user32/gdi32 resources the test models create, on the
// library's owner template (runtime/handles.h) where one handle is owned; a
// window's device context and a memory DC with its selection hold two.
#pragma once

#include <windows.h>

#include <utility>

#include "runtime/handles.h"

namespace kb::support {

// A window.  A child window dies with its parent, so closing checks that
// the handle is still a window; Release forgets a window destroyed from
// outside (WM_CLOSE).
struct WindowTraits : handle_traits::Nullable<HWND> {
  static void Close(HWND hwnd) {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
};
using Window = UniqueHandle<WindowTraits>;

// Owns a device context obtained with GetDC.
class WindowDc {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), hdc_(::GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& o) noexcept
      : hwnd_(std::exchange(o.hwnd_, nullptr)), hdc_(std::exchange(o.hdc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& o) noexcept {
    if (this != &o) {
      Reset();
      hwnd_ = std::exchange(o.hwnd_, nullptr);
      hdc_ = std::exchange(o.hdc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { Reset(); }

  void Reset() {
    if (hdc_) ::ReleaseDC(hwnd_, hdc_);
    hdc_ = nullptr;
    hwnd_ = nullptr;
  }
  HDC Get() const { return hdc_; }

 private:
  HWND hwnd_ = nullptr;
  HDC hdc_ = nullptr;
};

// Owns a memory device context and the object selected into it, which is
// put back before the DC goes.
class MemoryDc {
 public:
  MemoryDc() = default;
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { Reset(); }

  void Create(HDC compatibleWith) {
    Reset();
    hdc_ = ::CreateCompatibleDC(compatibleWith);
  }
  // Selects an object for the DC's life (a bitmap to draw on).
  void Hold(HGDIOBJ object) {
    HGDIOBJ old = ::SelectObject(hdc_, object);
    if (!original_) original_ = old;
  }
  void Reset() {
    if (!hdc_) return;
    if (original_) ::SelectObject(hdc_, original_);
    ::DeleteDC(hdc_);
    hdc_ = nullptr;
    original_ = nullptr;
  }
  HDC Get() const { return hdc_; }

 private:
  HDC hdc_ = nullptr;
  HGDIOBJ original_ = nullptr;
};

// Selects a GDI object into a DC for a scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() {
    if (old_) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

using kb::GdiObject;

struct HookTraits : handle_traits::Nullable<HHOOK> {
  static void Close(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
};
using Hook = UniqueHandle<HookTraits>;

}  // namespace kb::support
