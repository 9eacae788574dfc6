// How every member is entered: the object holds a reference on itself for
// the call, the result slot starts empty and receives a value only when the
// body ends normally, and whatever the body raises becomes the HRESULT and
// error information of the call.
#pragma once

#include <oaidl.h>
#include <windows.h>

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

// The empty value of each result type: zero, a null pointer, VT_EMPTY.
template <class R>
void ResetResult(R* r) {
  *r = R{};
}

// A result slot that a failed call leaves empty, freeing what it held.
inline void ClearResult(BSTR* r) {
  ::SysFreeString(*r);
  *r = nullptr;
}
inline void ClearResult(VARIANT* r) { ::VariantClear(r); }
inline void ClearResult(IDispatch** r) {
  if (*r) (*r)->Release();
  *r = nullptr;
}
template <class R>
void ClearResult(R* r) {
  *r = R{};
}

// A body's value into the result slot: owners hand over what they hold,
// numbers (enumerations, dates) are stored as the slot's type.
inline void StoreResult(BSTR* r, Bstr&& v) { *r = v.Release(); }
inline void StoreResult(VARIANT* r, Variant&& v) { *r = v.Release(); }
inline void StoreResult(VARIANT_BOOL* r, bool v) { *r = v ? VARIANT_TRUE : VARIANT_FALSE; }
inline void StoreResult(IDispatch** r, ComPtr<IDispatch>&& v) { *r = v.Detach(); }
template <class R, class V>
requires std::is_arithmetic_v<R> && std::is_arithmetic_v<V>
void StoreResult(R* r, V v) { *r = static_cast<R>(v); }
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
