// cmn_SEP_Get: reads a delimited text one field at a time.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::strings {

// Where a reading stands; one per clsCommon object.
struct FieldReader {
  long position = 0;  // 1-based index of the next character to examine
  long length = 0;    // length of the text when the reading started
  std::wstring collected;
  bool collectedAny = false;
};

Bstr SEP_Get(frame::Common& self, VARIANT* sString, BSTR* Char, long* Mode);

}  // namespace kb::strings
