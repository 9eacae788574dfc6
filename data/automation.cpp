#include "data/automation.h"

#include <cstring>
#include <memory>

#include "data/errors.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::data {
namespace {

bool IsMissing(const VARIANT& v) {
  return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

const VARIANT kEmpty{};

void Report(const Error& e, const wchar_t* source, EXCEPINFO* excep) {
  SetErrorInfoFor(e, IID_IDispatch);
  if (!excep) return;
  std::memset(excep, 0, sizeof *excep);
  excep->scode = e.Hresult();
  excep->bstrSource = ::SysAllocString(e.Source().empty() ? source : e.Source().c_str());
  excep->bstrDescription = ::SysAllocString(e.Description().c_str());
}

}  // namespace

Variant PlainValue(const VARIANT& in) {
  const VARIANT& v = rt::Deref(in);
  Variant out;
  Check(::VariantCopyInd(out.Get(), const_cast<VARIANT*>(&v)));
  if (out.Type() != VT_DISPATCH) return out;
  IDispatch* object = V_DISPATCH(out.Get());
  if (!object) Fail(kErrArguments, L"An object variable that is Nothing cannot be a value.", L"");
  DISPPARAMS none{};
  Variant inner;
  Check(object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                       DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, inner.Get(), nullptr,
                       nullptr));
  return inner;
}

namespace {

class Enumerator : public IEnumVARIANT {
 public:
  Enumerator(std::shared_ptr<const std::vector<Variant>> values, size_t at)
      : values_(std::move(values)), at_(at) {}
  virtual ~Enumerator() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG n = 0;
    for (; n < count && at_ < values_->size(); ++n, ++at_) {
      ::VariantInit(&out[n]);
      ::VariantCopy(&out[n], const_cast<VARIANT*>((*values_)[at_].Get()));
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const size_t left = values_->size() - at_;
    at_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) Enumerator(values_, at_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::shared_ptr<const std::vector<Variant>> values_;
  size_t at_;
  LONG refs_ = 1;
  rt::ModuleUse use_;
};

}  // namespace

CallArgs::CallArgs(const DISPPARAMS& params, WORD flags) {
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  UINT named = params.cNamedArgs;
  for (UINT i = 0; i < named; ++i)
    if (put && params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) put_ = &params.rgvarg[i];
  // Positional arguments come last to first after the named ones.
  for (UINT i = params.cArgs; i > named; --i) positional_.push_back(&params.rgvarg[i - 1]);
  // A put whose value came positionally has it last.
  if (put && !put_ && !positional_.empty()) {
    put_ = positional_.back();
    positional_.pop_back();
  }
}

bool CallArgs::Has(size_t i) const {
  if (i >= positional_.size()) return false;
  const VARIANT& v = rt::Deref(*positional_[i]);
  return !IsMissing(v);
}

const VARIANT& CallArgs::At(size_t i) const { return Has(i) ? rt::Deref(*positional_[i]) : kEmpty; }

VARIANT* CallArgs::Variable(size_t i) const {
  if (i >= positional_.size()) return nullptr;
  VARIANT* v = positional_[i];
  return (V_VT(v) & VT_BYREF) ? v : nullptr;
}

AutoObject::AutoObject(std::span<const MemberName> members, const wchar_t* source)
    : members_(members), source_(source) {}

AutoObject::~AutoObject() = default;

HRESULT AutoObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch)
    *out = static_cast<IDispatch*>(this);
  else if (iid == IID_ISupportErrorInfo)
    *out = static_cast<ISupportErrorInfo*>(this);
  else
    *out = Extra(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG AutoObject::AddRef() { return ::InterlockedIncrement(&refs_); }

ULONG AutoObject::Release() {
  const ULONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return n;
}

HRESULT AutoObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT AutoObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT AutoObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (count == 0 || !names[0]) return DISP_E_UNKNOWNNAME;
  for (const auto& m : members_)
    if (rt::SameName(m.name, names[0])) {
      ids[0] = m.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  return DISP_E_UNKNOWNNAME;
}

HRESULT AutoObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excep, UINT* argErr) {
  const MemberName* member = nullptr;
  for (const auto& m : members_)
    if (m.id == id) member = &m;
  if (!member) return DISP_E_MEMBERNOTFOUND;
  // Read-only properties and methods take no assignment.
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && !member->settable)
    return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  const DISPPARAMS& dp = params ? *params : none;
  if ((dp.cArgs && !dp.rgvarg) || (dp.cNamedArgs && !dp.rgdispidNamedArgs) ||
      dp.cNamedArgs > dp.cArgs)
    return E_INVALIDARG;
  // As the classes' dispatcher does: a looping reference chain or an array
  // that is not what its tag says never reaches a member.
  for (UINT i = 0; i < dp.cArgs; ++i) {
    const VARIANT* target = rt::DerefOrNull(&dp.rgvarg[i]);
    if (!target || !rt::ArrayMatchesTag(*target)) {
      if (argErr) *argErr = i;
      return DISP_E_TYPEMISMATCH;
    }
  }
  // Keeps the object alive while a member runs, as a client's call does.
  ComPtr<IDispatch> hold(this);
  try {
    Variant value = Run(id, flags, CallArgs(dp, flags));
    if (result) *result = value.Release();
    return S_OK;
  } catch (...) {
    const Error e = CurrentError();
    Report(e, source_, excep);
    return excep ? DISP_E_EXCEPTION : e.Hresult();
  }
}

HRESULT AutoObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID_IDispatch ? S_OK : S_FALSE;
}

long LongArg(const CallArgs& args, size_t i, long fallback) {
  if (!args.Has(i) || V_VT(&args.At(i)) == VT_EMPTY) return fallback;
  Variant plain = PlainValue(args.At(i));
  Variant number;
  if (FAILED(::VariantChangeTypeEx(number.Get(), plain.Get(), LOCALE_USER_DEFAULT, 0, VT_I4)))
    Fail(kErrArguments, L"Argument " + std::to_wstring(i + 1) + L" must be a whole number.", L"");
  return V_I4(number.Get());
}

Bstr TextArg(const CallArgs& args, size_t i) {
  if (!args.Has(i)) return Bstr(L"");
  Variant plain = PlainValue(args.At(i));
  if (plain.Type() == VT_NULL) return Bstr(L"");
  return rt::ToText(*plain.Get());
}

void StoreLong(VARIANT* variable, long value) {
  if (!variable) return;
  if (V_VT(variable) == (VT_BYREF | VT_VARIANT)) {
    VARIANT* target = V_VARIANTREF(variable);
    ::VariantClear(target);
    V_VT(target) = VT_I4;
    V_I4(target) = value;
  } else if (V_VT(variable) == (VT_BYREF | VT_I4)) {
    *V_I4REF(variable) = value;
  }
}

const VARIANT& PutArg(const CallArgs& args) {
  if (!args.PutValue()) Fail(kErrArguments, L"No value was given to assign.", L"");
  return rt::Deref(*args.PutValue());
}

ComPtr<IEnumVARIANT> MakeEnumerator(std::vector<Variant> values) {
  auto shared = std::make_shared<const std::vector<Variant>>(std::move(values));
  return ComPtr<IEnumVARIANT>::Attach(new Enumerator(std::move(shared), 0));
}

}  // namespace kb::data
