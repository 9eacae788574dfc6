// Class factories and the in-process server entry points.
#include "frame/server.h"

#include "frame/object.h"
#include "runtime/handles.h"

namespace kb::frame {
namespace {

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(meta::ClassId id) : id_(id) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ObjectBase* object = CreateObject(id_);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();  // the creation reference; the caller's one remains
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    rt::LockModule(lock != FALSE);
    return S_OK;
  }

 private:
  meta::ClassId id_;
  LONG refs_ = 1;
  rt::ModuleUse use_;
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const auto classes = meta::Classes();
  for (size_t i = 0; i < classes.size(); ++i) {
    if (!IsEqualCLSID(classes[i].clsid, clsid)) continue;
    auto factory = ComPtr<ClassFactory>::Attach(new ClassFactory(static_cast<meta::ClassId>(i)));
    return factory->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return rt::ModuleInUse() ? S_FALSE : S_OK; }

}  // namespace kb::frame
