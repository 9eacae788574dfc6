// A client that knows the library only through its application manifest:
//   sxs_client --manifest   every class created by ProgID and by class id,
//                           called early- and late-bound, and the type
//                           library found, with nothing registered
//   sxs_client --bare       the same program without a manifest: creating a
//                           class must fail as unregistered
// and one that finds it registered, or not:
//   sxs_client --registered DLL   the same calls, and the registered type
//                                 library is the one in DLL
//   sxs_client --absent           no class can be created, by ProgID or by
//                                 class id
// One "ok"/"not ok" line a check, then DONE; the exit code is the number of
// failed checks.
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/interfaces.h"
#include "frame/metadata.h"
#include "runtime/handles.h"

namespace {

namespace meta = kb::meta;

int failed = 0;

void Check(bool ok, const std::string& what, HRESULT hr = S_OK) {
  if (!ok) ++failed;
  std::printf("%s %s", ok ? "ok" : "not ok", what.c_str());
  if (FAILED(hr)) std::printf(" (0x%08lX)", static_cast<unsigned long>(hr));
  std::printf("\n");
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool KeyExists(const std::wstring& key) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(k);
  return true;
}

// cmn_AddSlash("C:\Data") through IDispatch, as a script calls it.
std::wstring LateBoundAddSlash(IDispatch* common) {
  LPOLESTR name = const_cast<LPOLESTR>(L"cmn_AddSlash");
  DISPID id = 0;
  if (FAILED(common->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return L"?";
  kb::Variant path;
  V_VT(path.Get()) = VT_BSTR;
  V_BSTR(path.Get()) = ::SysAllocString(L"C:\\Data");
  DISPPARAMS params{path.Get(), nullptr, 1, 0};
  kb::Variant result;
  if (FAILED(common->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                            result.Get(), nullptr, nullptr)) ||
      V_VT(result.Get()) != VT_BSTR) {
    return L"?";
  }
  return std::wstring(kb::View(V_BSTR(result.Get())));
}

// Every class created as CreateObject and as a compiled client create it,
// clsCommon called both ways, and the type library found.
void CreateAndCall() {
  for (const auto& c : meta::Classes()) {
    // As CreateObject does it.  The class id the manifest gives for a ProgID
    // may be an alias of the class's own, which creates the same class.
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(meta::ProgIdOf(c).c_str(), &clsid);
    Check(SUCCEEDED(hr), Narrow(meta::ProgIdOf(c)) + " is known", hr);
    kb::ComPtr<IDispatch> byName;
    if (SUCCEEDED(hr)) {
      hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(byName.Out()));
    }
    kb::ComPtr<IUnknown> dual;
    if (byName) hr = byName->QueryInterface(c.iid, reinterpret_cast<void**>(dual.Out()));
    Check(byName && SUCCEEDED(hr), Narrow(c.name) + " created by its ProgID", hr);

    kb::ComPtr<IDispatch> object;
    hr = ::CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(object.Out()));
    Check(SUCCEEDED(hr), Narrow(c.name) + " created by its class id", hr);
  }

  // The dual interface itself, as a compiled client asks for it.
  const meta::Class& cls = meta::ClassOf(meta::ClassId::clsCommon);
  kb::ComPtr<IDispatch> object;
  HRESULT hr = ::CoCreateInstance(cls.clsid, nullptr, CLSCTX_INPROC_SERVER, cls.iid,
                                  reinterpret_cast<void**>(object.Out()));
  Check(SUCCEEDED(hr), "clsCommon created early-bound", hr);
  if (!object) return;
  auto* common = reinterpret_cast<kb::_clsCommon*>(object.Get());
  kb::Bstr path(L"C:\\Data"), slash(L"\\");
  BSTR result = nullptr;
  hr = common->lpVtbl->cmn_AddSlash(common, path.Ref(), slash.Ref(), &result);
  const kb::Bstr early(result);
  Check(SUCCEEDED(hr) && early.View() == L"C:\\Data\\", "cmn_AddSlash through the vtable", hr);
  Check(LateBoundAddSlash(object.Get()) == L"C:\\Data\\", "cmn_AddSlash through IDispatch");

  kb::ComPtr<ITypeInfo> info;
  hr = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out());
  Check(SUCCEEDED(hr), "the object describes itself", hr);
  kb::ComPtr<ITypeLib> library;
  hr = ::LoadRegTypeLib(meta::kLibraryId, meta::kMajor, meta::kMinor, 0, library.Out());
  Check(SUCCEEDED(hr), "the type library is found", hr);
}

void WithManifest() {
  for (const auto& c : meta::Classes()) {
    Check(!KeyExists(L"CLSID\\" + meta::GuidText(c.clsid)) && !KeyExists(meta::ProgIdOf(c)),
          Narrow(meta::ProgIdOf(c)) + " is not registered");
  }
  CreateAndCall();
}

void Absent() {
  for (const auto& c : meta::Classes()) {
    kb::ComPtr<IDispatch> object;
    HRESULT hr = ::CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(object.Out()));
    Check(hr == REGDB_E_CLASSNOTREG, Narrow(c.name) + " is not registered", hr);
    // As CreateObject: the identifier may be known (both builds' views can
    // share it), the class behind it must not be.
    CLSID clsid{};
    hr = ::CLSIDFromProgID(meta::ProgIdOf(c).c_str(), &clsid);
    if (SUCCEEDED(hr))
      hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.Out()));
    Check(FAILED(hr), Narrow(meta::ProgIdOf(c)) + " creates nothing", hr);
  }
}

void Registered(const std::wstring& dll) {
  CreateAndCall();
  kb::Bstr path;
  const HRESULT hr =
      ::QueryPathOfRegTypeLib(meta::kLibraryId, meta::kMajor, meta::kMinor, 0, path.Out());
  Check(
      SUCCEEDED(hr) && ::CompareStringOrdinal(path.Get(), -1, dll.c_str(), -1, TRUE) == CSTR_EQUAL,
      "the registered type library is the one in " + Narrow(dll) +
          " (found: " + Narrow(std::wstring(path.View())) + ")",
      hr);
}

void Bare() {
  kb::ComPtr<IDispatch> object;
  const HRESULT hr = ::CoCreateInstance(meta::ClassOf(meta::ClassId::clsCommon).clsid, nullptr,
                                        CLSCTX_INPROC_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(object.Out()));
  Check(hr == REGDB_E_CLASSNOTREG, "without the manifest the class is unknown", hr);
  CLSID clsid{};
  Check(FAILED(::CLSIDFromProgID(L"Kitbag.clsCommon", &clsid)), "and so is its ProgID");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc >= 2 ? argv[1] : L"";
  if (!(argc == 2 && (mode == L"--manifest" || mode == L"--bare" || mode == L"--absent")) &&
      !(argc == 3 && mode == L"--registered")) {
    std::fputs("usage: sxs_client --manifest | --bare | --absent | --registered DLL\n", stderr);
    return 100;
  }
  ::CoInitialize(nullptr);
  if (mode == L"--manifest") {
    WithManifest();
  } else if (mode == L"--bare") {
    Bare();
  } else if (mode == L"--absent") {
    Absent();
  } else {
    Registered(argv[2]);
  }
  ::CoUninitialize();
  std::printf("DONE %d failed\n", failed);
  return failed;
}
