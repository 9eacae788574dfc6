#include "tests/support/dispatch_call.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "tests/support/dispatch_object.h"

namespace kb::support {
namespace {

kb::Variant Owned(VARTYPE type) {
  kb::Variant v;
  V_VT(v.Get()) = type;
  return v;
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

const char* KnownHresultName(HRESULT hr) {
  struct Name {
    HRESULT hr;
    const char* name;
  };
  static const Name kNames[] = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_FAIL, "E_FAIL"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {E_POINTER, "E_POINTER"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
      {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
      {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
      {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
      {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
      {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
      {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
      {DISP_E_UNKNOWNLCID, "DISP_E_UNKNOWNLCID"},
      {DISP_E_ARRAYISLOCKED, "DISP_E_ARRAYISLOCKED"},
      {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
      {DISP_E_BADCALLEE, "DISP_E_BADCALLEE"},
      {DISP_E_NOTACOLLECTION, "DISP_E_NOTACOLLECTION"},
      {DISP_E_DIVBYZERO, "DISP_E_DIVBYZERO"},
      {TYPE_E_LIBNOTREGISTERED, "TYPE_E_LIBNOTREGISTERED"},
      {TYPE_E_ELEMENTNOTFOUND, "TYPE_E_ELEMENTNOTFOUND"},
      {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED"},
      {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
      {RPC_E_CHANGED_MODE, "RPC_E_CHANGED_MODE"},
  };
  for (const Name& n : kNames) {
    if (n.hr == hr) return n.name;
  }
  return nullptr;
}

std::string SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", length);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return Utf8(text);
}

const char* TypeName(VARTYPE type) {
  switch (type & VT_TYPEMASK) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_I2: return "VT_I2";
    case VT_I4: return "VT_I4";
    case VT_R4: return "VT_R4";
    case VT_R8: return "VT_R8";
    case VT_CY: return "VT_CY";
    case VT_DATE: return "VT_DATE";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_ERROR: return "VT_ERROR";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_UNKNOWN: return "VT_UNKNOWN";
    case VT_UI1: return "VT_UI1";
    default: return "VT_?";
  }
}

// Looks up the member and the names of named arguments in one call, as
// the convention wants them resolved together.
HRESULT ResolveNames(IDispatch* target, std::wstring_view name, std::vector<Arg>& args,
                     DISPID* id) {
  std::wstring member(name);
  std::vector<LPOLESTR> names{member.data()};
  std::vector<Arg*> byName;
  for (Arg& a : args) {
    if (a.IsNamed() && !a.NamedId()) {
      names.push_back(const_cast<LPOLESTR>(a.NamedName().c_str()));
      byName.push_back(&a);
    }
  }
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = target->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                     LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(hr)) return hr;
  *id = ids[0];
  for (size_t i = 0; i < byName.size(); ++i) byName[i]->ResolveName(ids[i + 1]);
  return S_OK;
}

void CopyException(EXCEPINFO& e, CallResult& r) {
  if (e.pfnDeferredFillIn) e.pfnDeferredFillIn(&e);
  kb::Bstr source = kb::Bstr::Attach(e.bstrSource);
  kb::Bstr description = kb::Bstr::Attach(e.bstrDescription);
  kb::Bstr help = kb::Bstr::Attach(e.bstrHelpFile);
  r.wCode = e.wCode;
  r.scode = e.scode;
  r.source = source.View();
  r.description = description.View();
}

}  // namespace

kb::Variant VText(std::wstring_view text) { return kb::Variant::FromText(kb::Bstr(text)); }

kb::Variant VI2(short value) {
  kb::Variant v = Owned(VT_I2);
  V_I2(v.Get()) = value;
  return v;
}

kb::Variant VI4(long value) {
  kb::Variant v = Owned(VT_I4);
  V_I4(v.Get()) = value;
  return v;
}

kb::Variant VR8(double value) {
  kb::Variant v = Owned(VT_R8);
  V_R8(v.Get()) = value;
  return v;
}

kb::Variant VBool(bool value) {
  kb::Variant v = Owned(VT_BOOL);
  V_BOOL(v.Get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

kb::Variant VObject(IDispatch* object) {
  kb::Variant v = Owned(VT_DISPATCH);
  if (object) object->AddRef();
  V_DISPATCH(v.Get()) = object;
  return v;
}

kb::Variant VNull() { return Owned(VT_NULL); }

// ----------------------------------------------------------------------- Arg

Arg::Arg(const Arg& other)
    : ref_(other.ref_),
      typedRef_(other.typedRef_),
      namedId_(other.namedId_),
      namedName_(other.namedName_) {
  HRESULT hr = ::VariantCopy(value_.Out(), const_cast<VARIANT*>(other.value_.Get()));
  if (FAILED(hr)) throw DispatchError(hr);
}

Arg& Arg::operator=(const Arg& other) {
  if (this != &other) *this = Arg(other);
  return *this;
}

Arg Arg::ByVal(const VARIANT& value) {
  Arg a;
  HRESULT hr = ::VariantCopy(a.value_.Out(), const_cast<VARIANT*>(&value));
  if (FAILED(hr)) throw DispatchError(hr);
  return a;
}

Arg Arg::ByRef(VARIANT* variable) {
  Arg a;
  a.ref_ = variable;
  return a;
}

Arg Arg::ByRefTyped(VARIANT* variable) {
  Arg a;
  a.ref_ = variable;
  a.typedRef_ = true;
  return a;
}

Arg Arg::Missing() {
  Arg a(Owned(VT_ERROR));
  V_ERROR(a.value_.Get()) = DISP_E_PARAMNOTFOUND;
  return a;
}

Arg Arg::Named(DISPID id, Arg arg) {
  arg.namedId_ = id;
  return arg;
}

Arg Arg::Named(std::wstring name, Arg arg) {
  arg.namedName_ = std::move(name);
  return arg;
}

VARIANTARG Arg::Slot() const {
  VARIANTARG slot;
  ::VariantInit(&slot);
  if (!ref_) return *value_.Get();
  if (typedRef_) {
    // Every member of the value union starts at the same address.
    V_VT(&slot) = static_cast<VARTYPE>(VT_BYREF | V_VT(ref_));
    V_BYREF(&slot) = &V_I4(ref_);
  } else {
    V_VT(&slot) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&slot) = ref_;
  }
  return slot;
}

// ---------------------------------------------------------------- CallResult

std::wstring CallResult::Text() const { return AsText(*value.Get()); }
long CallResult::Long() const { return AsLong(*value.Get()); }
double CallResult::Double() const { return AsDouble(*value.Get()); }
bool CallResult::Bool() const { return AsBool(*value.Get()); }
kb::ComPtr<IDispatch> CallResult::Object() const { return AsObject(*value.Get()); }

long CallResult::ErrorNumber() const {
  if (SUCCEEDED(hr)) return 0;
  HRESULT code = hr;
  if (hr == DISP_E_EXCEPTION) code = scode ? scode : static_cast<HRESULT>(wCode);
  if (HRESULT_FACILITY(code) == FACILITY_CONTROL) return HRESULT_CODE(code);
  return code;
}

std::string CallResult::Describe() const {
  std::ostringstream out;
  out << HresultText(hr);
  if (Ok()) {
    out << ", result " << VariantText(*value.Get());
    return out.str();
  }
  if (hr == DISP_E_EXCEPTION) {
    out << " (scode " << HresultText(scode) << ", wCode " << wCode << ", source \"" << Utf8(source)
        << "\", description \"" << Utf8(description) << "\")";
  }
  if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) out << " at rgvarg " << argErr;
  return out.str();
}

std::ostream& operator<<(std::ostream& out, const CallResult& r) { return out << r.Describe(); }

// --------------------------------------------------------------------- calls

CallResult CallId(IDispatch* target, DISPID id, WORD flags, std::vector<Arg> args) {
  CallResult r;
  if (!target) {
    r.hr = E_POINTER;
    return r;
  }
  std::vector<const Arg*> named, positional;
  for (const Arg& a : args) {
    if (a.IsNamed() && !a.NamedId()) {
      r.hr = E_INVALIDARG;  // a name needs the member name to resolve
      return r;
    }
    (a.IsNamed() ? named : positional).push_back(&a);
  }
  // Named arguments first, then the positional ones in reverse order.
  std::vector<VARIANTARG> slots;
  std::vector<DISPID> namedIds;
  for (const Arg* a : named) {
    slots.push_back(a->Slot());
    namedIds.push_back(*a->NamedId());
  }
  for (auto it = positional.rbegin(); it != positional.rend(); ++it) slots.push_back((*it)->Slot());
  DISPPARAMS params{slots.empty() ? nullptr : slots.data(),
                    namedIds.empty() ? nullptr : namedIds.data(), static_cast<UINT>(slots.size()),
                    static_cast<UINT>(namedIds.size())};
  EXCEPINFO excep{};
  r.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.Out(), &excep,
                        &r.argErr);
  CopyException(excep, r);
  return r;
}

CallResult Call(IDispatch* target, std::wstring_view name, WORD flags, std::vector<Arg> args) {
  CallResult r;
  if (!target) {
    r.hr = E_POINTER;
    return r;
  }
  DISPID id = DISPID_UNKNOWN;
  r.hr = ResolveNames(target, name, args, &id);
  if (FAILED(r.hr)) return r;
  return CallId(target, id, flags, std::move(args));
}

CallResult Get(IDispatch* target, std::wstring_view name, std::vector<Arg> indexes) {
  return Call(target, name, DISPATCH_PROPERTYGET, std::move(indexes));
}

CallResult Put(IDispatch* target, std::wstring_view name, Arg value, std::vector<Arg> indexes) {
  indexes.push_back(Arg::Named(DISPID_PROPERTYPUT, std::move(value)));
  return Call(target, name, DISPATCH_PROPERTYPUT, std::move(indexes));
}

CallResult PutRef(IDispatch* target, std::wstring_view name, Arg value) {
  return Call(target, name, DISPATCH_PROPERTYPUTREF,
              {Arg::Named(DISPID_PROPERTYPUT, std::move(value))});
}

CallResult CallMethod(IDispatch* target, std::wstring_view name, std::vector<Arg> args) {
  return Call(target, name, DISPATCH_METHOD, std::move(args));
}

std::vector<kb::Variant> Enumerate(IDispatch* collection, HRESULT* hr) {
  HRESULT ignored;
  if (!hr) hr = &ignored;
  std::vector<kb::Variant> items;
  CallResult r = CallId(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  *hr = r.hr;
  if (FAILED(r.hr)) return items;
  VARIANT* v = r.value.Get();
  IUnknown* unknown = V_VT(v) == VT_UNKNOWN    ? V_UNKNOWN(v)
                      : V_VT(v) == VT_DISPATCH ? V_DISPATCH(v)
                                               : nullptr;
  if (!unknown) {
    *hr = DISP_E_TYPEMISMATCH;
    return items;
  }
  kb::ComPtr<IEnumVARIANT> walker;
  *hr = unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walker.Out()));
  if (FAILED(*hr)) return items;
  for (;;) {
    kb::Variant item;
    ULONG fetched = 0;
    *hr = walker->Next(1, item.Out(), &fetched);
    if (FAILED(*hr)) return items;
    if (*hr != S_OK || fetched != 1) break;
    items.push_back(std::move(item));
  }
  *hr = S_OK;
  return items;
}

// ------------------------------------------------------------------ printing

std::string HresultText(HRESULT hr) {
  std::string text = Hex(static_cast<unsigned long>(hr));
  if (const char* name = KnownHresultName(hr)) return text + " " + name;
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && FAILED(hr)) {
    return text + " run-time error " + std::to_string(HRESULT_CODE(hr));
  }
  std::string message = SystemMessage(hr);
  return message.empty() ? text : text + " " + message;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::string VariantText(const VARIANT& v) {
  std::string type = TypeName(V_VT(&v));
  if (V_VT(&v) & VT_BYREF) type = "VT_BYREF|" + type;
  if (V_VT(&v) & VT_ARRAY) type = "VT_ARRAY|" + type;
  if (V_VT(&v) & (VT_BYREF | VT_ARRAY)) return type;
  switch (V_VT(&v)) {
    case VT_EMPTY:
    case VT_NULL: return type;
    case VT_BSTR: return type + " \"" + Utf8(kb::View(V_BSTR(&v))) + "\"";
    case VT_DISPATCH:
    case VT_UNKNOWN: return type + (V_UNKNOWN(&v) ? " (object)" : " Nothing");
    case VT_ERROR: return type + " " + HresultText(V_ERROR(&v));
    default: break;
  }
  kb::Variant text;
  HRESULT hr =
      ::VariantChangeType(text.Out(), const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR);
  if (FAILED(hr)) return type;
  return type + " " + Utf8(kb::View(V_BSTR(text.Get())));
}

}  // namespace kb::support
