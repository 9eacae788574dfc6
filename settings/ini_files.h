// clsIniFiles: single values of initialisation files, through the system's
// private-profile functions (which own the format, caching and locking).
#pragma once

#include <windows.h>

#include "runtime/handles.h"

namespace kb::frame {
class IniFiles;
}

namespace kb::settings {

// The value of KeyName in SectionName, or Value when it is missing, as a text
// of exactly 1024 characters: the value, a NUL and further NULs.  A null
// KeyName gives the section's key names, a null SectionName the section names,
// each followed by a NUL.
Bstr ReadIniFile(frame::IniFiles& self, BSTR* SectionName, BSTR* KeyName, BSTR* Value,
                 BSTR* IniPath);

// Writes or replaces KeyName; a null Value deletes the key, a null KeyName
// the whole section.
void WriteIniFile(frame::IniFiles& self, BSTR* SectionName, BSTR* KeyName, BSTR* Value,
                  BSTR* IniPath);

}  // namespace kb::settings
