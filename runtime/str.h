// Str: a number as text the same everywhere, whatever the user's locale: a
// point for the decimal separator, no grouping, and a space in front of a
// number that is not negative (where a minus sign would stand).
#pragma once

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::rt {

// Null raises 94; a value that is not a number (nor a text that reads as
// one) raises 13.
Bstr Str(const VARIANT& number);

}  // namespace kb::rt
