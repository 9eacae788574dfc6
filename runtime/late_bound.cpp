#include "runtime/late_bound.h"

#include <dispex.h>

#include <string>
#include <vector>

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

// IDispatchEx, which the platform's import libraries do not carry.
constexpr GUID kIidDispatchEx = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

DISPID IdOf(IDispatch* object, std::wstring_view name) {
  Bstr copy(name);
  LPOLESTR names[] = {copy.Get()};
  DISPID id = DISPID_UNKNOWN;
  if (SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return id;
  // Some script engines' objects answer names only through IDispatchEx.
  auto extended = ComPtr<IDispatch>(object).As<IDispatchEx>(kIidDispatchEx);
  if (extended && SUCCEEDED(extended->GetDispID(copy.Get(), fdexNameCaseInsensitive, &id)))
    return id;
  Raise(kErrNoSuchMember);
}

// Owns what an object put into an EXCEPINFO.
struct ExcepInfo {
  EXCEPINFO info{};
  ExcepInfo() = default;
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  }
};

// The error an object reported through its EXCEPINFO.
[[noreturn]] void RaiseException(ExcepInfo& e) {
  if (e.info.pfnDeferredFillIn) e.info.pfnDeferredFillIn(&e.info);
  const HRESULT hr = e.info.scode ? e.info.scode : HresultOfError(e.info.wCode);
  const std::wstring description(View(e.info.bstrDescription));
  if (description.empty()) RaiseHresult(hr);
  throw Error::FromObject(hr, description, std::wstring(View(e.info.bstrSource)));
}

Variant InvokeId(IDispatch* object, DISPID id, WORD flags, std::initializer_list<VARIANT> args,
                 const VARIANT* putValue) {
  // Arguments go in last to first; a put's value goes first, named.
  std::vector<VARIANT> slots;
  if (putValue) slots.push_back(*putValue);
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) slots.push_back(*it);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{slots.data(), putValue ? &putId : nullptr, static_cast<UINT>(slots.size()),
                    putValue ? 1u : 0u};
  Variant result;
  ExcepInfo excep;
  UINT argErr = 0;
  // Error information left from an earlier call must not pass for this one's.
  ::SetErrorInfo(0, nullptr);
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                    putValue ? nullptr : result.Get(), &excep.info, &argErr);
  if (hr == DISP_E_EXCEPTION) RaiseException(excep);
  Check(hr);
  return result;
}

Variant Invoke(IDispatch* object, std::wstring_view name, WORD flags,
               std::initializer_list<VARIANT> args, const VARIANT* putValue) {
  if (!object) Raise(kErrObjectNotSet);
  return InvokeId(object, IdOf(object, name), flags, args, putValue);
}

}  // namespace

ComPtr<IDispatch> ObjectOf(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  switch (V_VT(&v)) {
    case VT_DISPATCH:
      if (!V_DISPATCH(&v)) Raise(kErrObjectNotSet);
      return ComPtr<IDispatch>(V_DISPATCH(&v));
    case VT_BYREF | VT_DISPATCH:
      if (!V_DISPATCHREF(&v) || !*V_DISPATCHREF(&v)) Raise(kErrObjectNotSet);
      return ComPtr<IDispatch>(*V_DISPATCHREF(&v));
    case VT_UNKNOWN:
    case VT_BYREF | VT_UNKNOWN: {
      IUnknown* unknown = V_VT(&v) == VT_UNKNOWN ? V_UNKNOWN(&v)
                          : V_UNKNOWNREF(&v)     ? *V_UNKNOWNREF(&v)
                                                 : nullptr;
      if (!unknown) Raise(kErrObjectNotSet);
      ComPtr<IDispatch> object;
      unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Out()));
      if (!object) Raise(kErrObjectRequired);
      return object;
    }
    default: Raise(kErrObjectRequired);
  }
}

IDispatch* Require(IDispatch* const* object) {
  if (!object || !*object) Raise(kErrObjectNotSet);
  return *object;
}

Variant Get(IDispatch* object, std::wstring_view name, std::initializer_list<VARIANT> args) {
  return Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
}

void Put(IDispatch* object, std::wstring_view name, const VARIANT& value) {
  Invoke(object, name, DISPATCH_PROPERTYPUT, {}, &value);
}

void PutValue(IDispatch* object, const VARIANT& value) {
  if (!object) Raise(kErrObjectNotSet);
  InvokeId(object, DISPID_VALUE, DISPATCH_PROPERTYPUT, {}, &value);
}

Variant GetItem(IDispatch* object, std::initializer_list<VARIANT> args) {
  if (!object) Raise(kErrObjectNotSet);
  return InvokeId(object, DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
}

void Call(IDispatch* object, std::wstring_view name, std::initializer_list<VARIANT> args) {
  Invoke(object, name, DISPATCH_METHOD, args, nullptr);
}

ComPtr<IDispatch> GetObjectOf(IDispatch* object, std::wstring_view name,
                              std::initializer_list<VARIANT> args) {
  return ObjectOf(*Get(object, name, args).Get());
}

Bstr GetText(IDispatch* object, std::wstring_view name) { return ToText(*Get(object, name).Get()); }
double GetDouble(IDispatch* object, std::wstring_view name) {
  return ToDouble(*Get(object, name).Get());
}
long GetLong(IDispatch* object, std::wstring_view name) { return ToLong(*Get(object, name).Get()); }

Variant ValueOf(const VARIANT& value) {
  const VARIANT& v = Deref(value);
  const VARTYPE type = V_VT(&v) & ~VT_BYREF;
  if (type == VT_DISPATCH || type == VT_UNKNOWN) {
    ComPtr<IDispatch> object = ObjectOf(v);
    Variant inner;
    DISPPARAMS none{};
    ExcepInfo excep;
    const HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, inner.Get(),
                                      &excep.info, nullptr);
    if (hr == DISP_E_EXCEPTION) RaiseException(excep);
    // An object without a default value cannot stand where a value is needed.
    if (FAILED(hr)) Raise(kErrNoSuchMember);
    const VARTYPE innerType = inner.Type() & ~VT_BYREF;
    if (innerType == VT_DISPATCH || innerType == VT_UNKNOWN) Raise(kErrTypeMismatch);
    return inner;
  }
  Variant copy;
  CheckAutomation(::VariantCopyInd(copy.Get(), const_cast<VARIANT*>(&v)));
  return copy;
}

namespace {
Variant Coerced(const VARIANT& value, VARTYPE type) {
  Variant v = ValueOf(value);
  if (v.Type() == VT_NULL) Raise(kErrInvalidNull);
  if (v.Type() == VT_ERROR || (v.Type() & VT_ARRAY)) Raise(kErrTypeMismatch);
  Variant out;
  CheckAutomation(::VariantChangeTypeEx(out.Get(), v.Get(), LOCALE_USER_DEFAULT, 0, type));
  return out;
}
}  // namespace

double ToDouble(const VARIANT& value) { return V_R8(Coerced(value, VT_R8).Get()); }
long ToLong(const VARIANT& value) { return V_I4(Coerced(value, VT_I4).Get()); }
short ToShort(const VARIANT& value) { return V_I2(Coerced(value, VT_I2).Get()); }
float ToSingle(const VARIANT& value) { return V_R4(Coerced(value, VT_R4).Get()); }

LONG_PTR ToHandleValue(const VARIANT& value) {
  if constexpr (sizeof(LONG_PTR) == sizeof(LONGLONG))
    return static_cast<LONG_PTR>(V_I8(Coerced(value, VT_I8).Get()));
  else
    return static_cast<LONG_PTR>(ToLong(value));
}

HWND ToHwnd(const VARIANT& value) { return reinterpret_cast<HWND>(ToHandleValue(value)); }

ForEach::ForEach(IDispatch* collection) {
  if (!collection) Raise(kErrObjectNotSet);
  DISPPARAMS none{};
  Variant source;
  ExcepInfo excep;
  const HRESULT hr = collection->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, source.Get(),
                                        &excep.info, nullptr);
  if (hr == DISP_E_EXCEPTION) RaiseException(excep);
  if (FAILED(hr)) Raise(kErrNoSuchMember);
  const VARTYPE type = source.Type();
  IUnknown* unknown = type == VT_UNKNOWN    ? V_UNKNOWN(source.Get())
                      : type == VT_DISPATCH ? V_DISPATCH(source.Get())
                                            : nullptr;
  if (unknown) unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items_.Out()));
  if (!items_) Raise(kErrNoSuchMember);
}

bool ForEach::Next(Variant& item) {
  ULONG fetched = 0;
  const HRESULT hr = items_->Next(1, item.Out(), &fetched);
  if (FAILED(hr)) RaiseHresult(hr);
  return hr == S_OK && fetched == 1;
}

}  // namespace kb::rt
