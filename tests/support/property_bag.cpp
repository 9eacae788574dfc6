#include "tests/support/property_bag.h"

namespace kb::support {
namespace {
const VARIANT kEmpty{};
}  // namespace

void PropertyBag::Define(const std::wstring& name) {
  if (HasMember(name)) return;
  auto check = [this, name] {
    if (auto f = failures_.find(name); f != failures_.end())
      RaiseRuntimeError(f->second, L"Property '" + name + L"' fails");
  };
  Property(
      name,
      [this, name, check](Invocation& c) {
        check();
        c.ReturnVariant(Value(name));
      },
      [this, name, check](Invocation& c) {
        check();
        Set(name, c.Value());
      });
}

void PropertyBag::Set(const std::wstring& name, const VARIANT& value) {
  Define(name);
  kb::Variant copy;
  ::VariantCopyInd(copy.Get(), const_cast<VARIANT*>(&value));
  values_[name] = std::move(copy);
}

void PropertyBag::Set(const std::wstring& name, double value) {
  VARIANT v;
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  Set(name, v);
}

const VARIANT& PropertyBag::Value(const std::wstring& name) const {
  auto found = values_.find(name);
  return found == values_.end() ? kEmpty : *found->second.Get();
}

double PropertyBag::Number(const std::wstring& name) const { return AsDouble(Value(name)); }

void PropertyBag::Fail(const std::wstring& name, long number) {
  Define(name);
  failures_[name] = number;
}

void PropertyBag::AddMethod(const std::wstring& name, size_t maxArgs) {
  Method(name, {0, maxArgs}, [](Invocation&) {});
}

}  // namespace kb::support
