// Late-bound calls from tests, with DISPPARAMS built by hand so a test
// controls exactly what a client would pass: by-value or by-reference
// arguments, named ones, missing optionals.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/handles.h"

namespace kb::support {

// Owned VARIANTs of the common types.
kb::Variant VText(std::wstring_view text);
kb::Variant VI2(short value);
kb::Variant VI4(long value);
kb::Variant VR8(double value);
kb::Variant VBool(bool value);
kb::Variant VObject(IDispatch* object);  // null gives Nothing
kb::Variant VNull();

// One argument of a call.  The plain constructors pass by value, so a call
// reads like the client code: Call(list, L"AddItem", DISPATCH_METHOD, {L"x", 0}).
class Arg {
 public:
  Arg(const wchar_t* text) : Arg(VText(text)) {}
  Arg(std::wstring_view text) : Arg(VText(text)) {}
  Arg(const std::wstring& text) : Arg(VText(text)) {}
  Arg(int value) : Arg(VI4(value)) {}
  Arg(long value) : Arg(VI4(value)) {}
  Arg(short value) : Arg(VI2(value)) {}
  Arg(double value) : Arg(VR8(value)) {}
  Arg(bool value) : Arg(VBool(value)) {}
  Arg(IDispatch* object) : Arg(VObject(object)) {}
  Arg(kb::Variant value) : value_(std::move(value)) {}
  Arg(const Arg& other);
  Arg& operator=(const Arg& other);
  Arg(Arg&&) = default;
  Arg& operator=(Arg&&) = default;

  static Arg ByVal(const VARIANT& value);
  static Arg ByVal(kb::Variant value) { return Arg(std::move(value)); }
  // VT_BYREF|VT_VARIANT to the caller's variable, as a script passes it.
  static Arg ByRef(VARIANT* variable);
  // VT_BYREF|<its type> into the variable's value, as a compiled client
  // passes a typed variable (a Long or a String).
  static Arg ByRefTyped(VARIANT* variable);
  // VT_ERROR DISP_E_PARAMNOTFOUND: an omitted optional argument.
  static Arg Missing();
  static Arg Named(DISPID id, Arg arg);
  // Resolved through GetIDsOfNames together with the member name.
  static Arg Named(std::wstring name, Arg arg);

  bool IsNamed() const { return namedId_.has_value() || !namedName_.empty(); }
  const std::wstring& NamedName() const { return namedName_; }
  std::optional<DISPID> NamedId() const { return namedId_; }
  void ResolveName(DISPID id) { namedId_ = id; }
  // The VARIANTARG placed in DISPPARAMS; it borrows this Arg's storage.
  VARIANTARG Slot() const;

 private:
  Arg() = default;
  kb::Variant value_;
  VARIANT* ref_ = nullptr;
  bool typedRef_ = false;
  std::optional<DISPID> namedId_;
  std::wstring namedName_;
};

// The outcome of one Invoke, with EXCEPINFO already copied out and freed.
struct CallResult {
  HRESULT hr = E_FAIL;
  kb::Variant value;
  UINT argErr = 0;
  WORD wCode = 0;
  SCODE scode = 0;
  std::wstring source;
  std::wstring description;

  bool Ok() const { return SUCCEEDED(hr); }
  // The value coerced as the client would; a failed coercion throws.
  std::wstring Text() const;
  long Long() const;
  double Double() const;
  bool Bool() const;
  kb::ComPtr<IDispatch> Object() const;
  // The client runtime's error number (Err.Number) this failure surfaces as:
  // n for 0x800A0000 + n, the HRESULT itself otherwise, 0 on success.
  long ErrorNumber() const;
  std::string Describe() const;
};
std::ostream& operator<<(std::ostream& out, const CallResult& r);

// A failed early-bound call as a table row shows it: "#" and the run-time
// error number (the low word of the HRESULT).
inline std::wstring Failure(HRESULT hr) { return L"#" + std::to_wstring(hr & 0xFFFF); }

// Any call: flags are DISPATCH_METHOD, DISPATCH_PROPERTYGET, ... as given.
// For a put the value must be passed as Arg::Named(DISPID_PROPERTYPUT, v).
CallResult Call(IDispatch* target, std::wstring_view name, WORD flags, std::vector<Arg> args = {});
CallResult CallId(IDispatch* target, DISPID id, WORD flags, std::vector<Arg> args = {});
// Shorthands for what a client compiles `x = o.P(i)`, `o.P(i) = v`,
// `Set o.P = v` and `o.M a, b` into.
CallResult Get(IDispatch* target, std::wstring_view name, std::vector<Arg> indexes = {});
CallResult Put(IDispatch* target, std::wstring_view name, Arg value, std::vector<Arg> indexes = {});
CallResult PutRef(IDispatch* target, std::wstring_view name, Arg value);
CallResult CallMethod(IDispatch* target, std::wstring_view name, std::vector<Arg> args = {});

// What For Each sees: the items of _NewEnum (DISPID_NEWENUM) in order.
// A failure along the way leaves its HRESULT in *hr.
std::vector<kb::Variant> Enumerate(IDispatch* collection, HRESULT* hr = nullptr);

// "0x80020003 DISP_E_MEMBERNOTFOUND", "0x800A0035 run-time error 53".
std::string HresultText(HRESULT hr);
std::string Utf8(std::wstring_view text);
// "VT_BSTR "abc"", "VT_I4 5": for failure messages.
std::string VariantText(const VARIANT& v);

}  // namespace kb::support
