// CreateObject: a new automation object by its programmatic identifier, as
// the runtime creates one (in-process or local server, whichever the class
// offers).
#pragma once

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// A class that is not registered, or that fails to create its object,
// raises 429.
ComPtr<IDispatch> CreateObject(std::wstring_view progId);

}  // namespace kb::rt
