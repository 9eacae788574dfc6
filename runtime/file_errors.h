// The runtime's file errors, from the reason the system gives for a failure.
#pragma once

#include <windows.h>

namespace kb::rt {

// As the runtime's file statements (Open, Kill, FileLen, ...) report a
// failure of the system: 53 file not found, 76 path not found, 52 bad file
// name, 70 permission denied (a file another process holds), 67 too many
// files, 61 disk full, and 75 path/file access error for anything else (a
// read-only file opened for writing among them).
[[noreturn]] void RaiseFileError(DWORD reason);

}  // namespace kb::rt
