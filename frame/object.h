// The COM object shared by the five classes: identity, reference counting,
// error-information support and the default dual interface.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>

#include "frame/metadata.h"
#include "runtime/module.h"
#include "runtime/thread_state.h"

namespace kb::frame {

using VtblEntry = void (*)();

class ObjectBase : public ISupportErrorInfo, public IProvideClassInfo {
 public:
  ObjectBase(meta::ClassId id, const VtblEntry* vtbl);
  ObjectBase(const ObjectBase&) = delete;
  ObjectBase& operator=(const ObjectBase&) = delete;
  virtual ~ObjectBase();

  // The default dual interface, which is also the object's identity.
  IDispatch* Dual() { return reinterpret_cast<IDispatch*>(&dual_); }
  static ObjectBase* FromDual(void* dual) { return static_cast<DualView*>(dual)->owner; }
  const meta::Class& Class() const { return cls_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;
  // IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;

 private:
  struct DualView {
    const VtblEntry* vtbl;
    ObjectBase* owner;
  };
  DualView dual_;
  const meta::Class& cls_;
  LONG refs_ = 1;
  rt::ModuleUse use_;
  // Last: when the thread's last object goes, the thread's state goes while
  // this one still keeps the library loaded.
  rt::ThreadUse thread_;
};

// The vtables of the default interfaces: IUnknown and IDispatch, then one
// slot per member of the table.
extern const VtblEntry* const kVtables[];

// The type information of a class's default interface, read from the type
// library in this module.
HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** out);

// Creates a new object of a class; the caller owns the one reference.
ObjectBase* CreateObject(meta::ClassId id);

}  // namespace kb::frame
