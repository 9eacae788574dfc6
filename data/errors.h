// The errors of the data layer.  Clients of the object model test the numbers
// they know from the platform's data access objects (3021 at the end of a
// recordset, 3704 on a closed object, ...), so those numbers are kept; a file
// that cannot be opened as a database fails with the generic failure code,
// which the connection table's retry looks for.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "runtime/errors.h"

namespace kb::data {

enum DataErr : long {
  kErrArguments = 3001,         // wrong type, out of range or in conflict
  kErrNoCurrentRecord = 3021,   // BOF or EOF, no current record
  kErrNotAllowed = 3219,        // not allowed in this context
  kErrNotSupported = 3251,      // not offered by this recordset or cursor
  kErrItemNotFound = 3265,      // no field of that name or position
  kErrDataConversion = 3421,    // a value of the wrong type
  kErrObjectClosed = 3704,      // the object is closed
  kErrObjectOpen = 3705,        // the object is open
  kErrProviderNotFound = 3706,  // unknown provider
  kErrNoConnection = 3709,      // no usable connection
};

// Failures of the engine, as OLE DB codes.
constexpr HRESULT kGenericFailure = E_FAIL;                             // 0x80004005
constexpr HRESULT kErrorsInCommand = static_cast<HRESULT>(0x80040E14);  // bad SQL
constexpr HRESULT kIntegrityViolation = static_cast<HRESULT>(0x80040E2F);

// Where the errors say they come from.
inline constexpr wchar_t kConnectionSource[] = L"Kitbag.Connection";
inline constexpr wchar_t kRecordsetSource[] = L"Kitbag.Recordset";
inline constexpr wchar_t kEngineSource[] = L"Kitbag data engine";

[[noreturn]] void Fail(long number, std::wstring description, const wchar_t* source);
[[noreturn]] void FailEngine(HRESULT hr, std::wstring description);

// UTF-8 of the engine and the automation texts.
std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view text);

}  // namespace kb::data
