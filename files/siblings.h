// Calls of sibling members through the object's own interface, the way a
// client's call goes: a failure of the sibling is the caller's failure.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::files {

// cmn_AddSlash with "\" as its Char.
Bstr AddSlashVia(frame::Common& self, BSTR* path);
// cmn_ZapIlligalCharSet, its result as text (Empty gives an empty text).
Bstr ZapIlligalCharSetVia(frame::Common& self, BSTR* text);
long FreeFileVia(frame::Common& self);
Bstr GetLongFilenameVia(frame::Common& self, std::wstring_view shortName);
void BubbleSortVia(frame::Common& self, VARIANT* array);
long CreateFileArrayVia(frame::Common& self, BSTR startFolder, BSTR* fileExtension,
                        VARIANT_BOOL* getSubFolders, VARIANT_BOOL* bubbleSortArray);

}  // namespace kb::files
