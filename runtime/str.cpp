#include "runtime/str.h"

#include <oleauto.h>

#include <string>

#include "runtime/compare.h"
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {

Bstr Str(const VARIANT& in) {
  Variant value;
  CheckAutomation(::VariantCopyInd(value.Get(), const_cast<VARIANT*>(&Deref(in))));
  if (value.Type() == VT_NULL) Raise(kErrInvalidNull);
  if (value.Type() == VT_EMPTY || value.Type() == VT_BSTR) {
    // A text is read as a number in the user's locale first.
    const double number =
        value.Type() == VT_EMPTY ? 0.0 : NumberFromText(View(V_BSTR(value.Get())));
    Variant converted;
    V_VT(converted.Get()) = VT_R8;
    V_R8(converted.Get()) = number;
    value = std::move(converted);
  }
  if (value.Type() == VT_BOOL) return Bstr(V_BOOL(value.Get()) ? L"True" : L"False");
  if (!IsNumberType(value.Type())) Raise(kErrTypeMismatch);
  Variant text;
  CheckAutomation(::VariantChangeTypeEx(
      text.Get(), value.Get(), MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT),
      VARIANT_NOUSEROVERRIDE, VT_BSTR));
  std::wstring out(View(V_BSTR(text.Get())));
  if (out.empty() || out.front() != L'-') out.insert(out.begin(), L' ');
  return Bstr(out);
}

}  // namespace kb::rt
