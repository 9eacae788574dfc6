#include "runtime/create_object.h"

#include <objbase.h>

#include <string>

#include "runtime/errors.h"

namespace kb::rt {
namespace {
constexpr long kErrCannotCreate = 429;
}  // namespace

ComPtr<IDispatch> CreateObject(std::wstring_view progId) {
  const std::wstring name(progId);
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(name.c_str(), &clsid))) Raise(kErrCannotCreate);
  ComPtr<IDispatch> object;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(object.Out()))))
    Raise(kErrCannotCreate);
  return object;
}

}  // namespace kb::rt
