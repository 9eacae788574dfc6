// Objects of the registered library, created the way a client creates them
// (by programmatic identifier, through the registry and the class factory).
#pragma once

#include <objbase.h>

#include "runtime/handles.h"
#include "tests/support/dispatch_object.h"

namespace kb::support {

// Throws DispatchError when the class is not registered or not created.
inline kb::ComPtr<IDispatch> CreateLibraryObject(const wchar_t* progId) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) throw DispatchError(hr, progId);
  kb::ComPtr<IDispatch> object;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(object.Out()));
  if (FAILED(hr)) throw DispatchError(hr, progId);
  return object;
}

// The early-bound view of a library object: p->lpVtbl->member(p, ...).
template <class Interface>
Interface* Early(const kb::ComPtr<IDispatch>& object) {
  return reinterpret_cast<Interface*>(object.Get());
}

}  // namespace kb::support
