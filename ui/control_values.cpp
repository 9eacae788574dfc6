#include "ui/control_values.h"

#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::ui {
namespace {

bool IsNothing(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_DISPATCH: return !V_DISPATCH(&v);
    case VT_UNKNOWN: return !V_UNKNOWN(&v);
    case VT_BYREF | VT_DISPATCH: return !V_DISPATCHREF(&v) || !*V_DISPATCHREF(&v);
    case VT_BYREF | VT_UNKNOWN: return !V_UNKNOWNREF(&v) || !*V_UNKNOWNREF(&v);
    default: return false;
  }
}

}  // namespace

const VARIANT& ValueOrEmpty(const VARIANT* value) {
  static const VARIANT kEmpty{};
  return value ? *value : kEmpty;
}

ComPtr<IDispatch> ObjectOfKind(const VARIANT& value, rt::ControlKind kind) {
  const VARIANT& v = rt::Deref(value);
  if (IsNothing(v)) return nullptr;
  ComPtr<IDispatch> object = rt::ObjectOf(v);
  return rt::IsKind(object.Get(), kind) ? object : nullptr;
}

}  // namespace kb::ui
