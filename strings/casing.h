// Letter case of texts and names: proper case, names with the Mc prefix, and
// words joined into one capitalised run.
#pragma once

#include <windows.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::strings {

Bstr CamelCase(frame::Common& self, BSTR Text);
Bstr StringToProperCase(frame::Common& self, BSTR* strString);
Bstr PropperCase(frame::Common& self, BSTR* InputName);

}  // namespace kb::strings
