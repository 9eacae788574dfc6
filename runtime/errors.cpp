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
    {3, L"Return without GoSub"},
    {5, L"Invalid procedure call or argument"},
    {6, L"Overflow"},
    {7, L"Out of memory"},
    {9, L"Subscript out of range"},
    {10, L"This array is fixed or temporarily locked"},
    {11, L"Division by zero"},
    {13, L"Type mismatch"},
    {14, L"Out of string space"},
    {28, L"Out of stack space"},
    {48, L"Error in loading DLL"},
    {51, L"Internal error"},
    {52, L"Bad file name or number"},
    {53, L"File not found"},
    {54, L"Bad file mode"},
    {55, L"File already open"},
    {57, L"Device I/O error"},
    {58, L"File already exists"},
    {61, L"Disk full"},
    {62, L"Input past end of file"},
    {67, L"Too many files"},
    {68, L"Device unavailable"},
    {70, L"Permission denied"},
    {71, L"Disk not ready"},
    {74, L"Can't rename with different drive"},
    {75, L"Path/File access error"},
    {76, L"Path not found"},
    {91, L"Object variable or With block variable not set"},
    {92, L"For loop not initialized"},
    {93, L"Invalid pattern string"},
    {94, L"Invalid use of Null"},
    {380, L"Invalid property value"},
    {424, L"Object required"},
    {429, L"ActiveX component can't create object"},
    {438, L"Object doesn't support this property or method"},
    {440, L"Automation error"},
    {445, L"Object doesn't support this action"},
    {448, L"Named argument not found"},
    {449, L"Argument not optional"},
    {450, L"Wrong number of arguments or invalid property assignment"},
    {481, L"Invalid picture"},
    {482, L"Printer error"},
};

// Conversion failures of the automation library and the run-time errors
// they mean to a VB client.
long RuntimeNumberOf(HRESULT hr) {
  switch (hr) {
    case DISP_E_OVERFLOW: return kErrOverflow;
    case DISP_E_TYPEMISMATCH: return kErrTypeMismatch;
    case DISP_E_DIVBYZERO: return kErrDivisionByZero;
    case DISP_E_BADINDEX: return kErrSubscript;
    case DISP_E_ARRAYISLOCKED: return 10;
    case E_OUTOFMEMORY: return kErrOutOfMemory;
    case DISP_E_PARAMNOTFOUND: return 448;
    case DISP_E_BADPARAMCOUNT: return 450;
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return kErrNoSuchMember;
    default: return 0;
  }
}

std::wstring SystemMessage(HRESULT hr) {
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(hr), 0,
                             reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = n ? std::wstring(text, n) : std::wstring(L"Automation error");
  if (text) ::LocalFree(text);
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
    : hr_(HresultOfError(number)), description_(std::move(description)),
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
