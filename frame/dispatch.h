// Late binding: names to dispatch identifiers, and IDispatch::Invoke with
// the automation calling rules, reaching the same vtable slot an early-bound
// caller calls.
//
// Why not the platform's ITypeInfo::Invoke: the clients are scripts, whose
// every variable is a variant passed by reference, calling members declared
// with typed by-reference parameters (a text, a number, an array of texts).
// The platform's Invoke refuses those with a type mismatch.  This dispatcher
// converts each argument to its parameter's type in the user's locale (so a
// decimal comma reads as a script user expects), converts arrays element by
// element, fills omitted arguments with the table's defaults, writes a
// changed value back into the caller's variable (arrays of texts as arrays of
// variants, the only ones a script can index) and reports the run-time
// error a member raised in EXCEPINFO.  It also refuses malformed arguments
// (unknown tags, arrays whose tag and elements disagree, looping
// references) before reading them.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "frame/metadata.h"

namespace kb::frame::dispatch {

HRESULT GetIDsOfNames(const meta::Class& cls, LPOLESTR* names, UINT count, DISPID* ids);

HRESULT Invoke(IDispatch* self, const meta::Class& cls, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result, EXCEPINFO* excep, UINT* argErr);

}  // namespace kb::frame::dispatch
