#include "frame/dispatch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/casing.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/text.h"
#include "runtime/variants.h"

namespace kb::frame::dispatch {
namespace {

using meta::Default;
using meta::Kind;
using meta::Member;
using meta::Param;
using meta::Type;

bool IsMissing(const VARIANT* v) {
  return !v || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

const Member* FindMember(const meta::Class& cls, DISPID id) {
  for (const auto& m : cls.members)
    if (m.kind != Kind::Hidden && m.Dispid() == id) return &m;
  return nullptr;
}

// ---- names -------------------------------------------------------------------

// Members by name for the ASCII names clients call them by, ignoring case:
// a script looks a name up before every call, and comparing it with every
// member's name in turn was most of what the call cost.
class NameIndex {
 public:
  explicit NameIndex(const meta::Class& cls) {
    for (const auto& m : cls.members)
      if (m.kind != Kind::Hidden) byName_.emplace(m.name, &m);  // the first of a name counts
  }
  // The member of an ASCII name (null if none); names beyond ASCII go to the
  // full comparison.
  const Member* Find(std::wstring_view name, bool& ascii) const {
    ascii = rt::IsAscii(name);
    if (!ascii) return nullptr;
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
  }

 private:
  struct Hash {
    size_t operator()(std::wstring_view name) const {
      size_t h = 14695981039346656037ull & SIZE_MAX;
      for (wchar_t c : name) h = (h ^ static_cast<size_t>(rt::AsciiLower(c))) * 1099511628211ull;
      return h;
    }
  };
  struct Same {
    bool operator()(std::wstring_view a, std::wstring_view b) const {
      return a.size() == b.size() &&
             std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return rt::AsciiLower(x) == rt::AsciiLower(y);
             });
    }
  };
  std::unordered_map<std::wstring_view, const Member*, Hash, Same> byName_;
};

const Member* FindMember(const meta::Class& cls, std::wstring_view name) {
  static const std::vector<NameIndex> indexes = [] {
    std::vector<NameIndex> all;
    for (const meta::Class& c : meta::Classes()) all.emplace_back(c);
    return all;
  }();
  const size_t which = static_cast<size_t>(&cls - meta::Classes().data());
  bool ascii = true;
  if (which < indexes.size()) {
    const Member* m = indexes[which].Find(name, ascii);
    if (ascii) return m;
  }
  for (const auto& m : cls.members)
    if (m.kind != Kind::Hidden && rt::SameName(m.name, name)) return &m;
  return nullptr;
}

bool FlagsFit(const Member& m, WORD flags) {
  switch (m.kind) {
    case Kind::Method:
    case Kind::PropertyGet: return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
    case Kind::PropertyPut: return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    default: return false;
  }
}

// ---- converting a caller's value to a parameter's type ----------------------

HRESULT AsDispatchFailure(HRESULT hr) {
  return hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
}

// Copies an array element by element into a new array of another element
// type, keeping its shape and bounds.
HRESULT ConvertArray(SAFEARRAY* from, VARTYPE fromVt, VARTYPE toVt, SAFEARRAY** out) {
  *out = nullptr;
  if (!from) return S_OK;
  const UINT dims = ::SafeArrayGetDim(from);
  std::vector<SAFEARRAYBOUND> bounds(dims);
  for (UINT d = 0; d < dims; ++d) {
    LONG lo = 0, hi = -1;
    ::SafeArrayGetLBound(from, d + 1, &lo);
    ::SafeArrayGetUBound(from, d + 1, &hi);
    bounds[d] = {static_cast<ULONG>(hi - lo + 1), lo};
  }
  SafeArray to(::SafeArrayCreate(toVt, dims, bounds.data()));
  if (!to.Get()) return E_OUTOFMEMORY;
  ULONG count = 1;
  for (const auto& b : bounds) count *= b.cElements;
  void* src = nullptr;
  void* dst = nullptr;
  HRESULT hr = ::SafeArrayAccessData(from, &src);
  if (FAILED(hr)) return hr;
  hr = ::SafeArrayAccessData(to.Get(), &dst);
  if (SUCCEEDED(hr)) {
    for (ULONG i = 0; i < count && SUCCEEDED(hr); ++i) {
      Variant item;
      if (fromVt == VT_VARIANT) {
        hr = ::VariantCopyInd(item.Get(), static_cast<VARIANT*>(src) + i);
      } else {
        const UINT size = ::SafeArrayGetElemsize(from);
        if (size > sizeof(LONGLONG)) {
          hr = DISP_E_TYPEMISMATCH;
          break;
        }
        V_VT(item.Get()) = fromVt;
        std::memcpy(&V_I4(item.Get()), static_cast<char*>(src) + i * size, size);
        Variant owned;
        hr = ::VariantCopy(owned.Get(), item.Get());  // deep copy of the borrowed element
        V_VT(item.Get()) = VT_EMPTY;
        item = std::move(owned);
      }
      if (FAILED(hr)) break;
      if (toVt == VT_VARIANT) {
        *(static_cast<VARIANT*>(dst) + i) = item.Release();
      } else {
        Variant converted;
        hr = ::VariantChangeTypeEx(converted.Get(), item.Get(), LOCALE_USER_DEFAULT, 0, toVt);
        if (SUCCEEDED(hr)) *(static_cast<BSTR*>(dst) + i) = converted.Release().bstrVal;
      }
    }
    ::SafeArrayUnaccessData(to.Get());
  }
  ::SafeArrayUnaccessData(from);
  if (FAILED(hr)) return AsDispatchFailure(hr);
  *out = to.Release();
  return S_OK;
}

HRESULT ToArray(const VARIANT& value, VARTYPE elem, VARIANT* out) {
  V_VT(out) = VT_ARRAY | elem;
  V_ARRAY(out) = nullptr;
  const VARTYPE vt = V_VT(&value);
  if (vt == VT_EMPTY) return S_OK;
  if (!(vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  SAFEARRAY* sa = (vt & VT_BYREF) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
  const VARTYPE from = vt & VT_TYPEMASK;
  if (from == elem) return sa ? ::SafeArrayCopy(sa, &V_ARRAY(out)) : S_OK;
  return ConvertArray(sa, from, elem, &V_ARRAY(out));
}

HRESULT ToObject(const VARIANT& value, VARIANT* out) {
  V_VT(out) = VT_DISPATCH;
  V_DISPATCH(out) = nullptr;
  switch (V_VT(&value)) {
    case VT_DISPATCH:
      V_DISPATCH(out) = V_DISPATCH(&value);
      if (V_DISPATCH(out)) V_DISPATCH(out)->AddRef();
      return S_OK;
    case VT_UNKNOWN:
      if (!V_UNKNOWN(&value)) return S_OK;
      return SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(
                 IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(out))))
                 ? S_OK
                 : DISP_E_TYPEMISMATCH;
    default: return DISP_E_TYPEMISMATCH;
  }
}

// value is never a reference here.
HRESULT Coerce(const VARIANT& value, const meta::TypeRef& type, VARIANT* out) {
  switch (type.type) {
    case Type::Variant: return ::VariantCopy(out, const_cast<VARIANT*>(&value));
    case Type::Object: return ToObject(value, out);
    case Type::VariantArray: return ToArray(value, VT_VARIANT, out);
    case Type::TextArray: return ToArray(value, VT_BSTR, out);
    default: break;
  }
  if (V_VT(&value) & VT_ARRAY) return DISP_E_TYPEMISMATCH;
  if (V_VT(&value) == VT_ERROR) return DISP_E_TYPEMISMATCH;
  HRESULT hr =
      ::VariantChangeTypeEx(out, const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, type.Vt());
  return FAILED(hr) ? AsDispatchFailure(hr) : S_OK;
}

void FillOmitted(const Param& p, VARIANT* out) {
  const VARTYPE vt = p.type.Vt();
  switch (p.def.kind) {
    case Default::Kind::Boolean:
    case Default::Kind::Integer:
    case Default::Kind::Long: {
      VARIANT n;
      V_VT(&n) = VT_I4;
      V_I4(&n) = p.def.number;
      ::VariantChangeType(out, &n, 0, vt);
      return;
    }
    case Default::Kind::Text:
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = ::SysAllocString(p.def.text);
      return;
    default: break;
  }
  // No default: a variant receives the missing-argument value, anything else
  // the zero of its type.
  if (p.type.type == Type::Variant) {
    V_VT(out) = VT_ERROR;
    V_ERROR(out) = DISP_E_PARAMNOTFOUND;
  } else if (p.type.type == Type::Text) {
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = nullptr;
  } else if (vt & VT_ARRAY) {
    V_VT(out) = vt;
    V_ARRAY(out) = nullptr;
  } else {
    V_VT(out) = vt;
    V_I8(out) = 0;
  }
}

// ---- writing a parameter's final value back to the caller's variable --------

// Arrays of texts reach a late-bound caller's variant as arrays of variants,
// the only arrays scripts can index.
HRESULT ForLateBinding(VARIANT* v) {
  if (V_VT(v) != (VT_ARRAY | VT_BSTR)) return S_OK;
  SAFEARRAY* converted = nullptr;
  HRESULT hr = ConvertArray(V_ARRAY(v), VT_BSTR, VT_VARIANT, &converted);
  if (FAILED(hr)) return hr;
  ::VariantClear(v);
  V_VT(v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(v) = converted;
  return S_OK;
}

// The bytes of a value's payload after the type tag that tell it apart; at
// most 8, since a DECIMAL spans the whole variant.
size_t ValueSize(VARTYPE vt) {
  if (vt == VT_EMPTY || vt == VT_NULL) return 0;
  if (vt & VT_ARRAY) return sizeof(void*);
  const size_t size = rt::StorageSize(vt);
  return size == 0 || size > 8 ? 8 : size;
}

bool SameArray(SAFEARRAY* a, SAFEARRAY* b);

bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (V_VT(&a) != V_VT(&b)) return false;
  if (V_VT(&a) == VT_BSTR) return View(V_BSTR(&a)) == View(V_BSTR(&b));
  if ((V_VT(&a) & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) return SameArray(V_ARRAY(&a), V_ARRAY(&b));
  return std::memcmp(&V_I4(&a), &V_I4(&b), ValueSize(V_VT(&a))) == 0;
}

// Same shape, element type and elements.  A member may free the array it
// received and build a new one that the heap places at the same address, so
// the address alone cannot tell a replaced array.
bool SameArray(SAFEARRAY* a, SAFEARRAY* b) {
  if (!a || !b) return a == b;
  VARTYPE ta = VT_EMPTY, tb = VT_EMPTY;
  const UINT dims = ::SafeArrayGetDim(a);
  if (dims != ::SafeArrayGetDim(b) || FAILED(::SafeArrayGetVartype(a, &ta)) ||
      FAILED(::SafeArrayGetVartype(b, &tb)) || ta != tb ||
      ::SafeArrayGetElemsize(a) != ::SafeArrayGetElemsize(b))
    return false;
  size_t count = 1;
  for (UINT d = 0; d < dims; ++d) {
    if (a->rgsabound[d].lLbound != b->rgsabound[d].lLbound ||
        a->rgsabound[d].cElements != b->rgsabound[d].cElements)
      return false;
    count *= a->rgsabound[d].cElements;
  }
  const UINT size = ::SafeArrayGetElemsize(a);
  const auto* pa = static_cast<const BYTE*>(a->pvData);
  const auto* pb = static_cast<const BYTE*>(b->pvData);
  for (size_t i = 0; i < count; ++i, pa += size, pb += size) {
    const bool same = ta == VT_VARIANT ? SameValue(*reinterpret_cast<const VARIANT*>(pa),
                                                   *reinterpret_cast<const VARIANT*>(pb))
                      : ta == VT_BSTR  ? View(*reinterpret_cast<const BSTR*>(pa)) ==
                                            View(*reinterpret_cast<const BSTR*>(pb))
                                      : std::memcmp(pa, pb, size) == 0;
    if (!same) return false;
  }
  return true;
}

// Stores value into a typed by-reference variable of the caller.
void StoreTyped(const VARIANT& target, VARIANT&& value) {
  const VARTYPE base = V_VT(&target) & ~VT_BYREF;
  Variant converted;
  const HRESULT hr = ::VariantChangeTypeEx(converted.Get(), &value, LOCALE_USER_DEFAULT, 0, base);
  ::VariantClear(&value);
  if (FAILED(hr)) return;
  VARIANT v = converted.Release();
  switch (base) {
    case VT_BSTR:
      ::SysFreeString(*V_BSTRREF(&target));
      *V_BSTRREF(&target) = V_BSTR(&v);
      return;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (*V_UNKNOWNREF(&target)) (*V_UNKNOWNREF(&target))->Release();
      *V_UNKNOWNREF(&target) = V_UNKNOWN(&v);
      return;
    case VT_I1:
    case VT_UI1: *V_UI1REF(&target) = V_UI1(&v); return;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: *V_I2REF(&target) = V_I2(&v); return;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: *V_I4REF(&target) = V_I4(&v); return;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8: *V_I8REF(&target) = V_I8(&v); return;
    default: ::VariantClear(&v); return;
  }
}

// Types a caller may send; anything else is refused before it is read.
bool KnownType(VARTYPE vt) {
  const VARTYPE base = vt & VT_TYPEMASK;
  if (vt & ~(VT_TYPEMASK | VT_BYREF | VT_ARRAY)) return false;
  if (base > VT_UINT && base != VT_RECORD) return false;
  if (base == 15) return false;  // unassigned
  if ((vt & VT_BYREF) && base <= VT_NULL && !(vt & VT_ARRAY)) return false;
  return true;
}

// ---- one argument of a call -------------------------------------------------

struct Argument {
  Variant value;                 // the converted value the body works on
  Variant before;                // its value before the call, to tell a change
  SAFEARRAY* arrayBefore;        // the array the member received, to tell a replaced one
  VARIANT* scriptVariable;       // a caller's variant that receives the final value
  const VARIANT* typedVariable;  // a caller's typed reference of another type
  VARIANTARG pass;               // what the vtable slot receives
  VARTYPE passVt;
};

// The address of a variant's value storage: what a by-reference slot receives.
void* Storage(VARIANT* v) { return &V_I4(v); }

void PointAt(Argument& a, const Param& p) {
  VARIANT* v = a.value.Get();
  if (p.type.type == Type::Variant) {
    a.passVt = static_cast<VARTYPE>(p.byRef ? VT_BYREF | VT_VARIANT : VT_VARIANT);
    if (p.byRef) {
      V_VT(&a.pass) = a.passVt;
      V_VARIANTREF(&a.pass) = v;
    } else {
      a.pass = *v;  // pushed whole; the argument keeps ownership
    }
    return;
  }
  a.passVt = static_cast<VARTYPE>(p.byRef ? VT_BYREF | V_VT(v) : V_VT(v));
  if (p.byRef) {
    V_VT(&a.pass) = a.passVt;
    a.pass.byref = Storage(v);
  } else {
    a.pass = *v;
  }
}

HRESULT Bind(Argument& a, const Param& p, const VARIANT* src) {
  a.scriptVariable = nullptr;
  a.typedVariable = nullptr;
  a.arrayBefore = nullptr;
  if (src && !KnownType(V_VT(src))) return DISP_E_BADVARTYPE;
  // A reference chain that loops, or an array that is not what its tag says,
  // would hang or crash whatever reads it: refused before anything does.
  const VARIANT* target = src ? rt::DerefOrNull(src) : nullptr;
  if (src && (!target || !rt::ArrayMatchesTag(*target))) return DISP_E_TYPEMISMATCH;
  const VARTYPE want = p.type.type == Type::Variant ? VARTYPE(VT_VARIANT) : p.type.Vt();
  if (IsMissing(src)) {
    FillOmitted(p, a.value.Get());
  } else if (p.byRef && V_VT(src) == (VT_BYREF | want)) {
    // The caller's own variable of the parameter's type: the body writes to it directly.
    a.passVt = V_VT(src);
    a.pass = *src;
    return S_OK;
  } else {
    const bool viaVariant = V_VT(src) == (VT_BYREF | VT_VARIANT);
    Variant plain;
    HRESULT hr = ::VariantCopyInd(plain.Get(), const_cast<VARIANT*>(target));
    if (FAILED(hr)) return AsDispatchFailure(hr);
    hr = Coerce(*plain.Get(), p.type, a.value.Get());
    if (FAILED(hr)) return hr;
    if (p.byRef && viaVariant)
      a.scriptVariable = V_VARIANTREF(src);
    else if (p.byRef && (V_VT(src) & VT_BYREF))
      a.typedVariable = src;
    if (a.scriptVariable || a.typedVariable) ::VariantCopy(a.before.Get(), a.value.Get());
    a.arrayBefore = (V_VT(a.value.Get()) & VT_ARRAY) ? V_ARRAY(a.value.Get()) : nullptr;
  }
  PointAt(a, p);
  return S_OK;
}

void WriteBack(Argument& a) {
  if (!a.scriptVariable && !a.typedVariable) return;
  VARIANT* now = a.value.Get();
  // An array the member handed back as it came (the same one, or an equal
  // one in its place) leaves the caller's variable alone.
  const bool sameArray =
      (V_VT(now) & VT_ARRAY) && V_ARRAY(now) == a.arrayBefore && SameValue(*now, *a.before.Get());
  if ((V_VT(now) & VT_ARRAY) ? sameArray : SameValue(*now, *a.before.Get())) return;
  if (a.scriptVariable) {
    Variant out = std::move(a.value);
    if (FAILED(ForLateBinding(out.Get()))) return;
    ::VariantClear(a.scriptVariable);
    *a.scriptVariable = out.Release();
  } else {
    VARIANT v = a.value.Release();
    StoreTyped(*a.typedVariable, std::move(v));
  }
}

// ---- matching the caller's arguments to the parameters ----------------------

struct Matched {
  explicit Matched(std::pmr::memory_resource* memory) : source(memory), position(memory) {}
  std::pmr::vector<const VARIANT*> source;  // per parameter; null when omitted
  std::pmr::vector<UINT> position;          // index in rgvarg, for puArgErr
};

HRESULT Match(const Member& m, const DISPPARAMS& dp, Matched& out, UINT* argErr) {
  const size_t n = m.params.size();
  out.source.assign(n, nullptr);
  out.position.assign(n, 0);
  const UINT named = dp.cNamedArgs;
  if (named > dp.cArgs || (named && !dp.rgdispidNamedArgs) || (dp.cArgs && !dp.rgvarg))
    return E_INVALIDARG;
  const bool put = m.kind == Kind::PropertyPut;
  for (UINT i = 0; i < named; ++i) {
    DISPID id = dp.rgdispidNamedArgs[i];
    size_t index = put && id == DISPID_PROPERTYPUT ? n - 1 : static_cast<size_t>(id);
    if (id < 0 && !(put && id == DISPID_PROPERTYPUT)) index = n;
    if (index >= n || out.source[index]) {
      if (argErr) *argErr = i;
      return DISP_E_PARAMNOTFOUND;
    }
    out.source[index] = &dp.rgvarg[i];
    out.position[index] = i;
  }
  const UINT positional = dp.cArgs - named;
  for (UINT j = 0; j < positional; ++j) {
    const UINT at = dp.cArgs - 1 - j;
    if (j >= n) return DISP_E_BADPARAMCOUNT;
    if (out.source[j]) {
      if (argErr) *argErr = at;
      return DISP_E_PARAMNOTFOUND;
    }
    out.source[j] = &dp.rgvarg[at];
    out.position[j] = at;
  }
  for (size_t i = 0; i < n; ++i) {
    const Param& p = m.params[i];
    if (p.Optional()) continue;
    if (!out.source[i]) return named ? DISP_E_PARAMNOTFOUND : DISP_E_BADPARAMCOUNT;
    if (IsMissing(out.source[i]) && p.type.type != Type::Variant) {
      if (argErr) *argErr = out.position[i];
      return DISP_E_PARAMNOTFOUND;
    }
  }
  return S_OK;
}

void FillException(HRESULT hr, EXCEPINFO* excep) {
  std::memset(excep, 0, sizeof *excep);
  excep->scode = hr;
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.Out()) == S_OK && info) {
    info->GetSource(&excep->bstrSource);
    info->GetDescription(&excep->bstrDescription);
    info->GetHelpFile(&excep->bstrHelpFile);
    info->GetHelpContext(&excep->dwHelpContext);
  }
}

}  // namespace

HRESULT GetIDsOfNames(const meta::Class& cls, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids) return E_INVALIDARG;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* found = names[0] ? FindMember(cls, names[0]) : nullptr;
  if (!found) return DISP_E_UNKNOWNNAME;
  ids[0] = found->Dispid();
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (size_t p = 0; p < found->params.size(); ++p)
      if (names[i] && rt::SameName(found->params[p].name, names[i]))
        ids[i] = static_cast<DISPID>(p);
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT Invoke(IDispatch* self, const meta::Class& cls, DISPID id, WORD flags, DISPPARAMS* params,
               VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  DISPPARAMS none{};
  const DISPPARAMS& dp = params ? *params : none;
  const Member* m = FindMember(cls, id);
  if (!m || !FlagsFit(*m, flags)) return DISP_E_MEMBERNOTFOUND;

  // A call's bookkeeping lives on the stack: allocations were most of what
  // a late-bound call cost beyond the member's own work.
  std::byte buffer[2048];
  std::pmr::monotonic_buffer_resource memory(buffer, sizeof buffer);
  Matched matched(&memory);
  HRESULT hr = Match(*m, dp, matched, argErr);
  if (FAILED(hr)) return hr;

  const size_t n = m->params.size();
  std::pmr::vector<Argument> args(n + 1, &memory);
  for (size_t i = 0; i < n; ++i) {
    hr = Bind(args[i], m->params[i], matched.source[i]);
    if (FAILED(hr)) {
      if (argErr) *argErr = matched.position[i];
      return hr;
    }
  }
  Variant returned;
  std::pmr::vector<VARTYPE> types(&memory);
  std::pmr::vector<VARIANTARG*> values(&memory);
  types.reserve(n + 1);
  values.reserve(n + 1);
  for (size_t i = 0; i < n; ++i) {
    types.push_back(args[i].passVt);
    values.push_back(&args[i].pass);
  }
  if (m->hasResult) {
    // The result slot: a variant whose value storage the slot fills in.
    const VARTYPE vt = m->result.type == Type::Variant ? VARTYPE(VT_VARIANT) : m->result.Vt();
    Argument& r = args[n];
    if (vt != VT_VARIANT) V_VT(r.value.Get()) = vt;
    r.passVt = VT_BYREF | vt;
    V_VT(&r.pass) = r.passVt;
    r.pass.byref = vt == VT_VARIANT ? static_cast<void*>(r.value.Get()) : Storage(r.value.Get());
    types.push_back(r.passVt);
    values.push_back(&r.pass);
  }

  VARIANT status;
  ::VariantInit(&status);
  const int slot = 7 + m->slot;
  hr = ::DispCallFunc(self, static_cast<ULONG_PTR>(slot) * sizeof(void*), CC_STDCALL, VT_ERROR,
                      static_cast<UINT>(types.size()), types.data(), values.data(), &status);
  if (SUCCEEDED(hr)) hr = V_ERROR(&status);
  for (size_t i = 0; i < n; ++i) WriteBack(args[i]);

  if (FAILED(hr)) {
    if (!excep) return hr;
    FillException(hr, excep);
    return DISP_E_EXCEPTION;
  }
  if (m->hasResult && result) {
    *result = args[n].value.Release();
    ForLateBinding(result);
  }
  return S_OK;
}

}  // namespace kb::frame::dispatch
