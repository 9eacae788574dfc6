// Builders of owned automation values, as an expression hands them over by
// value: arguments of late-bound calls and results of the library's objects.
#pragma once

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// The bytes one value of a plain type takes in an array of that type; 0 for
// a type no array holds (Empty, Null, anything unknown).
size_t StorageSize(VARTYPE type);

// Whether the array a variant holds really is what its tag claims: its own
// element type, where it records one, and its element size agree with the
// tag, and it is no array of records (whose elements the tag cannot
// describe). The arrays an array of variants holds are looked at too. A
// variant without an array passes.
bool ArrayMatchesTag(const VARIANT& value);

Variant FromShort(short value);
Variant FromLong(long value);
Variant FromDouble(double value);
// A Single, as the client passes drawing coordinates.
Variant FromSingle(float value);
Variant FromBool(bool value);
Variant FromText(std::wstring_view text);
// An object reference of its own (Nothing for a null object).
Variant FromObject(IDispatch* object);

}  // namespace kb::rt
