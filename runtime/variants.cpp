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
