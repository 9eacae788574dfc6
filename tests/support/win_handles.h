// RAII owners for the user32/gdi32 resources the test models create.  The
// library's own wrappers (runtime/handles.h) cover the automation values and
// kernel handles; windows, device contexts, fonts and hooks are only ever
// created by the tests, so their owners live here.
#pragma once

#include <windows.h>

#include <utility>

namespace kb::support {

// Owns a window.  A child window dies with its parent, so destruction checks
// that the handle is still a window before destroying it.
class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  Window(Window&& o) noexcept : hwnd_(std::exchange(o.hwnd_, nullptr)) {}
  Window& operator=(Window&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.hwnd_, nullptr));
    return *this;
  }
  ~Window() { Reset(); }

  void Reset(HWND hwnd = nullptr) {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = hwnd;
  }
  // For a window that was destroyed from outside (WM_CLOSE): forget it.
  void Forget() { hwnd_ = nullptr; }
  HWND Get() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }

 private:
  HWND hwnd_ = nullptr;
};

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

// Owns a GDI object (font, pen, brush, bitmap).
template <class T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T object) : object_(object) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : object_(std::exchange(o.object_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.object_, nullptr));
    return *this;
  }
  ~GdiObject() { Reset(); }

  void Reset(T object = nullptr) {
    if (object_) ::DeleteObject(object_);
    object_ = object;
  }
  T Get() const { return object_; }

 private:
  T object_ = nullptr;
};

// Owns a windows hook.
class Hook {
 public:
  Hook() = default;
  explicit Hook(HHOOK hook) : hook_(hook) {}
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;
  Hook(Hook&& o) noexcept : hook_(std::exchange(o.hook_, nullptr)) {}
  Hook& operator=(Hook&& o) noexcept {
    if (this != &o) {
      Reset();
      hook_ = std::exchange(o.hook_, nullptr);
    }
    return *this;
  }
  ~Hook() { Reset(); }
  void Reset() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }
  HHOOK Get() const { return hook_; }

 private:
  HHOOK hook_ = nullptr;
};

}  // namespace kb::support
