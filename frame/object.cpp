#include "frame/object.h"

#include "frame/dispatch.h"
#include "frame/dual.h"
#include "runtime/app.h"
#include "runtime/handles.h"

namespace kb::frame {
ObjectBase::ObjectBase(meta::ClassId id, const VtblEntry* vtbl)
    : dual_{vtbl, this}, cls_(meta::ClassOf(id)) {}

ObjectBase::~ObjectBase() = default;

HRESULT ObjectBase::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, cls_.iid))
    *out = Dual();
  else if (IsEqualIID(iid, IID_ISupportErrorInfo))
    *out = static_cast<ISupportErrorInfo*>(this);
  else if (IsEqualIID(iid, IID_IProvideClassInfo))
    *out = static_cast<IProvideClassInfo*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG ObjectBase::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG ObjectBase::Release() {
  const LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ObjectBase::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, cls_.iid) || IsEqualIID(iid, IID_IDispatch) ? S_OK : S_FALSE;
}

HRESULT ObjectBase::GetClassInfo(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return LoadTypeInfo(cls_.clsid, out);
}

HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** out) {
  // Script hosts ask for type information on many calls; the library is read
  // from this module once and kept for the life of the process.
  static ITypeLib* const lib = [] {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(rt::ThisModule(), self.data(), MAX_PATH));
    ITypeLib* loaded = nullptr;
    ::LoadTypeLibEx(self.c_str(), REGKIND_NONE, &loaded);
    return loaded;
  }();
  if (!lib) return TYPE_E_CANTLOADLIBRARY;
  return lib->GetTypeInfoOfGuid(guid, out);
}

namespace dual {

HRESULT STDMETHODCALLTYPE QueryInterface(void* This, REFIID iid, void** out) {
  return ObjectBase::FromDual(This)->QueryInterface(iid, out);
}
ULONG STDMETHODCALLTYPE AddRef(void* This) { return ObjectBase::FromDual(This)->AddRef(); }
ULONG STDMETHODCALLTYPE Release(void* This) { return ObjectBase::FromDual(This)->Release(); }

HRESULT STDMETHODCALLTYPE GetTypeInfoCount(void*, UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GetTypeInfo(void* This, UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return LoadTypeInfo(ObjectBase::FromDual(This)->Class().iid, out);
}

HRESULT STDMETHODCALLTYPE GetIDsOfNames(void* This, REFIID iid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return dispatch::GetIDsOfNames(ObjectBase::FromDual(This)->Class(), names, count, ids);
}

HRESULT STDMETHODCALLTYPE Invoke(void* This, DISPID id, REFIID iid, LCID, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                 UINT* argErr) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ObjectBase* self = ObjectBase::FromDual(This);
  return dispatch::Invoke(self->Dual(), self->Class(), id, flags, params, result, excep, argErr);
}

}  // namespace dual
}  // namespace kb::frame
