// How the office stand-ins' journal writes a value: Empty, "text", True,
// False, or the value's text with its variant type.
#pragma once

#include <oaidl.h>

#include <string>

#include "tests/support/dispatch_object.h"

namespace kb::support {

inline std::wstring JournalText(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_EMPTY: return L"Empty";
    case VT_BSTR: return L"\"" + std::wstring(kb::View(V_BSTR(&v))) + L"\"";
    case VT_BOOL: return V_BOOL(&v) ? L"True" : L"False";
    default: return AsText(v) + L" (vt " + std::to_wstring(V_VT(&v)) + L")";
  }
}

}  // namespace kb::support
