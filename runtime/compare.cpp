#include "runtime/compare.h"

#include <oleauto.h>

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

Order FromSign(int sign) {
  return sign < 0 ? Order::Less : sign > 0 ? Order::Greater : Order::Equal;
}

Order CompareNumbers(VARIANT& a, VARIANT& b) {
  const HRESULT hr = ::VarCmp(&a, &b, LOCALE_USER_DEFAULT, 0);
  switch (hr) {
    case VARCMP_LT: return Order::Less;
    case VARCMP_EQ: return Order::Equal;
    case VARCMP_GT: return Order::Greater;
    case VARCMP_NULL: return Order::Null;
    default: CheckAutomation(hr); return Order::Null;
  }
}

}  // namespace

bool IsNumberType(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_DECIMAL: return true;
    default: return false;
  }
}

Order CompareText(std::wstring_view a, std::wstring_view b) { return FromSign(a.compare(b)); }

Order CompareValues(const VARIANT& left, const VARIANT& right) {
  // An object stands for its default member's value.
  Variant a = ValueOf(left);
  Variant b = ValueOf(right);
  const VARTYPE ta = a.Type();
  const VARTYPE tb = b.Type();
  if (ta == VT_NULL || tb == VT_NULL) return Order::Null;
  const bool textA = ta == VT_BSTR;
  const bool textB = tb == VT_BSTR;
  if (textA || textB) {
    if (textA && textB) return CompareText(View(V_BSTR(a.Get())), View(V_BSTR(b.Get())));
    // Empty stands for an empty text beside a text.
    if (ta == VT_EMPTY) return CompareText(L"", View(V_BSTR(b.Get())));
    if (tb == VT_EMPTY) return CompareText(View(V_BSTR(a.Get())), L"");
    if (IsNumberType(ta)) return Order::Less;
    if (IsNumberType(tb)) return Order::Greater;
    Raise(kErrTypeMismatch);
  }
  const bool numberA = ta == VT_EMPTY || IsNumberType(ta);
  const bool numberB = tb == VT_EMPTY || IsNumberType(tb);
  if (!numberA || !numberB) Raise(kErrTypeMismatch);
  if (ta == VT_EMPTY && tb == VT_EMPTY) return Order::Equal;
  return CompareNumbers(*a.Get(), *b.Get());
}

}  // namespace kb::rt
