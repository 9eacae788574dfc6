// The runtime's comparison of values, as its operators = < > compare them
// under binary text comparison.
//
// Texts compare by UTF-16 code unit (a capital B before a small a, "Z"
// before "a").  The automation library's own comparison is not used for
// texts: it orders them by their bytes, which differs for characters above
// U+00FF.
#pragma once

#include <oaidl.h>

#include <string_view>

namespace kb::rt {

// The outcome of a comparison; Null when either side is Null.
enum class Order { Less, Equal, Greater, Null };

Order CompareText(std::wstring_view a, std::wstring_view b);

// Two values of any kind:
//   numbers (dates and booleans among them) compare by value;
//   texts by code unit;
//   a number is less than any text;
//   Empty counts as 0 against a number and as "" against a text;
//   Null against anything gives Null;
//   an object compares by its default member's value (438 without one).
// Anything else (errors, arrays) raises 13.
Order CompareValues(const VARIANT& a, const VARIANT& b);

// Whether a variant type is a number to the comparison.
bool IsNumberType(VARTYPE vt);

}  // namespace kb::rt
