// The automation objects of the data layer: a small IDispatch of our own over
// a fixed name table.  Clients reach every member late bound (scripts) or
// through IDispatch from the library's routines, so no type information is
// offered; default members and For Each work through DISPID_VALUE and
// DISPID_NEWENUM as every automation client expects.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <span>
#include <vector>

#include "runtime/handles.h"
#include "runtime/module.h"
#include "runtime/variants.h"

namespace kb::data {

// A member of an object: its name, dispatch identifier and whether a value
// can be assigned to it.
struct MemberName {
  const wchar_t* name;
  DISPID id;
  bool settable = false;
};

// The arguments of one call in source order, references followed, with the
// value of a property put kept apart.
class CallArgs {
 public:
  CallArgs(const DISPPARAMS& params, WORD flags);
  size_t Count() const { return positional_.size(); }
  // Given and not passed as "missing".
  bool Has(size_t i) const;
  // The argument's value, or an Empty variant when it is not given.
  const VARIANT& At(size_t i) const;
  // The caller's variable behind a by-reference argument, or null.
  VARIANT* Variable(size_t i) const;
  const VARIANT* PutValue() const { return put_; }

 private:
  std::vector<VARIANT*> positional_;
  VARIANT* put_ = nullptr;
};

class AutoObject : public IDispatch, public ISupportErrorInfo {
 public:
  AutoObject(const AutoObject&) = delete;
  AutoObject& operator=(const AutoObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 protected:
  AutoObject(std::span<const MemberName> members, const wchar_t* source);
  virtual ~AutoObject();

  // Runs member `id`; the result, if any, is returned.  Failures are thrown
  // as kb::Error and reach the caller with their code and description.
  virtual Variant Run(DISPID id, WORD flags, const CallArgs& args) = 0;
  // Further interfaces of the object (beside IUnknown and IDispatch).
  virtual void* Extra(REFIID iid) { return nullptr; }
  const wchar_t* Source() const { return source_; }

 private:
  std::span<const MemberName> members_;
  const wchar_t* source_;
  LONG refs_ = 1;
  rt::ModuleUse use_;
};

// Creates an object; the returned pointer holds the only reference.
template <class T, class... A>
ComPtr<T> MakeObject(A&&... args) {
  return ComPtr<T>::Attach(new T(std::forward<A>(args)...));
}

// Builders of results.
using rt::FromBool;
using rt::FromLong;
using rt::FromObject;
using rt::FromText;

// A value as a client's runtime reads it: references followed, an object
// replaced by its default value.
Variant PlainValue(const VARIANT& value);

// Arguments read as the runtime coerces them (an object gives its default
// value); a missing or Empty argument gives `fallback`.
long LongArg(const CallArgs& args, size_t i, long fallback);
Bstr TextArg(const CallArgs& args, size_t i);
// Writes a number into a caller's by-reference argument (a no-op for null).
void StoreLong(VARIANT* variable, long value);
// For Put: the value assigned.
const VARIANT& PutArg(const CallArgs& args);

// IEnumVARIANT over a snapshot of values, for For Each.
ComPtr<IEnumVARIANT> MakeEnumerator(std::vector<Variant> values);

}  // namespace kb::data
