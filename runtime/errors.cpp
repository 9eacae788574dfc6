#include "runtime/errors.h"

#include <oleauto.h>

#include <new>

#include "runtime/handles.h"

namespace kb {
namespace {

struct Described {
  long number;
  const wchar_t* text;
};

// The run-time errors a routine of this library can raise, with the texts
// the language runtime gives them.
constexpr Described kDescriptions[] = {
#define KB_ERROR(number, name, description) {number, description},
#include "runtime/errors.def"
#undef KB_ERROR
};

// Conversion failures of the automation library and the run-time errors
// they mean to a VB client.
long RuntimeNumberOf(HRESULT hr) {
  switch (hr) {
    case DISP_E_OVERFLOW: return kErrOverflow;
    case DISP_E_TYPEMISMATCH: return kErrTypeMismatch;
    case DISP_E_DIVBYZERO: return kErrDivisionByZero;
    case DISP_E_BADINDEX: return kErrSubscript;
    case DISP_E_ARRAYISLOCKED: return kErrArrayLocked;
    case E_OUTOFMEMORY: return kErrOutOfMemory;
    case DISP_E_PARAMNOTFOUND: return kErrNamedArgumentNotFound;
    case DISP_E_BADPARAMCOUNT: return kErrWrongArgumentCount;
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return kErrNoSuchMember;
    default: return 0;
  }
}

std::wstring SystemMessage(HRESULT hr) {
  LocalMemory buffer;
  DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(buffer.Out()), 0, nullptr);
  std::wstring out = n ? std::wstring(static_cast<const wchar_t*>(buffer.Get()), n)
                       : std::wstring(L"Automation error");
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
    out.pop_back();
  return out;
}

}  // namespace

std::wstring StandardDescription(long number) {
  for (const auto& d : kDescriptions)
    if (d.number == number) return d.text;
  return L"Application-defined or object-defined error";
}

Error::Error(long number) : Error(number, StandardDescription(number)) {}

Error::Error(long number, std::wstring description, std::wstring source)
    : hr_(HresultOfError(number)),
      description_(std::move(description)),
      source_(std::move(source)) {}

Error Error::FromObject(HRESULT hr, std::wstring description, std::wstring source) {
  Error e;
  e.hr_ = hr;
  e.description_ = std::move(description);
  e.source_ = std::move(source);
  return e;
}

void Raise(long number) { throw Error(number); }
void Raise(long number, std::wstring description) { throw Error(number, std::move(description)); }

void RaiseHresult(HRESULT hr) {
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.Out()) == S_OK && info) {
    Bstr description, source;
    info->GetDescription(description.Out());
    info->GetSource(source.Out());
    if (IsRuntimeHresult(hr) || description.Length())
      throw Error::FromObject(hr, std::wstring(description.View()), std::wstring(source.View()));
  }
  if (IsRuntimeHresult(hr)) throw Error(hr & 0xFFFF);
  if (long n = RuntimeNumberOf(hr)) throw Error(n);
  throw Error::FromObject(hr, SystemMessage(hr), kLibraryName);
}

Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(kErrOutOfMemory);
  } catch (...) {
    return Error(kErrInternal);
  }
}

void SetErrorInfoFor(const Error& error, REFGUID interfaceId) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.Out()))) return;
  create->SetGUID(interfaceId);
  create->SetSource(const_cast<LPOLESTR>(error.Source().c_str()));
  create->SetDescription(const_cast<LPOLESTR>(error.Description().c_str()));
  auto info = create.As<IErrorInfo>(IID_IErrorInfo);
  ::SetErrorInfo(0, info.Get());
}

}  // namespace kb
