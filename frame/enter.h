// How every member is entered: the object holds a reference on itself for
// the call, the result slot starts empty and receives a value only when the
// body ends normally, and whatever the body raises becomes the HRESULT and
// error information of the call.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <type_traits>

#include "frame/object.h"
#include "runtime/errors.h"
#include "runtime/handles.h"

namespace kb::frame {

// Bodies of members that this build does not carry yet.
struct NotBuiltResult {};
struct NotBuiltError {};
template <class... A>
[[noreturn]] NotBuiltResult NotBuilt(A&&...) {
  throw NotBuiltError{};
}

// The empty value of each result type.
inline void ResetResult(BSTR* r) { *r = nullptr; }
inline void ResetResult(VARIANT* r) { ::VariantInit(r); }
inline void ResetResult(short* r) { *r = 0; }
inline void ResetResult(long* r) { *r = 0; }
inline void ResetResult(double* r) { *r = 0; }
inline void ResetResult(IDispatch** r) { *r = nullptr; }

inline void ClearResult(BSTR* r) {
  ::SysFreeString(*r);
  *r = nullptr;
}
inline void ClearResult(VARIANT* r) { ::VariantClear(r); }
inline void ClearResult(IDispatch** r) {
  if (*r) (*r)->Release();
  *r = nullptr;
}
template <class T>
void ClearResult(T* r) {
  *r = 0;
}

inline void StoreResult(BSTR* r, Bstr&& v) { *r = v.Release(); }
inline void StoreResult(VARIANT* r, Variant&& v) { *r = v.Release(); }
inline void StoreResult(VARIANT_BOOL* r, bool v) { *r = v ? VARIANT_TRUE : VARIANT_FALSE; }
inline void StoreResult(short* r, short v) { *r = v; }
inline void StoreResult(long* r, long v) { *r = v; }
inline void StoreResult(double* r, double v) { *r = v; }
inline void StoreResult(IDispatch** r, ComPtr<IDispatch>&& v) { *r = v.Detach(); }
template <class R>
void StoreResult(R*, NotBuiltResult) {}

// Publishes the error in flight for the member's caller and gives its HRESULT.
HRESULT Fail(const ObjectBase& self, const wchar_t* member) noexcept;

// Keeps the object alive for the length of a call.
class CallHold {
 public:
  explicit CallHold(ObjectBase* self) : self_(self) { self_->AddRef(); }
  CallHold(const CallHold&) = delete;
  CallHold& operator=(const CallHold&) = delete;
  ~CallHold() { self_->Release(); }

 private:
  ObjectBase* self_;
};

template <class Impl, class Body>
HRESULT Enter(void* This, const wchar_t* member, Body&& body) noexcept {
  auto* self = static_cast<Impl*>(ObjectBase::FromDual(This));
  CallHold hold(self);
  try {
    body(*self);
    return S_OK;
  } catch (...) {
    return Fail(*self, member);
  }
}

template <class Impl, class R, class Body>
HRESULT Enter(void* This, const wchar_t* member, R* result, Body&& body) noexcept {
  if (!result) return E_POINTER;
  ResetResult(result);
  auto* self = static_cast<Impl*>(ObjectBase::FromDual(This));
  CallHold hold(self);
  try {
    StoreResult(result, body(*self));
    return S_OK;
  } catch (...) {
    ClearResult(result);
    return Fail(*self, member);
  }
}

}  // namespace kb::frame
