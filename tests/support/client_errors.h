// The run-time errors the models of the client's forms and controls raise,
// as the client's own objects raise them: those of the language runtime come
// from the library's table (runtime/errors.h), the controls' own are here.
#pragma once

#include "runtime/errors.h"

namespace kb::support {

using kb::kErrDialogCancelled;
using kb::kErrInvalidCall;
using kb::kErrInvalidPropertyValue;
using kb::kErrOutOfMemory;
using kb::kErrSubscript;

inline constexpr long kErrArrayElementMissing = 340;  // control array element doesn't exist
inline constexpr long kErrNotAnArray = 343;           // object not an array
inline constexpr long kErrInvalidArrayIndex = 381;
inline constexpr long kErrReadOnly = 383;            // 'Property' is read-only
inline constexpr long kErrControlNotFound = 730;     // control not found
inline constexpr long kErrIndexOutOfBounds = 35600;  // the list view's

}  // namespace kb::support
