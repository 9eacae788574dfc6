// The file collector: the names of the files in a folder (and, on request, in
// every folder below it) that match a pattern, gathered into the thread's file
// list, and the sum of their sizes.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace kb::frame {
class Common;
}

namespace kb::files {

// cmn_CreateFileArray.  Every step that fails is skipped; the call itself
// never fails.  Window events run after every file and before every
// subfolder (at the pace of rt::PacedEvents), so a handler may call back into
// this object meanwhile.
long CreateFileArray(frame::Common& self, BSTR StartFolder, BSTR* FileExtension,
                     VARIANT_BOOL* GetSubFolders, VARIANT_BOOL* BubbleSortArray);

}  // namespace kb::files
