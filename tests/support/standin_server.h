// What every in-process stand-in server of the test suite is made of: a
// class factory for each class it serves, and the registry values under
// HKEY_CLASSES_ROOT that name it.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>

namespace kb::support {

// One class a stand-in server serves.  `create` hands over one reference; it
// refuses the creation by throwing a DispatchError, whose HRESULT the
// creator receives.
struct StandInClass {
  const CLSID& clsid;
  IDispatch* (*create)();
};

// The factory of one class; it lives as long as the process.
class StandInFactory : public IClassFactory {
 public:
  explicit StandInFactory(const StandInClass& served) : served_(served) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  const StandInClass& served_;
};

// "{...}", as the registry names a class.
std::wstring GuidText(REFGUID guid);

// A text value of a key below HKEY_CLASSES_ROOT; empty when there is none.
std::wstring ReadClassesValue(const std::wstring& path, const wchar_t* name);

// Sets a text value of a key below HKEY_CLASSES_ROOT, making the key.
bool SetClassesValue(const std::wstring& path, const wchar_t* name, const std::wstring& value);

// The file of the module that holds this code.
std::wstring ThisModulePath();

}  // namespace kb::support
