// Creating an automation object by its programmatic identifier, as the
// runtime's CreateObject does: the identifier is looked up in the registry
// and the object comes from whatever server is registered for it, in the
// client's process or in a process of its own.
#pragma once

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// The new object's automation interface.  An identifier nobody registered, a
// server that is missing or refuses to create the object raise 429 (7 when
// it runs out of memory); an object without an automation interface 430.
ComPtr<IDispatch> CreateObject(std::wstring_view progId);

}  // namespace kb::rt
