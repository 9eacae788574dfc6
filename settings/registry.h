// clsRegistry: text settings under a root and key path the caller names, and
// the list of a key's subkeys.  Every call opens the key, does its work and
// closes it again; registry failures are not reported.
#pragma once

#include <windows.h>

#include "runtime/handles.h"

namespace kb::frame {
class Registry;
}

namespace kb::settings {

// Stores Value as a string under Root\Key, creating the key.  The caller's
// Value gains a terminating NUL (once) and comes back after its round trip
// through the ANSI code page.  The result is always Empty.
Variant RegSaveSetting(frame::Registry& self, BSTR Key, BSTR ValueName, BSTR* Value, long* Root);

// The string or 32-bit number stored under Root\Key as text; empty for a
// missing key or value and for other value types.
Bstr RegGetSetting(frame::Registry& self, BSTR Key, BSTR ValueName, long* Root);

// Replaces SectionKeys by the subkey names of Root\Key at elements 1 to n
// (element 0 stays empty; unallocated when there are none) and returns n.
long RegGetSection(frame::Registry& self, BSTR Key, SAFEARRAY** SectionKeys, long* Root);

// Reads one value into an empty Value: a string as text, a REG_DWORD as a
// long; anything else leaves Value Empty.  Returns the status of the last
// registry query, -1 for a type it does not read; never raises.
long QueryValue(HKEY key, BSTR name, Variant& value);

}  // namespace kb::settings
