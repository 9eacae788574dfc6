// The runtime's LoadPicture: picture objects from picture files.
#pragma once

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// The picture (an IPictureDisp) in a bitmap, icon, cursor, metafile, JPEG or
// GIF file, through the platform's picture loader.  An empty name gives an
// empty picture.  A missing file raises 53 (76 for a missing folder), a file
// that holds no picture 481.  The name goes to the system in the ANSI code
// page, as the runtime passes it.
ComPtr<IDispatch> LoadPicture(std::wstring_view fileName);

}  // namespace kb::rt
