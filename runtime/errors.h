// Run-time errors: the one failure mechanism of every routine.
//
// A routine raises an Error (a numbered run-time error, or the failure of a
// called object with its own code); the frame turns it into the HRESULT and
// error information the caller sees.  VB-style clients read a run-time error
// n from HRESULT 0x800A0000 + n.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace kb {

// The run-time errors the library raises or reads, kErr<name>, from the
// table in runtime/errors.def.
enum ErrNo : long {
#define KB_ERROR(number, name, description) kErr##name = number,
#include "runtime/errors.def"
#undef KB_ERROR
};

constexpr HRESULT kRuntimeFacility = static_cast<HRESULT>(0x800A0000);
constexpr HRESULT HresultOfError(long number) { return kRuntimeFacility | (number & 0xFFFF); }
constexpr bool IsRuntimeHresult(HRESULT hr) {
  return (static_cast<unsigned long>(hr) & 0xFFFF0000u) ==
         static_cast<unsigned long>(kRuntimeFacility);
}

// The library's own name, used as the source of the errors it raises and as
// the title of message boxes without one.
inline constexpr wchar_t kLibraryName[] = L"Kitbag";

class Error : public std::exception {
 public:
  // A run-time error with the runtime's standard description.
  explicit Error(long number);
  Error(long number, std::wstring description, std::wstring source = kLibraryName);
  // The failure of a called object: keeps its code, description and source.
  static Error FromObject(HRESULT hr, std::wstring description, std::wstring source);

  HRESULT Hresult() const { return hr_; }
  // The run-time error number a VB client sees (Err.Number).
  long Number() const { return IsRuntimeHresult(hr_) ? (hr_ & 0xFFFF) : hr_; }
  const std::wstring& Description() const { return description_; }
  const std::wstring& Source() const { return source_; }
  const char* what() const noexcept override { return "kitbag run-time error"; }

 private:
  Error() = default;
  HRESULT hr_ = E_FAIL;
  std::wstring description_;
  std::wstring source_;
};

// The runtime's standard English description of a run-time error number.
std::wstring StandardDescription(long number);

[[noreturn]] void Raise(long number);
[[noreturn]] void Raise(long number, std::wstring description);

// Turns a failed HRESULT into the error it stands for: the conversion
// failures of the automation library become the run-time errors they mean
// (overflow 6, type mismatch 13, ...); anything else keeps its code and takes
// the current error information, when there is one.
[[noreturn]] void RaiseHresult(HRESULT hr);
inline void Check(HRESULT hr) {
  if (FAILED(hr)) RaiseHresult(hr);
}

// Publishes an error as the calling thread's error information.
void SetErrorInfoFor(const Error& error, REFGUID interfaceId);

// The error that the exception in flight stands for (call inside a catch).
Error CurrentError();

}  // namespace kb
