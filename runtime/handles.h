// RAII owners for the automation values and COM pointers the library handles.
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
  VARIANT* Out() {
    ::VariantClear(&v_);
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
  T** Out() {
    *this = nullptr;
    return &p_;
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(out.Out()));
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
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Owns a kernel handle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~Handle() { Reset(); }
  void Reset(HANDLE h = nullptr) {
    if (h_ && h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = h;
  }
  HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_ = nullptr;
};

// Owns a directory enumeration of FindFirstFile.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE h) : h_(h) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  FindHandle(FindHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  FindHandle& operator=(FindHandle&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, INVALID_HANDLE_VALUE));
    return *this;
  }
  ~FindHandle() { Reset(); }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
    h_ = h;
  }
  HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Owns an open registry key.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
  ~RegKey() {
    if (k_) ::RegCloseKey(k_);
  }
  HKEY Get() const { return k_; }
  HKEY* Out() {
    if (k_) ::RegCloseKey(k_);
    k_ = nullptr;
    return &k_;
  }

 private:
  HKEY k_ = nullptr;
};

}  // namespace kb
