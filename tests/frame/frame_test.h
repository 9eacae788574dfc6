// What the frame tests share: an apartment, objects of the registered
// library, and late-bound calls with hand-built argument lists.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/handles.h"
#include "tests/support/apartment.h"

namespace kbtest {

using kb::support::Apartment;

inline kb::ComPtr<IDispatch> Create(const wchar_t* progId) {
  CLSID clsid;
  kb::ComPtr<IDispatch> object;
  EXPECT_EQ(S_OK, ::CLSIDFromProgID(progId, &clsid));
  EXPECT_EQ(S_OK, ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(object.Out())));
  return object;
}

template <class Iface>
Iface* Early(const kb::ComPtr<IDispatch>& d) {
  return reinterpret_cast<Iface*>(d.Get());
}

inline DISPID IdOf(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = DISPID_UNKNOWN;
  d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

// The outcome of one IDispatch::Invoke.
struct Outcome {
  HRESULT hr = E_FAIL;
  kb::Variant result;
  HRESULT scode = S_OK;
  std::wstring description, source;
  UINT argErr = ~0u;
};

// args are in source order (first parameter first); they are reversed into
// DISPPARAMS as the calling convention requires.  named holds the dispids of
// the trailing named arguments.
inline Outcome Call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args,
                    std::vector<DISPID> named = {}) {
  Outcome o;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  std::vector<DISPID> ids(named.rbegin(), named.rend());
  DISPPARAMS dp{reversed.data(), ids.data(), static_cast<UINT>(reversed.size()),
                static_cast<UINT>(ids.size())};
  EXCEPINFO ex{};
  o.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, o.result.Out(), &ex, &o.argErr);
  o.scode = ex.scode;
  if (ex.bstrDescription) o.description = ex.bstrDescription;
  if (ex.bstrSource) o.source = ex.bstrSource;
  ::SysFreeString(ex.bstrDescription);
  ::SysFreeString(ex.bstrSource);
  ::SysFreeString(ex.bstrHelpFile);
  return o;
}

inline Outcome Call(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args,
                    std::vector<DISPID> named = {}) {
  return Call(d, IdOf(d, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args),
              std::move(named));
}

// Argument builders; the caller keeps the storage alive for the call.
inline VARIANT Text(BSTR s) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = s;
  return v;
}
inline VARIANT Long(long n) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}
inline VARIANT RefVariant(VARIANT* target) {
  VARIANT v;
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}
inline VARIANT Missing() {
  VARIANT v;
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

inline std::wstring ResultText(const Outcome& o) {
  return V_VT(o.result.Get()) == VT_BSTR ? std::wstring(kb::View(V_BSTR(o.result.Get())))
                                         : L"<not text>";
}

}  // namespace kbtest
