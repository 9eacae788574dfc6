#include "runtime/variants.h"

namespace kb::rt {

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
