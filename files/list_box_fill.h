// A list box filled with a folder's listing by the list box itself.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace kb::frame {
class Common;
}

namespace kb::files {

// cmn_FillFileSystem: the box is emptied, then lists the entries of Path
// that WhatToFill (a TypeOfFileSystem) chooses.
void FillFileSystem(frame::Common& self, VARIANT* lstBox, BSTR* Path, long* WhatToFill);

// The attribute word the list box is sent for a TypeOfFileSystem value:
// the DDL_ flags, sign-extended from 16 bits.
WPARAM ListingAttributes(long whatToFill);

}  // namespace kb::files
