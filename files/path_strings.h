// Path strings: separators on the end of paths.
#pragma once

#include <windows.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::files {

// Path followed by Char, unless the last character of Path is the whole of Char.
Bstr AddSlash(frame::Common& self, BSTR* Path, BSTR* Char);

}  // namespace kb::files
