// Late binding: names to dispatch identifiers, and IDispatch::Invoke with
// the automation calling rules, reaching the same vtable slot an early-bound
// caller calls.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "frame/metadata.h"

namespace kb::frame::dispatch {

HRESULT GetIDsOfNames(const meta::Class& cls, LPOLESTR* names, UINT count, DISPID* ids);

HRESULT Invoke(IDispatch* self, const meta::Class& cls, DISPID id, WORD flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr);

}  // namespace kb::frame::dispatch
