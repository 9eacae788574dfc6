// A small late-bound automation object for the test models.
//
// The library reaches the client's forms and controls only through
// GetIDsOfNames + Invoke on named members, so the models need nothing more
// than a name -> member table.  Type information is deliberately absent: a
// routine that depends on it would fail against the client's objects too.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/handles.h"

namespace kb::support {

// Raised by member handlers; Invoke turns it into its HRESULT.  Errors with
// the client runtime's own facility (0x800A0000 + n) travel as
// DISP_E_EXCEPTION with a filled EXCEPINFO, the way the client's objects
// report "Invalid property value" and friends.
// It is a std::exception so that a conversion failing inside a test shows
// its HRESULT in the test's failure message.
class DispatchError : public std::exception {
 public:
  static constexpr UINT kNoArgument = ~0u;
  DispatchError(HRESULT hr, std::wstring description = {}, UINT argument = kNoArgument);
  // An error of any code that travels as an exception with its description,
  // as the platform's data access objects report theirs.
  static DispatchError Described(HRESULT hr, std::wstring description) {
    DispatchError e(hr, std::move(description));
    e.described_ = true;
    return e;
  }
  bool IsDescribed() const { return described_ || HRESULT_FACILITY(hr_) == FACILITY_CONTROL; }
  const char* what() const noexcept override { return what_.c_str(); }
  HRESULT Hr() const { return hr_; }
  const std::wstring& Description() const { return description_; }
  // Position of the offending argument in source order, or kNoArgument.
  UINT Argument() const { return argument_; }

 private:
  HRESULT hr_;
  std::wstring description_;
  UINT argument_;
  bool described_ = false;
  std::string what_;
};

constexpr HRESULT RuntimeErrorHr(long number) {
  return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned long>(number & 0xFFFF));
}
[[noreturn]] void RaiseRuntimeError(long number, std::wstring description);

// Conversions of a by-value VARIANT as the client's runtime coerces
// arguments.  Failures raise DispatchError with the conversion's HRESULT.
std::wstring AsText(const VARIANT& v, LCID lcid = LOCALE_USER_DEFAULT);
long AsLong(const VARIANT& v);
double AsDouble(const VARIANT& v);
bool AsBool(const VARIANT& v);
// VT_DISPATCH (Nothing allowed), or VT_UNKNOWN that answers IDispatch.
kb::ComPtr<IDispatch> AsObject(const VARIANT& v);
bool IsMissing(const VARIANT& v);

// One call of a member, as a handler sees it: positional arguments in
// source order with named ones already moved to their positions, by-reference
// arguments dereferenced, and the place for the result.
class Invocation {
 public:
  Invocation(LCID lcid, VARIANT* result) : lcid_(lcid), result_(result) {}
  Invocation(const Invocation&) = delete;
  Invocation& operator=(const Invocation&) = delete;

  size_t Count() const { return slots_.size(); }
  // Given and not passed as "missing".
  bool Has(size_t i) const;
  // The dereferenced argument; raises DISP_E_PARAMNOTFOUND when absent.
  const VARIANT& Arg(size_t i) const;
  std::wstring Text(size_t i) const;
  long Long(size_t i) const;
  double Double(size_t i) const;
  bool Bool(size_t i) const;
  kb::ComPtr<IDispatch> Object(size_t i) const;
  // Writes through a by-reference argument (VT_BYREF|VT_VARIANT or typed);
  // a by-value argument is left alone, as the caller cannot see it anyway.
  void SetRef(size_t i, const VARIANT& value) const;
  bool IsRef(size_t i) const;

  // The value assigned by a property put.
  const VARIANT& Value() const;
  std::wstring ValueText() const;
  long ValueLong() const;
  double ValueDouble() const;
  bool ValueBool() const;
  kb::ComPtr<IDispatch> ValueObject() const;
  bool IsPutRef() const { return putRef_; }

  bool WantsResult() const { return result_ != nullptr; }
  void ReturnI2(short value);
  void ReturnI4(long value);
  void ReturnR4(float value);
  void ReturnR8(double value);
  void ReturnBool(bool value);
  void ReturnText(std::wstring_view value);
  void ReturnObject(IDispatch* value);  // null gives Nothing
  void ReturnUnknown(IUnknown* value);
  void ReturnVariant(const VARIANT& value);

  LCID Lcid() const { return lcid_; }

 private:
  friend class DispatchObject;
  struct Slot {
    VARIANTARG* arg = nullptr;  // null: not given at all
    UINT rgIndex = 0;           // its index in DISPPARAMS::rgvarg, for puArgErr
  };
  UINT RgIndex(size_t i) const { return i < slots_.size() ? slots_[i].rgIndex : 0; }
  VARIANT* Result();

  LCID lcid_;
  VARIANT* result_;
  std::vector<Slot> slots_;
  mutable std::vector<std::unique_ptr<kb::Variant>> copies_;  // typed by-ref args read by value
  VARIANTARG* value_ = nullptr;
  UINT valueRgIndex_ = 0;
  bool putRef_ = false;
};

using Handler = std::function<void(Invocation&)>;

// One call an object received, as its handler saw it: the member, the kind of
// access (DISPATCH_METHOD, _PROPERTYGET, _PROPERTYPUT, ...), the arguments in
// source order (copies, references resolved) and, for a put, the value
// assigned.  A test reads these to see exactly what a routine passed.
struct LoggedCall {
  std::wstring member;
  WORD flags = 0;
  std::vector<kb::Variant> args;
  kb::Variant value;
  bool IsPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  bool IsCall() const { return (flags & DISPATCH_METHOD) != 0 && !IsPut(); }
};

// Reference-counted IDispatch over a member table.  Derived classes fill the
// table in their constructors; registering a name again replaces its
// handlers, so a derived class can refine a member of its base.
class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  IDispatch* Disp() { return this; }
  const std::wstring& TypeName() const { return typeName_; }

  // Keeps a log of the calls received from now on (see LoggedCall).
  void StartLog() {
    logging_ = true;
    log_.clear();
  }
  void StopLog() { logging_ = false; }
  const std::vector<LoggedCall>& Log() const { return log_; }
  // The logged puts of one member, in order.
  std::vector<const LoggedCall*> PutsOf(std::wstring_view member) const;
  // The logged calls of one method, in order.
  std::vector<const LoggedCall*> CallsOf(std::wstring_view member) const;

  // Lets a helper (a drawing surface shared by several kinds of objects) add
  // members to this object.
  class Members {
   public:
    explicit Members(DispatchObject& owner) : owner_(owner) {}
    DISPID Property(std::wstring name, Handler get, Handler put = {}, size_t indexes = 0) {
      return owner_.Property(std::move(name), std::move(get), std::move(put), indexes);
    }
    DISPID Method(std::wstring name, size_t minArgs, size_t maxArgs, Handler call,
                  std::vector<std::wstring> paramNames = {}) {
      return owner_.Method(std::move(name), {minArgs, maxArgs}, std::move(call),
                           std::move(paramNames));
    }

   private:
    DispatchObject& owner_;
  };

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

 protected:
  explicit DispatchObject(std::wstring typeName) : typeName_(std::move(typeName)) {}
  virtual ~DispatchObject() = default;

  struct Arity {
    size_t min = 0;
    size_t max = 0;
  };
  // A property with `indexes` required index arguments (List(i)).  A get
  // with more arguments than that applies the rest to the default member of
  // the returned object, as Controls(0) needs.
  DISPID Property(std::wstring name, Handler get, Handler put = {}, size_t indexes = 0);
  DISPID Method(std::wstring name, Arity arity, Handler call,
                std::vector<std::wstring> paramNames = {});
  // Moves a member to DISPID_VALUE, making it the default member.
  void SetDefaultMember(std::wstring_view name);
  // Gives a member a fixed DISPID (DISPID_NEWENUM).
  void SetDispId(std::wstring_view name, DISPID id);
  // Type information naming the object's class (TypeName), as the client's
  // own controls carry; it describes no members.
  void PublishTypeName();
  // Type information of another name, implementing `base`: a client's form
  // is of its own type (Form1), which is a Form.
  void PublishType(std::wstring_view name, std::wstring_view base);
  bool HasMember(std::wstring_view name) { return Find(name) != nullptr; }

 private:
  struct Member {
    std::wstring name;
    DISPID id = DISPID_UNKNOWN;
    Handler get, put, call;
    size_t indexes = 0;
    Arity arity;
    std::vector<std::wstring> paramNames;
  };
  Member& Register(std::wstring name);
  Member* Find(std::wstring_view name);
  Member* Find(DISPID id);
  void Bind(Member& m, WORD flags, DISPPARAMS* params, Invocation& inv);
  void Run(Member& m, WORD flags, DISPPARAMS* params, Invocation& inv);
  void Record(const Member& m, WORD flags, const Invocation& inv);
  void GetThroughDefault(Member& m, DISPPARAMS* params, Invocation& inv);

  std::wstring typeName_;
  std::vector<Member> members_;
  kb::ComPtr<ITypeInfo> typeInfo_;
  bool logging_ = false;
  std::vector<LoggedCall> log_;
  DISPID nextId_ = 1;
  LONG refs_ = 1;
};

// Creates a model object; the returned pointer holds the only reference.
template <class T, class... A>
kb::ComPtr<T> Make(A&&... args) {
  return kb::ComPtr<T>::Attach(new T(std::forward<A>(args)...));
}

// IEnumVARIANT over a snapshot of values, the way For Each walks a
// collection: later changes of the collection do not disturb a running loop.
class VariantEnumerator : public IEnumVARIANT {
 public:
  static kb::ComPtr<IEnumVARIANT> Create(std::vector<kb::Variant> values);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override;

 private:
  using Values = std::vector<kb::Variant>;
  VariantEnumerator(std::shared_ptr<const Values> values, size_t position)
      : values_(std::move(values)), position_(position) {}
  virtual ~VariantEnumerator() = default;

  std::shared_ptr<const Values> values_;
  size_t position_;
  LONG refs_ = 1;
};

}  // namespace kb::support
