// Hierarchical node keys: one element per level, a signature letter followed
// by the item's identifier, elements joined by ";" ('R12;R5;R7').
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::strings {

Bstr KeyGenerate(frame::Common& self, SAFEARRAY** Keys);
short WhatKeyLevel(frame::Common& self, BSTR* Key);
Bstr KeyGet(frame::Common& self, BSTR* Key, short* ItemNo);
Bstr ReturnSigKey(frame::Common& self, BSTR* Key);

}  // namespace kb::strings
