// Path strings: taking paths apart, separators on their ends, and the path
// forms the system gives (long names, network names, the current folder, the
// library's own folder, a path shortened to fit a label).
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::files {

// Path followed by Char, unless the last character of Path is the whole of Char.
Bstr AddSlash(frame::Common& self, BSTR* Path, BSTR* Char);
// What follows the last backslash, less its last four characters on request.
Bstr ReturnFileName(frame::Common& self, BSTR* Path, VARIANT_BOOL* KillExtension);
// What stands before the last backslash, or up to and with the last colon.
Bstr GetFilePath(frame::Common& self, BSTR* FileName);
// The last three characters.
Bstr GetFileExtension(frame::Common& self, BSTR* FileName);
Bstr GetLongFilename(frame::Common& self, BSTR sShortFilename);
// A path shortened with an ellipsis to fit the width of a label on a form.
Bstr ShowShortPathAPI(frame::Common& self, IDispatch** frm, IDispatch** lbl, BSTR* WhatString);
Bstr GetUNCPath(frame::Common& self, BSTR strDrive);
Variant AppPath(frame::Common& self);
Bstr GetCurDir(frame::Common& self, VARIANT_BOOL* EnsureSlash);
void SetCurDir(frame::Common& self, BSTR* SetDir);

// The network name in a buffer the system filled: the text before its first
// NUL, without leading and trailing spaces.
Bstr NetworkNameIn(const char* buffer, size_t size);

}  // namespace kb::files
