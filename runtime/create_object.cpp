#include "runtime/create_object.h"

#include <objbase.h>

#include <string>

#include "runtime/errors.h"

namespace kb::rt {
namespace {

[[noreturn]] void RaiseCreateFailure(HRESULT hr) {
  if (hr == E_OUTOFMEMORY) Raise(kErrOutOfMemory);
  Raise(kErrCantCreateObject);
}

}  // namespace

ComPtr<IDispatch> CreateObject(std::wstring_view progId) {
  const std::wstring id(progId);
  CLSID clsid{};
  if (const HRESULT hr = ::CLSIDFromProgID(id.c_str(), &clsid); FAILED(hr)) RaiseCreateFailure(hr);
  ComPtr<IUnknown> object;
  if (const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown,
                                            reinterpret_cast<void**>(object.Out()));
      FAILED(hr))
    RaiseCreateFailure(hr);
  ComPtr<IDispatch> automation;
  if (FAILED(object.As(IID_IDispatch, automation)) || !automation) Raise(kErrNoAutomation);
  return automation;
}

}  // namespace kb::rt
