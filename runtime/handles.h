// RAII owners for the automation values, COM pointers and system handles the
// library handles.  They share one interface: move only (a COM pointer also
// copies), Get, Reset (free what is held, optionally take a new value),
// Release (give up ownership without freeing; Detach for a COM pointer) and
// Out (free, then the address for a call that fills it).
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace kb {

// Owns one BSTR.  A null BSTR and an empty one are both "empty text"; the
// difference is kept because ANSI system calls receive them differently.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : s_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!s_) throw std::bad_alloc();
  }
  static Bstr Copy(BSTR other) {
    Bstr b;
    if (other) {
      b.s_ = ::SysAllocStringLen(other, ::SysStringLen(other));
      if (!b.s_) throw std::bad_alloc();
    }
    return b;
  }
  static Bstr Attach(BSTR raw) {
    Bstr b;
    b.s_ = raw;
    return b;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.s_, nullptr));
    return *this;
  }
  ~Bstr() { Reset(); }

  void Reset(BSTR raw = nullptr) {
    if (s_) ::SysFreeString(s_);
    s_ = raw;
  }
  BSTR Get() const { return s_; }
  BSTR Release() { return std::exchange(s_, nullptr); }
  BSTR* Out() {
    Reset();
    return &s_;
  }
  // The owned text as a by-reference argument: the callee may replace it.
  BSTR* Ref() { return &s_; }
  size_t Length() const { return s_ ? ::SysStringLen(s_) : 0; }
  std::wstring_view View() const { return {s_ ? s_ : L"", Length()}; }

 private:
  BSTR s_ = nullptr;
};

inline std::wstring_view View(BSTR s) { return {s ? s : L"", s ? ::SysStringLen(s) : 0u}; }

// Owns one VARIANT.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept : v_(o.v_) { ::VariantInit(&o.v_); }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      ::VariantClear(&v_);
      v_ = o.v_;
      ::VariantInit(&o.v_);
    }
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }

  static Variant FromText(Bstr text) {
    Variant v;
    V_VT(&v.v_) = VT_BSTR;
    V_BSTR(&v.v_) = text.Release();
    return v;
  }
  VARIANT* Get() { return &v_; }
  const VARIANT* Get() const { return &v_; }
  void Reset() { ::VariantClear(&v_); }
  VARIANT* Out() {
    Reset();
    return &v_;
  }
  VARIANT Release() {
    VARIANT out = v_;
    ::VariantInit(&v_);
    return out;
  }
  VARTYPE Type() const { return V_VT(&v_); }

 private:
  VARIANT v_;
};

// Owns one SAFEARRAY.
class SafeArray {
 public:
  SafeArray() = default;
  explicit SafeArray(SAFEARRAY* sa) : sa_(sa) {}
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  SafeArray(SafeArray&& o) noexcept : sa_(std::exchange(o.sa_, nullptr)) {}
  SafeArray& operator=(SafeArray&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.sa_, nullptr));
    return *this;
  }
  ~SafeArray() { Reset(); }
  void Reset(SAFEARRAY* sa = nullptr) {
    if (sa_) ::SafeArrayDestroy(sa_);
    sa_ = sa;
  }
  SAFEARRAY* Get() const { return sa_; }
  SAFEARRAY* Release() { return std::exchange(sa_, nullptr); }
  SAFEARRAY** Out() {
    Reset();
    return &sa_;
  }

 private:
  SAFEARRAY* sa_ = nullptr;
};

// Holds a SAFEARRAY locked (its data in place) for a scope; a caller's array
// locked elsewhere cannot be freed or resized meanwhile.
class SafeArrayLock {
 public:
  explicit SafeArrayLock(SAFEARRAY* sa) : sa_(SUCCEEDED(::SafeArrayLock(sa)) ? sa : nullptr) {}
  SafeArrayLock(const SafeArrayLock&) = delete;
  SafeArrayLock& operator=(const SafeArrayLock&) = delete;
  ~SafeArrayLock() {
    if (sa_) ::SafeArrayUnlock(sa_);
  }
  explicit operator bool() const { return sa_ != nullptr; }

 private:
  SAFEARRAY* sa_;
};

// Reference-counted COM pointer.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  explicit ComPtr(T* p, bool addRef = true) : p_(p) {
    if (p_ && addRef) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  static ComPtr Attach(T* p) { return ComPtr(p, false); }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Takes over a reference the caller already holds.
  void Reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }
  T** Out() {
    Reset();
    return &p_;
  }
  // Named Detach, not Release: ptr.Release() beside ptr->Release() would
  // read as the interface's own.
  T* Detach() { return std::exchange(p_, nullptr); }
  // Another interface of the object, with the answer of QueryInterface.
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>& out) const {
    if (!p_) {
      out.Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(iid, reinterpret_cast<void**>(out.Out()));
  }
  // The same, where any failure simply means "not available".
  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    As(iid, out);
    return out;
  }

 private:
  T* p_ = nullptr;
};

// Owns memory the system handed over from the task allocator (an item list
// of the shell, for one).
template <class T>
class CoTaskMem {
 public:
  CoTaskMem() = default;
  explicit CoTaskMem(T* p) : p_(p) {}
  CoTaskMem(const CoTaskMem&) = delete;
  CoTaskMem& operator=(const CoTaskMem&) = delete;
  CoTaskMem(CoTaskMem&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  CoTaskMem& operator=(CoTaskMem&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ~CoTaskMem() { Reset(); }
  void Reset(T* p = nullptr) {
    if (p_) ::CoTaskMemFree(p_);
    p_ = p;
  }
  T* Get() const { return p_; }
  T* Release() { return std::exchange(p_, nullptr); }
  T** Out() {
    Reset();
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Owns one handle of the system: closes it once, when the owner goes or is
// reset.  Traits give the handle's type, its invalid value, whether a value
// is a handle at all and how it is closed.
template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  void Reset(Type h = Traits::Invalid()) {
    if (Traits::IsValid(h_)) Traits::Close(h_);
    h_ = h;
  }
  Type Get() const { return h_; }
  Type Release() { return std::exchange(h_, Traits::Invalid()); }
  Type* Out() {
    Reset();
    return &h_;
  }
  explicit operator bool() const { return Traits::IsValid(h_); }

 private:
  Type h_ = Traits::Invalid();
};

namespace handle_traits {

// A handle type whose invalid value is null.
template <class T>
struct Nullable {
  using Type = T;
  static constexpr T Invalid() { return nullptr; }
  static bool IsValid(T h) { return h != nullptr; }
};

// Kernel handles: the creating calls answer null or INVALID_HANDLE_VALUE.
struct Kernel : Nullable<HANDLE> {
  static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct Find {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
struct Registry : Nullable<HKEY> {
  static void Close(HKEY k) { ::RegCloseKey(k); }
};
struct Global : Nullable<HGLOBAL> {
  static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct Local : Nullable<HLOCAL> {
  static void Close(HLOCAL h) { ::LocalFree(h); }
};
template <class T>
struct Gdi : Nullable<T> {
  static void Close(T h) { ::DeleteObject(h); }
};
struct Dc : Nullable<HDC> {
  static void Close(HDC dc) { ::DeleteDC(dc); }
};
// The screen's context from GetDC(nullptr).
struct ScreenDc : Nullable<HDC> {
  static void Close(HDC dc) { ::ReleaseDC(nullptr, dc); }
};
struct Window : Nullable<HWND> {
  static void Close(HWND w) { ::DestroyWindow(w); }
};

}  // namespace handle_traits

using Handle = UniqueHandle<handle_traits::Kernel>;
using FindHandle = UniqueHandle<handle_traits::Find>;
using RegKey = UniqueHandle<handle_traits::Registry>;
using GlobalMemory = UniqueHandle<handle_traits::Global>;
using LocalMemory = UniqueHandle<handle_traits::Local>;
template <class T>
using GdiObject = UniqueHandle<handle_traits::Gdi<T>>;
using DcHandle = UniqueHandle<handle_traits::Dc>;
using ScreenDcHandle = UniqueHandle<handle_traits::ScreenDc>;
using WindowHandle = UniqueHandle<handle_traits::Window>;

}  // namespace kb
