#include "runtime/variants.h"

namespace kb::rt {

size_t StorageSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_VARIANT: return sizeof(VARIANT);
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN: return sizeof(void*);
    default: return 0;
  }
}

namespace {

// Types whose elements the system copies and frees through pointers: an
// array of them without its own record of the type is no such array.
constexpr USHORT kOwningFeatures =
    FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD | FADF_HAVEIID;

bool PlainValues(VARTYPE t) {
  return t != VT_BSTR && t != VT_UNKNOWN && t != VT_DISPATCH && t != VT_VARIANT;
}

bool SameElementType(VARTYPE a, VARTYPE b) {
  // INT and UINT are the 32-bit integers under other names.
  auto canonical = [](VARTYPE t) -> VARTYPE {
    if (t == VT_INT) return VT_I4;
    if (t == VT_UINT) return VT_UI4;
    return t;
  };
  return canonical(a) == canonical(b);
}

bool ArrayMatches(SAFEARRAY* array, VARTYPE claimed, int depth);

bool ElementsMatch(SAFEARRAY* array, int depth) {
  ULONG count = 1;
  for (USHORT d = 0; d < array->cDims; ++d) count *= array->rgsabound[d].cElements;
  if (count && !array->pvData) return false;
  const auto* items = static_cast<const VARIANT*>(array->pvData);
  for (ULONG i = 0; i < count; ++i) {
    const VARTYPE vt = V_VT(&items[i]);
    if (!(vt & VT_ARRAY)) continue;
    SAFEARRAY* inner = (vt & VT_BYREF) ? (V_ARRAYREF(&items[i]) ? *V_ARRAYREF(&items[i]) : nullptr)
                                       : V_ARRAY(&items[i]);
    if (!ArrayMatches(inner, vt & VT_TYPEMASK, depth + 1)) return false;
  }
  return true;
}

bool ArrayMatches(SAFEARRAY* array, VARTYPE claimed, int depth) {
  // Arrays of variants holding arrays nest a few levels at most; deeper is a
  // structure that contains itself.
  constexpr int kDeepest = 8;
  if (!array) return true;
  if (claimed == VT_RECORD || depth > kDeepest || !array->cDims) return false;
  const size_t size = StorageSize(claimed);
  if (!size || array->cbElements != size) return false;
  VARTYPE own = VT_EMPTY;
  if (SUCCEEDED(::SafeArrayGetVartype(array, &own))) {
    if (!SameElementType(own, claimed)) return false;
  } else if (!PlainValues(claimed) || (array->fFeatures & kOwningFeatures)) {
    return false;
  }
  return claimed != VT_VARIANT || ElementsMatch(array, depth);
}

}  // namespace

bool ArrayMatchesTag(const VARIANT& value) {
  const VARTYPE vt = V_VT(&value);
  if (!(vt & VT_ARRAY)) return true;
  SAFEARRAY* array =
      (vt & VT_BYREF) ? (V_ARRAYREF(&value) ? *V_ARRAYREF(&value) : nullptr) : V_ARRAY(&value);
  return ArrayMatches(array, vt & VT_TYPEMASK, 0);
}

Variant FromShort(short value) {
  Variant v;
  V_VT(v.Get()) = VT_I2;
  V_I2(v.Get()) = value;
  return v;
}

Variant FromLong(long value) {
  Variant v;
  V_VT(v.Get()) = VT_I4;
  V_I4(v.Get()) = value;
  return v;
}

Variant FromDouble(double value) {
  Variant v;
  V_VT(v.Get()) = VT_R8;
  V_R8(v.Get()) = value;
  return v;
}

Variant FromSingle(float value) {
  Variant v;
  V_VT(v.Get()) = VT_R4;
  V_R4(v.Get()) = value;
  return v;
}

Variant FromBool(bool value) {
  Variant v;
  V_VT(v.Get()) = VT_BOOL;
  V_BOOL(v.Get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant FromText(std::wstring_view text) { return Variant::FromText(Bstr(text)); }

Variant FromObject(IDispatch* object) {
  Variant v;
  V_VT(v.Get()) = VT_DISPATCH;
  V_DISPATCH(v.Get()) = object;
  if (object) object->AddRef();
  return v;
}

}  // namespace kb::rt
