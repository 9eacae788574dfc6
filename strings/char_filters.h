// Character filters: letting through or stripping characters, testing for
// blank text, holding back typed keys, colour numbers as hexadecimal text.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::strings {

Variant ZapIlligalCharSet(frame::Common& self, BSTR* WhatToZap);
Bstr StripIlligalChars(frame::Common& self, BSTR* StripString, BSTR* IlligalChars);
bool IsNullString(frame::Common& self, BSTR* Text);
short HoldChar(frame::Common& self, short* Char, VARIANT* HoldString);
Bstr VBColor2Hex(frame::Common& self, BSTR* ShowColor);

}  // namespace kb::strings
