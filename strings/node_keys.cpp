#include "strings/node_keys.h"

#include <string>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::strings {
namespace {

constexpr long kFirst = 0;  // IS_FIRST
constexpr long kNext = 1;   // IS_NEXT

// Element i of a one-dimensional array as text; Empty and Null read as
// empty text, as they do when joined to a text.
Bstr ElementText(SAFEARRAY* sa, LONG index) {
  if (::SafeArrayGetDim(sa) != 1) Raise(kErrSubscript);
  SafeArrayLock lock(sa);
  if (!lock) Raise(kErrSubscript);
  void* element = nullptr;
  rt::CheckAutomation(::SafeArrayPtrOfIndex(sa, &index, &element));
  VARTYPE type = VT_EMPTY;
  rt::CheckAutomation(::SafeArrayGetVartype(sa, &type));
  VARIANT view;
  if (type == VT_VARIANT) {
    view = *static_cast<VARIANT*>(element);
  } else {
    V_VT(&view) = static_cast<VARTYPE>(type | VT_BYREF);
    V_BYREF(&view) = element;
  }
  const VARTYPE seen = V_VT(&rt::Deref(view)) & ~VT_BYREF;
  if (seen == VT_EMPTY || seen == VT_NULL) return Bstr(L"");
  return rt::ToText(view);
}

// Reads fields of the key through the object's own field reader.
Bstr ReadKeyField(_clsCommon* me, BSTR key, long mode) {
  Variant text = Variant::FromText(Bstr::Copy(key));
  Bstr separator(L";");
  BSTR sep = separator.Get();
  Bstr field;
  Check(me->lpVtbl->cmn_SEP_Get(me, text.Get(), &sep, &mode, field.Out()));
  return field;
}

}  // namespace

Bstr KeyGenerate(frame::Common&, SAFEARRAY** Keys) {
  SAFEARRAY* sa = *Keys;
  if (!sa || ::SafeArrayGetDim(sa) == 0) Raise(kErrSubscript);
  LONG lower = 0, upper = 0;
  rt::CheckAutomation(::SafeArrayGetLBound(sa, 1, &lower));
  rt::CheckAutomation(::SafeArrayGetUBound(sa, 1, &upper));
  // The bounds are taken as 16-bit integers.
  const int first = rt::CInt(lower);
  const int last = rt::CInt(upper);
  std::wstring key;
  for (int i = first; i <= last; ++i) {
    key += key.empty() ? L"R" : L";R";
    key += ElementText(sa, i).View();
  }
  return Bstr(key);
}

short WhatKeyLevel(frame::Common&, BSTR* Key) {
  const std::wstring_view key = View(*Key);
  // Positions and the count are 16-bit integers; the search starts at 2, so
  // a semicolon in the first position is not counted.
  int16_t start = 2;
  int16_t count = 0;
  for (;;) {
    const size_t found = key.find(L';', static_cast<size_t>(start - 1));
    count = rt::Add16(count, 1);
    if (found == std::wstring_view::npos) return count;
    start = rt::Add16(rt::CInt(static_cast<double>(found + 1)), 1);
  }
}

Bstr KeyGet(frame::Common& self, BSTR* Key, short* ItemNo) {
  _clsCommon* me = self.Self();
  if (*ItemNo == 0) {
    short levels = 0;
    Check(me->lpVtbl->cmn_WhatKeyLevel(me, Key, &levels));
    *ItemNo = levels;
  }
  const int levels = *ItemNo;
  Bstr field = ReadKeyField(me, *Key, kFirst);
  for (int level = 2; level <= levels; ++level) field = ReadKeyField(me, *Key, kNext);
  // The signature letter goes.
  const std::wstring_view text = field.View();
  return Bstr(text.size() > 1 ? text.substr(1) : std::wstring_view());
}

Bstr ReturnSigKey(frame::Common&, BSTR* Key) {
  const std::wstring_view key = View(*Key);
  const size_t last = key.rfind(L';');
  const std::wstring_view deepest = last == std::wstring_view::npos ? key : key.substr(last + 1);
  return Bstr(deepest.substr(0, 1));
}

}  // namespace kb::strings
