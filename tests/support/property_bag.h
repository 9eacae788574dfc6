// An automation object whose properties are plain stored values, for the
// objects of a client that are not windows, and for reads that must fail:
// a property can be made to fail with a run-time error, and one that was
// never set does not exist (438 for the library).
#pragma once

#include <map>
#include <string>

#include "tests/support/dispatch_object.h"

namespace kb::support {

class PropertyBag : public DispatchObject {
 public:
  explicit PropertyBag(std::wstring typeName = L"Object") : DispatchObject(std::move(typeName)) {}
  // Creates the property (readable and assignable) or changes its value.
  void Set(const std::wstring& name, const VARIANT& value);
  void Set(const std::wstring& name, double value);
  // The current value; Empty for a property never set.
  const VARIANT& Value(const std::wstring& name) const;
  double Number(const std::wstring& name) const;
  // From now on reading or assigning the property fails with error n.
  void Fail(const std::wstring& name, long number);
  // A method that does nothing but be logged (see StartLog).
  void AddMethod(const std::wstring& name, size_t maxArgs);
  // Type information naming the bag's type name, as the client's objects have.
  void ShowTypeName() { PublishTypeName(); }

 private:
  void Define(const std::wstring& name);
  std::map<std::wstring, kb::Variant> values_;
  std::map<std::wstring, long> failures_;
};

}  // namespace kb::support
