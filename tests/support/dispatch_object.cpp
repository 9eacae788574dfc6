#include "tests/support/dispatch_object.h"

#include <map>
#include <new>

#include "runtime/text.h"

namespace kb::support {
namespace {

using rt::SameName;

// A failure found while spreading DISPPARAMS over the slots, already
// carrying its rgvarg index.
struct BindError {
  HRESULT hr;
  UINT rgIndex;
};

kb::Variant Coerce(const VARIANT& v, VARTYPE type, LCID lcid, USHORT flags = 0) {
  if (V_VT(&v) == VT_NULL && type != VT_VARIANT) RaiseRuntimeError(94, L"Invalid use of Null");
  kb::Variant out;
  HRESULT hr = ::VariantChangeTypeEx(out.Out(), const_cast<VARIANT*>(&v), lcid, flags, type);
  if (FAILED(hr)) throw DispatchError(hr);
  return out;
}

// Stores a value through a typed by-reference argument, coercing it to the
// caller's variable type as the client runtime does on return.
void StoreTyped(VARIANTARG& ref, const VARIANT& value, LCID lcid) {
  const VARTYPE type = V_VT(&ref) & ~VT_BYREF;
  kb::Variant v = Coerce(value, type, lcid);
  VARIANT* p = v.Get();
  switch (type) {
    case VT_UI1: *V_UI1REF(&ref) = V_UI1(p); break;
    case VT_I2: *V_I2REF(&ref) = V_I2(p); break;
    case VT_I4: *V_I4REF(&ref) = V_I4(p); break;
    case VT_R4: *V_R4REF(&ref) = V_R4(p); break;
    case VT_R8: *V_R8REF(&ref) = V_R8(p); break;
    case VT_BOOL: *V_BOOLREF(&ref) = V_BOOL(p); break;
    case VT_DATE: *V_DATEREF(&ref) = V_DATE(p); break;
    case VT_CY: *V_CYREF(&ref) = V_CY(p); break;
    case VT_ERROR: *V_ERRORREF(&ref) = V_ERROR(p); break;
    case VT_BSTR: {
      kb::Bstr old = kb::Bstr::Attach(*V_BSTRREF(&ref));
      *V_BSTRREF(&ref) = v.Release().bstrVal;
      break;
    }
    case VT_DISPATCH: {
      kb::ComPtr<IDispatch> old = kb::ComPtr<IDispatch>::Attach(*V_DISPATCHREF(&ref));
      *V_DISPATCHREF(&ref) = v.Release().pdispVal;
      break;
    }
    case VT_UNKNOWN: {
      kb::ComPtr<IUnknown> old = kb::ComPtr<IUnknown>::Attach(*V_UNKNOWNREF(&ref));
      *V_UNKNOWNREF(&ref) = v.Release().punkVal;
      break;
    }
    default: throw DispatchError(DISP_E_TYPEMISMATCH);
  }
}

// A copy of what an argument slot holds, references resolved; an absent
// argument is recorded as the missing-argument value.
kb::Variant CopyOfSlot(const VARIANT* v) {
  kb::Variant copy;
  if (!v) {
    V_VT(copy.Get()) = VT_ERROR;
    V_ERROR(copy.Get()) = DISP_E_PARAMNOTFOUND;
    return copy;
  }
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  ::VariantCopyInd(copy.Get(), const_cast<VARIANT*>(v));
  return copy;
}

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

kb::ComPtr<ICreateTypeInfo> NewType(ICreateTypeLib2* library, std::wstring_view name,
                                    TYPEKIND kind = TKIND_DISPATCH) {
  const std::wstring text(name);
  kb::ComPtr<ICreateTypeInfo> info;
  GUID guid{};
  if (FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(text.c_str()), kind, info.Out())) ||
      FAILED(::CoCreateGuid(&guid)) || FAILED(info->SetGuid(guid)))
    return {};
  return info;
}

// A type of its own name that describes no members.
kb::ComPtr<ITypeInfo> TypeInfoNamed(std::wstring_view name) {
  kb::ComPtr<ICreateTypeLib2> library;
  if (FAILED(::CreateTypeLib2(kSysKind, L"model.tlb", library.Out()))) return {};
  return NewType(library.Get(), name).As<ITypeInfo>(IID_ITypeInfo);
}

// A type that derives from one named `base`, as a client's form (Form1) is a
// Form.  The platform resolves a reference between two types only in a
// library that was written and loaded, so this one goes through a file; and
// only between interfaces (a dispatch interface's first base reads as
// IDispatch).
kb::ComPtr<ITypeInfo> TypeInfoDerived(std::wstring_view name, std::wstring_view base) {
  wchar_t folder[MAX_PATH] = {}, path[MAX_PATH] = {};
  if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"kbm", 0, path)) return {};
  kb::ComPtr<ICreateTypeLib2> library;
  kb::ComPtr<ICreateTypeInfo> derived, baseType;
  HREFTYPE ref = 0;
  bool written =
      SUCCEEDED(::CreateTypeLib2(kSysKind, path, library.Out())) &&
      (baseType = NewType(library.Get(), base, TKIND_INTERFACE)) &&
      (derived = NewType(library.Get(), name, TKIND_INTERFACE)) &&
      SUCCEEDED(derived->AddRefTypeInfo(baseType.As<ITypeInfo>(IID_ITypeInfo).Get(), &ref)) &&
      SUCCEEDED(derived->AddImplType(0, ref)) && SUCCEEDED(baseType->LayOut()) &&
      SUCCEEDED(derived->LayOut()) && SUCCEEDED(library->SaveAllChanges());
  library = nullptr;
  kb::ComPtr<ITypeLib> loaded;
  written = written && SUCCEEDED(::LoadTypeLibEx(path, REGKIND_NONE, loaded.Out()));
  ::DeleteFileW(path);
  if (!written) return {};
  kb::ComPtr<ITypeInfo> info;
  loaded->GetTypeInfo(1, info.Out());
  return info;
}

HRESULT ReportException(const DispatchError& e, const std::wstring& source, EXCEPINFO* excep) {
  *excep = EXCEPINFO{};
  excep->scode = e.Hr();
  excep->bstrSource = ::SysAllocString(source.c_str());
  excep->bstrDescription = ::SysAllocString(e.Description().c_str());
  return DISP_E_EXCEPTION;
}

}  // namespace

DispatchError::DispatchError(HRESULT hr, std::wstring description, UINT argument)
    : hr_(hr), description_(std::move(description)), argument_(argument) {
  char text[48];
  ::wsprintfA(text, "automation error 0x%08lX", static_cast<unsigned long>(hr));
  what_ = text;
}

void RaiseRuntimeError(long number, std::wstring description) {
  throw DispatchError(RuntimeErrorHr(number), std::move(description));
}

bool IsMissing(const VARIANT& v) {
  return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

std::wstring AsText(const VARIANT& v, LCID lcid) {
  if (V_VT(&v) == VT_BSTR) return std::wstring(kb::View(V_BSTR(&v)));
  // The client's runtime spells booleans "True"/"False" in every locale.
  kb::Variant s = Coerce(v, VT_BSTR, lcid, VARIANT_ALPHABOOL);
  return std::wstring(kb::View(V_BSTR(s.Get())));
}

long AsLong(const VARIANT& v) { return V_I4(Coerce(v, VT_I4, LOCALE_USER_DEFAULT).Get()); }

double AsDouble(const VARIANT& v) { return V_R8(Coerce(v, VT_R8, LOCALE_USER_DEFAULT).Get()); }

bool AsBool(const VARIANT& v) {
  return V_BOOL(Coerce(v, VT_BOOL, LOCALE_USER_DEFAULT).Get()) != VARIANT_FALSE;
}

kb::ComPtr<IDispatch> AsObject(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_DISPATCH: return kb::ComPtr<IDispatch>(V_DISPATCH(&v));
    case VT_UNKNOWN: {
      if (!V_UNKNOWN(&v)) return {};
      kb::ComPtr<IUnknown> unk(V_UNKNOWN(&v));
      auto disp = unk.As<IDispatch>(IID_IDispatch);
      if (disp) return disp;
      break;
    }
    default: break;
  }
  throw DispatchError(DISP_E_TYPEMISMATCH);
}

// ---------------------------------------------------------------- Invocation

bool Invocation::Has(size_t i) const {
  return i < slots_.size() && slots_[i].arg && !IsMissing(Arg(i));
}

const VARIANT& Invocation::Arg(size_t i) const {
  if (i >= slots_.size() || !slots_[i].arg) {
    throw DispatchError(DISP_E_PARAMNOTFOUND, {}, static_cast<UINT>(i));
  }
  const VARIANT* v = slots_[i].arg;
  // A script passes its variables as VT_BYREF|VT_VARIANT; a compiled client
  // passes typed references.  Handlers only ever see the value.
  while (V_VT(v) == (VT_BYREF | VT_VARIANT)) {
    v = V_VARIANTREF(v);
    if (!v) throw DispatchError(DISP_E_TYPEMISMATCH, {}, static_cast<UINT>(i));
  }
  if (!(V_VT(v) & VT_BYREF)) return *v;
  auto copy = std::make_unique<kb::Variant>();
  HRESULT hr = ::VariantCopyInd(copy->Out(), const_cast<VARIANT*>(v));
  if (FAILED(hr)) throw DispatchError(hr, {}, static_cast<UINT>(i));
  copies_.push_back(std::move(copy));
  return *copies_.back()->Get();
}

namespace {
template <class F>
auto ConvertArgument(size_t i, F&& convert) {
  try {
    return convert();
  } catch (const DispatchError& e) {
    throw DispatchError(e.Hr(), e.Description(), static_cast<UINT>(i));
  }
}
}  // namespace

std::wstring Invocation::Text(size_t i) const {
  return ConvertArgument(i, [&] { return AsText(Arg(i), lcid_); });
}
long Invocation::Long(size_t i) const {
  return ConvertArgument(i, [&] { return AsLong(Arg(i)); });
}
double Invocation::Double(size_t i) const {
  return ConvertArgument(i, [&] { return AsDouble(Arg(i)); });
}
bool Invocation::Bool(size_t i) const {
  return ConvertArgument(i, [&] { return AsBool(Arg(i)); });
}
kb::ComPtr<IDispatch> Invocation::Object(size_t i) const {
  return ConvertArgument(i, [&] { return AsObject(Arg(i)); });
}

bool Invocation::IsRef(size_t i) const {
  return i < slots_.size() && slots_[i].arg && (V_VT(slots_[i].arg) & VT_BYREF);
}

void Invocation::SetRef(size_t i, const VARIANT& value) const {
  if (!IsRef(i)) return;
  VARIANTARG* ref = slots_[i].arg;
  while (V_VT(ref) == (VT_BYREF | VT_VARIANT) && (V_VT(V_VARIANTREF(ref)) & VT_BYREF)) {
    ref = V_VARIANTREF(ref);
  }
  ConvertArgument(i, [&] {
    if (V_VT(ref) == (VT_BYREF | VT_VARIANT)) {
      HRESULT hr = ::VariantCopy(V_VARIANTREF(ref), const_cast<VARIANT*>(&value));
      if (FAILED(hr)) throw DispatchError(hr);
    } else {
      StoreTyped(*ref, value, lcid_);
    }
    return 0;
  });
}

const VARIANT& Invocation::Value() const {
  if (!value_) throw DispatchError(DISP_E_PARAMNOTFOUND);
  const VARIANT* v = value_;
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  if (!(V_VT(v) & VT_BYREF)) return *v;
  auto copy = std::make_unique<kb::Variant>();
  HRESULT hr = ::VariantCopyInd(copy->Out(), const_cast<VARIANT*>(v));
  if (FAILED(hr)) throw DispatchError(hr);
  copies_.push_back(std::move(copy));
  return *copies_.back()->Get();
}

std::wstring Invocation::ValueText() const { return AsText(Value(), lcid_); }
long Invocation::ValueLong() const { return AsLong(Value()); }
double Invocation::ValueDouble() const { return AsDouble(Value()); }
bool Invocation::ValueBool() const { return AsBool(Value()); }
kb::ComPtr<IDispatch> Invocation::ValueObject() const { return AsObject(Value()); }

VARIANT* Invocation::Result() {
  if (result_) ::VariantClear(result_);
  return result_;
}

void Invocation::ReturnI2(short value) {
  if (VARIANT* r = Result()) {
    V_VT(r) = VT_I2;
    V_I2(r) = value;
  }
}
void Invocation::ReturnI4(long value) {
  if (VARIANT* r = Result()) {
    V_VT(r) = VT_I4;
    V_I4(r) = value;
  }
}
void Invocation::ReturnR4(float value) {
  if (VARIANT* r = Result()) {
    V_VT(r) = VT_R4;
    V_R4(r) = value;
  }
}
void Invocation::ReturnR8(double value) {
  if (VARIANT* r = Result()) {
    V_VT(r) = VT_R8;
    V_R8(r) = value;
  }
}
void Invocation::ReturnBool(bool value) {
  if (VARIANT* r = Result()) {
    V_VT(r) = VT_BOOL;
    V_BOOL(r) = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
}
void Invocation::ReturnText(std::wstring_view value) {
  if (VARIANT* r = Result()) {
    kb::Bstr text(value);
    V_VT(r) = VT_BSTR;
    V_BSTR(r) = text.Release();
  }
}
void Invocation::ReturnObject(IDispatch* value) {
  if (VARIANT* r = Result()) {
    if (value) value->AddRef();
    V_VT(r) = VT_DISPATCH;
    V_DISPATCH(r) = value;
  }
}
void Invocation::ReturnUnknown(IUnknown* value) {
  if (VARIANT* r = Result()) {
    if (value) value->AddRef();
    V_VT(r) = VT_UNKNOWN;
    V_UNKNOWN(r) = value;
  }
}
void Invocation::ReturnVariant(const VARIANT& value) {
  if (VARIANT* r = Result()) {
    HRESULT hr = ::VariantCopy(r, const_cast<VARIANT*>(&value));
    if (FAILED(hr)) throw DispatchError(hr);
  }
}

// ----------------------------------------------------------- DispatchObject

HRESULT DispatchObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch);
  if (!known) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG DispatchObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG DispatchObject::Release() {
  LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0 || !typeInfo_) return DISP_E_BADINDEX;
  *info = typeInfo_.Get();
  (*info)->AddRef();
  return S_OK;
}

void DispatchObject::PublishTypeName() { typeInfo_ = TypeInfoNamed(typeName_); }

void DispatchObject::PublishType(std::wstring_view name, std::wstring_view base) {
  // Written once per process and kind of form: a test makes many forms, and
  // writing a library is slow under emulation.  Never released: the process
  // may end after COM is gone.
  static auto& made = *new std::map<std::wstring, kb::ComPtr<ITypeInfo>>;
  std::wstring key = std::wstring(name) + L'\n' + std::wstring(base);
  auto found = made.find(key);
  if (found == made.end() || !found->second)
    found = made.insert_or_assign(std::move(key), TypeInfoDerived(name, base)).first;
  typeInfo_ = found->second;
}

std::vector<const LoggedCall*> DispatchObject::PutsOf(std::wstring_view member) const {
  std::vector<const LoggedCall*> found;
  for (const LoggedCall& c : log_)
    if (c.IsPut() && SameName(c.member, member)) found.push_back(&c);
  return found;
}

std::vector<const LoggedCall*> DispatchObject::CallsOf(std::wstring_view member) const {
  std::vector<const LoggedCall*> found;
  for (const LoggedCall& c : log_)
    if (c.IsCall() && SameName(c.member, member)) found.push_back(&c);
  return found;
}

void DispatchObject::Record(const Member& m, WORD flags, const Invocation& inv) {
  LoggedCall call;
  call.member = m.name;
  call.flags = flags;
  for (const Invocation::Slot& slot : inv.slots_) call.args.push_back(CopyOfSlot(slot.arg));
  if (inv.value_) call.value = CopyOfSlot(inv.value_);
  log_.push_back(std::move(call));
}

HRESULT DispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  Member* m = Find(std::wstring_view(names[0]));
  if (!m) return DISP_E_UNKNOWNNAME;
  ids[0] = m->id;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (size_t p = 0; p < m->paramNames.size(); ++p) {
      if (SameName(m->paramNames[p], names[i])) ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  Member* m = Find(id);
  if (!m) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  if (!params) params = &none;
  if (result) ::VariantInit(result);
  // A handler may close the form that holds the last other reference.
  kb::ComPtr<IDispatch> keepAlive(this);
  Invocation inv(lcid, result);
  try {
    Bind(*m, flags, params, inv);
    if (logging_) Record(*m, flags, inv);
    Run(*m, flags, params, inv);
    return S_OK;
  } catch (const BindError& e) {
    if (argErr) *argErr = e.rgIndex;
    return e.hr;
  } catch (const DispatchError& e) {
    if (result) ::VariantClear(result);
    if (e.Argument() != DispatchError::kNoArgument && argErr) *argErr = inv.RgIndex(e.Argument());
    if (e.IsDescribed() && excep) {
      return ReportException(e, typeName_, excep);
    }
    return e.Hr();
  } catch (const std::bad_alloc&) {
    if (result) ::VariantClear(result);
    return E_OUTOFMEMORY;
  }
}

void DispatchObject::Bind(Member& m, WORD flags, DISPPARAMS* p, Invocation& inv) {
  const UINT total = p->cArgs;
  const UINT named = p->cNamedArgs;
  if (named > total || (total && !p->rgvarg) || (named && !p->rgdispidNamedArgs)) {
    throw BindError{E_INVALIDARG, 0};
  }
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  // Positional arguments come last in rgvarg, in reverse order.
  inv.slots_.resize(total - named);
  for (size_t i = 0; i < inv.slots_.size(); ++i) {
    UINT rg = total - 1 - static_cast<UINT>(i);
    inv.slots_[i] = {&p->rgvarg[rg], rg};
  }
  for (UINT n = 0; n < named; ++n) {
    DISPID pid = p->rgdispidNamedArgs[n];
    if (pid == DISPID_PROPERTYPUT && put) {
      inv.value_ = &p->rgvarg[n];
      inv.valueRgIndex_ = n;
      continue;
    }
    if (m.paramNames.empty()) throw BindError{DISP_E_NONAMEDARGS, n};
    if (pid < 0 || static_cast<size_t>(pid) >= m.paramNames.size()) {
      throw BindError{DISP_E_PARAMNOTFOUND, n};
    }
    size_t slot = static_cast<size_t>(pid);
    if (inv.slots_.size() <= slot) inv.slots_.resize(slot + 1);
    if (inv.slots_[slot].arg) throw BindError{DISP_E_PARAMNOTFOUND, n};
    inv.slots_[slot] = {&p->rgvarg[n], n};
  }
  if (put && !inv.value_) throw BindError{DISP_E_PARAMNOTFOUND, 0};
  inv.putRef_ = flags & DISPATCH_PROPERTYPUTREF;
}

void DispatchObject::Run(Member& m, WORD flags, DISPPARAMS* params, Invocation& inv) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!m.put) throw DispatchError(DISP_E_MEMBERNOTFOUND);
    if (inv.Count() != m.indexes) throw DispatchError(DISP_E_BADPARAMCOUNT);
    m.put(inv);
    return;
  }
  // Methods need DISPATCH_METHOD; a property get also answers a call
  // flagged as a method, since clients cannot always tell the two apart.
  if (m.call && (flags & DISPATCH_METHOD)) {
    if (inv.Count() < m.arity.min || inv.Count() > m.arity.max) {
      throw DispatchError(DISP_E_BADPARAMCOUNT);
    }
    m.call(inv);
    return;
  }
  if (m.get && (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) {
    if (inv.Count() < m.indexes) throw DispatchError(DISP_E_BADPARAMCOUNT);
    if (inv.Count() > m.indexes) {
      GetThroughDefault(m, params, inv);
      return;
    }
    m.get(inv);
    return;
  }
  throw DispatchError(DISP_E_MEMBERNOTFOUND);
}

void DispatchObject::GetThroughDefault(Member& m, DISPPARAMS* params, Invocation& inv) {
  if (params->cNamedArgs) throw DispatchError(DISP_E_BADPARAMCOUNT);
  kb::Variant object;
  Invocation inner(inv.lcid_, object.Get());
  inner.slots_.assign(inv.slots_.begin(), inv.slots_.begin() + m.indexes);
  m.get(inner);
  if (object.Type() != VT_DISPATCH || !V_DISPATCH(object.Get())) {
    throw DispatchError(DISP_E_BADPARAMCOUNT);
  }
  // The remaining arguments are the last ones in source order, which sit at
  // the front of rgvarg.
  DISPPARAMS rest{params->rgvarg, nullptr, params->cArgs - static_cast<UINT>(m.indexes), 0};
  EXCEPINFO excep{};
  HRESULT hr =
      V_DISPATCH(object.Get())
          ->Invoke(DISPID_VALUE, IID_NULL, inv.lcid_, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &rest,
                   inv.Result(), &excep, nullptr);
  kb::Bstr source = kb::Bstr::Attach(excep.bstrSource);
  kb::Bstr description = kb::Bstr::Attach(excep.bstrDescription);
  kb::Bstr help = kb::Bstr::Attach(excep.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION) throw DispatchError(excep.scode, std::wstring(description.View()));
  if (FAILED(hr)) throw DispatchError(hr);
}

DispatchObject::Member& DispatchObject::Register(std::wstring name) {
  Member fresh;
  if (Member* m = Find(std::wstring_view(name))) {
    fresh.name = std::move(m->name);
    fresh.id = m->id;
    *m = std::move(fresh);
    return *m;
  }
  fresh.name = std::move(name);
  fresh.id = nextId_++;
  members_.push_back(std::move(fresh));
  return members_.back();
}

DISPID DispatchObject::Property(std::wstring name, Handler get, Handler put, size_t indexes) {
  Member& m = Register(std::move(name));
  m.get = std::move(get);
  m.put = std::move(put);
  m.indexes = indexes;
  return m.id;
}

DISPID DispatchObject::Method(std::wstring name, Arity arity, Handler call,
                              std::vector<std::wstring> paramNames) {
  Member& m = Register(std::move(name));
  m.call = std::move(call);
  m.arity = arity;
  m.paramNames = std::move(paramNames);
  return m.id;
}

void DispatchObject::SetDispId(std::wstring_view name, DISPID id) {
  Member* m = Find(name);
  if (!m) return;
  if (Member* other = Find(id); other && other != m) other->id = nextId_++;
  m->id = id;
}

void DispatchObject::SetDefaultMember(std::wstring_view name) { SetDispId(name, DISPID_VALUE); }

DispatchObject::Member* DispatchObject::Find(std::wstring_view name) {
  for (Member& m : members_) {
    if (SameName(m.name, name)) return &m;
  }
  return nullptr;
}

DispatchObject::Member* DispatchObject::Find(DISPID id) {
  for (Member& m : members_) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

// -------------------------------------------------------- VariantEnumerator

kb::ComPtr<IEnumVARIANT> VariantEnumerator::Create(std::vector<kb::Variant> values) {
  auto shared = std::make_shared<const Values>(std::move(values));
  return kb::ComPtr<IEnumVARIANT>::Attach(new VariantEnumerator(std::move(shared), 0));
}

HRESULT VariantEnumerator::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumVARIANT)) return E_NOINTERFACE;
  *out = static_cast<IEnumVARIANT*>(this);
  AddRef();
  return S_OK;
}

ULONG VariantEnumerator::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG VariantEnumerator::Release() {
  LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT VariantEnumerator::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  if (!out || (count > 1 && !fetched)) return E_INVALIDARG;
  ULONG done = 0;
  for (; done < count && position_ < values_->size(); ++done, ++position_) {
    ::VariantInit(&out[done]);
    HRESULT hr = ::VariantCopy(&out[done], const_cast<VARIANT*>((*values_)[position_].Get()));
    if (FAILED(hr)) {
      for (ULONG i = 0; i < done; ++i) ::VariantClear(&out[i]);
      return hr;
    }
  }
  if (fetched) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT VariantEnumerator::Skip(ULONG count) {
  size_t left = values_->size() - position_;
  if (count > left) {
    position_ = values_->size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT VariantEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT VariantEnumerator::Clone(IEnumVARIANT** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) VariantEnumerator(values_, position_);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace kb::support
