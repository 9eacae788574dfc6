// How the control helpers take the values a client passes for its controls.
#pragma once

#include <oaidl.h>

#include "runtime/client_forms.h"
#include "runtime/handles.h"

namespace kb::ui {

// A variant parameter a caller left without storage stands for Empty.
const VARIANT& ValueOrEmpty(const VARIANT* value);

// `TypeOf value Is <kind>`: the object when it is of that kind, null for
// Nothing and for an object of another kind.  A value that is no object at
// all raises 424 (object required).
ComPtr<IDispatch> ObjectOfKind(const VARIANT& value, rt::ControlKind kind);

}  // namespace kb::ui
