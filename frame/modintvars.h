// The library's shared module: three small routines used by several
// classes.  Per-thread state belongs to the subsystem that uses it (the file
// list to files/, the connection table to database/, the editor's feed to
// editor/), each kept with rt::PerThread.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "runtime/handles.h"

namespace kb::frame {

// Text gains Suffix unless its last character is the whole of Suffix.
void AppendIfMissing(BSTR* text, BSTR* suffix);
// Text loses its last character when that character is the whole of Suffix;
// an empty text with an empty Suffix raises error 5.
void StripTrailing(BSTR* text, BSTR* suffix);
// "<product name> ver. <major>.<minor>" of the library's own project.
Bstr AppVersionCaption();

}  // namespace kb::frame
