#include "runtime/convert.h"

#include <oleauto.h>

#include "runtime/dates.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

Bstr TextOf(VARTYPE type, double value) {
  Variant v;
  V_VT(v.Get()) = type;
  V_R8(v.Get()) = value;  // VT_DATE shares the storage of VT_R8
  Variant text;
  CheckAutomation(::VariantChangeTypeEx(text.Get(), v.Get(), LOCALE_USER_DEFAULT, 0, VT_BSTR));
  VARIANT raw = text.Release();
  return Bstr::Attach(V_BSTR(&raw));
}

}  // namespace

void CheckAutomation(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  ::SetErrorInfo(0, nullptr);
  switch (hr) {
    case DISP_E_OVERFLOW: Raise(kErrOverflow);
    case DISP_E_TYPEMISMATCH: Raise(kErrTypeMismatch);
    default: RaiseHresult(hr);
  }
}

double NumberFromText(std::wstring_view text) {
  const Bstr copy(text);
  double value = 0;
  CheckAutomation(::VarR8FromStr(copy.Get(), LOCALE_USER_DEFAULT, 0, &value));
  return value;
}

DATE ToDate(const VARIANT& in) {
  const VARIANT& v = Deref(in);
  switch (V_VT(&v)) {
    case VT_NULL: Raise(kErrInvalidNull);
    case VT_DATE: return CheckedDate(V_DATE(&v));
    case VT_BYREF | VT_DATE: return CheckedDate(*V_DATEREF(&v));
    default: break;
  }
  Variant date;
  CheckAutomation(
      ::VariantChangeTypeEx(date.Get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, VT_DATE));
  return CheckedDate(V_DATE(date.Get()));
}

Bstr DateText(DATE date) { return TextOf(VT_DATE, CheckedDate(date)); }

Bstr NumberText(double number) { return TextOf(VT_R8, number); }

}  // namespace kb::rt
