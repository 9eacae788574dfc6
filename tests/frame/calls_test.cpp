// Calls into the registered library as clients make them: early bound through
// the vtable and late bound through IDispatch, with the automation calling
// rules and the error convention.
#include <windows.h>

#include <ocidl.h>

#include <cstdlib>

#include "runtime/errors.h"
#include "tests/frame/frame_test.h"

namespace {

using namespace kbtest;
using kb::Bstr;
using kb::ComPtr;
using kb::Variant;

Apartment apartment;

TEST(Creation, EveryClassByProgIdWithItsInterfaces) {
  for (const wchar_t* progId : {L"Kitbag.clsCommon", L"Kitbag.clsDataBase", L"Kitbag.clsIniFiles",
                                L"Kitbag.clsRegistry", L"Kitbag.clsResize"}) {
    auto object = Create(progId);
    ASSERT_TRUE(object);
    ComPtr<ISupportErrorInfo> errors = object.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(errors);
    ComPtr<IProvideClassInfo> classInfo = object.As<IProvideClassInfo>(IID_IProvideClassInfo);
    ASSERT_TRUE(classInfo);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, classInfo->GetClassInfo(coclass.Out()));
    Bstr name;
    coclass->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
    EXPECT_EQ(std::wstring(progId).substr(7), name.View());
    UINT count = 0;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<IUnknown> a = object.As<IUnknown>(IID_IUnknown), b = errors.As<IUnknown>(IID_IUnknown);
    EXPECT_EQ(a.Get(), b.Get()) << "one identity for all interfaces";
  }
}

TEST(Creation, EachRequestGivesANewObjectWithItsOwnState) {
  auto a = Create(L"Kitbag.clsCommon");
  auto b = Create(L"Kitbag.clsCommon");
  EXPECT_NE(a.Get(), b.Get());
  Variant text;
  V_VT(text.Get()) = VT_BSTR;
  V_BSTR(text.Get()) = ::SysAllocString(L"x;y");
  Bstr sep(L";"), field;
  BSTR s = sep.Get();
  long first = 0, next = 1;
  auto* ea = Early<kb::_clsCommon>(a);
  auto* eb = Early<kb::_clsCommon>(b);
  ASSERT_EQ(S_OK, ea->lpVtbl->cmn_SEP_Get(ea, text.Get(), &s, &first, field.Out()));
  EXPECT_EQ(L"x", field.View());
  // b never started a reading: its position is still 0.
  EXPECT_EQ(kb::HresultOfError(5), eb->lpVtbl->cmn_SEP_Get(eb, text.Get(), &s, &next, field.Out()));
  EXPECT_EQ(S_OK, ea->lpVtbl->cmn_SEP_Get(ea, text.Get(), &s, &next, field.Out()));
  EXPECT_EQ(L"y", field.View());
}

TEST(Names, LookupIsCaseInsensitiveAndCoversParameters) {
  auto o = Create(L"Kitbag.clsCommon");
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"CMN_addslash"), const_cast<LPOLESTR>(L"char"),
                      const_cast<LPOLESTR>(L"Path")};
  DISPID ids[3];
  ASSERT_EQ(S_OK, o->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
  EXPECT_EQ(0x60030042, ids[0]);
  EXPECT_EQ(1, ids[1]);
  EXPECT_EQ(0, ids[2]);
  LPOLESTR unknown = const_cast<LPOLESTR>(L"cmn_NoSuchThing");
  EXPECT_EQ(DISP_E_UNKNOWNNAME, o->GetIDsOfNames(IID_NULL, &unknown, 1, 0, ids));
  EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
  for (const wchar_t* hidden : {L"CompanyName", L"StoredText", L"StoredPath"}) {
    LPOLESTR n = const_cast<LPOLESTR>(hidden);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, o->GetIDsOfNames(IID_NULL, &n, 1, 0, ids));
  }
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(o.Get(), 0x68030001, DISPATCH_PROPERTYGET, {}).hr)
      << "internal members keep their numbers but are not reachable";
}

TEST(Binding, EarlyAndLateReachTheSameBody) {
  auto o = Create(L"Kitbag.clsCommon");
  auto* e = Early<kb::_clsCommon>(o);
  Bstr path(L"C:\\Temp"), ch(L"\\"), early;
  BSTR p = path.Get(), c = ch.Get();
  ASSERT_EQ(S_OK, e->lpVtbl->cmn_AddSlash(e, &p, &c, early.Out()));
  EXPECT_EQ(L"C:\\Temp\\", early.View());
  auto late = Call(o.Get(), L"cmn_AddSlash", {Text(path.Get()), Text(ch.Get())});
  ASSERT_EQ(S_OK, late.hr);
  EXPECT_EQ(L"C:\\Temp\\", ResultText(late));
}

TEST(Binding, OmittedOptionalArgumentsGetTheirDefaults) {
  auto o = Create(L"Kitbag.clsCommon");
  Bstr path(L"C:\\Temp"), semi(L";");
  EXPECT_EQ(L"C:\\Temp\\", ResultText(Call(o.Get(), L"cmn_AddSlash", {Text(path.Get())})));
  EXPECT_EQ(L"C:\\Temp\\",
            ResultText(Call(o.Get(), L"cmn_AddSlash", {Text(path.Get()), Missing()})));
  // Named: Char is parameter 1.
  EXPECT_EQ(L"C:\\Temp;", ResultText(Call(o.Get(), L"cmn_AddSlash",
                                          {Text(path.Get()), Text(semi.Get())}, {1})));
  EXPECT_EQ(L"C:\\Temp;", ResultText(Call(o.Get(), L"cmn_AddSlash",
                                          {Text(semi.Get()), Text(path.Get())}, {1, 0})));
}

TEST(Binding, ArgumentCountsAndNamesAreChecked) {
  auto o = Create(L"Kitbag.clsCommon");
  Bstr a(L"a");
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(o.Get(), L"cmn_AddSlash", {}).hr);
  EXPECT_EQ(DISP_E_BADPARAMCOUNT,
            Call(o.Get(), L"cmn_AddSlash", {Text(a.Get()), Text(a.Get()), Text(a.Get())}).hr);
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, Call(o.Get(), L"cmn_AddSlash", {Missing()}).hr);
  auto named = Call(o.Get(), L"cmn_AddSlash", {Text(a.Get()), Text(a.Get())}, {7});
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, named.hr);
}

TEST(Binding, ValuesAreCoercedAndMismatchesNamed) {
  auto o = Create(L"Kitbag.clsCommon");
  // A number where a text is expected is converted, as the automation rules say.
  auto n = Call(o.Get(), L"cmn_AddSlash", {Long(12)});
  ASSERT_EQ(S_OK, n.hr);
  EXPECT_EQ(L"12\\", ResultText(n));
  Bstr p(L"x");
  VARIANT array;
  V_VT(&array) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&array) = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
  auto bad = Call(o.Get(), L"cmn_AddSlash", {Text(p.Get()), array});
  EXPECT_EQ(DISP_E_TYPEMISMATCH, bad.hr);
  EXPECT_EQ(0u, bad.argErr) << "the position in rgvarg of the second argument";
  ::SafeArrayDestroy(V_ARRAY(&array));
}

TEST(Binding, ScriptVariablesPassedByReferenceAreAccepted) {
  auto o = Create(L"Kitbag.clsCommon");
  // What VBScript sends: every variable as VT_BYREF | VT_VARIANT.
  Variant text, sep, mode;
  V_VT(text.Get()) = VT_BSTR;
  V_BSTR(text.Get()) = ::SysAllocString(L"a,b");
  V_VT(sep.Get()) = VT_BSTR;
  V_BSTR(sep.Get()) = ::SysAllocString(L",");
  V_VT(mode.Get()) = VT_I2;
  V_I2(mode.Get()) = 0;
  auto first = Call(o.Get(), L"cmn_SEP_Get",
                    {RefVariant(text.Get()), RefVariant(sep.Get()), RefVariant(mode.Get())});
  ASSERT_EQ(S_OK, first.hr);
  EXPECT_EQ(L"a", ResultText(first));
  // Arguments the member does not change keep their value and type.
  EXPECT_EQ(VT_I2, mode.Type());
  EXPECT_EQ(VT_BSTR, sep.Type());
  EXPECT_EQ(L",", kb::View(V_BSTR(sep.Get())));
  V_I2(mode.Get()) = 1;
  EXPECT_EQ(L"b", ResultText(Call(o.Get(), L"cmn_SEP_Get",
                                  {RefVariant(text.Get()), RefVariant(sep.Get()),
                                   RefVariant(mode.Get())})));
}

TEST(Binding, PropertiesHonourTheirDirection) {
  auto o = Create(L"Kitbag.clsCommon");
  const DISPID timer = IdOf(o.Get(), L"cmn_ResetTimerInterval");
  const DISPID files = IdOf(o.Get(), L"cmn_FileArray");
  EXPECT_EQ(0x68030004, timer);
  EXPECT_EQ(0x68030000, files);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(o.Get(), timer, DISPATCH_PROPERTYGET, {}).hr);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(o.Get(), files, DISPATCH_PROPERTYPUT, {Long(1)},
                                        {DISPID_PROPERTYPUT}).hr);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            Call(o.Get(), 0x60030042, DISPATCH_PROPERTYPUT, {Long(1)}, {DISPID_PROPERTYPUT}).hr)
      << "a method cannot be assigned";
  // The property put reaches its body.
  auto put = Call(o.Get(), timer, DISPATCH_PROPERTYPUT, {Long(120)}, {DISPID_PROPERTYPUT});
  EXPECT_EQ(S_OK, put.hr);
}

TEST(Failures, RunTimeErrorsCarryNumberDescriptionAndSource) {
  auto o = Create(L"Kitbag.clsCommon");
  Bstr text(L"a;b"), sep(L";");
  // A reading that was never started examines position 0: error 5.
  auto late = Call(o.Get(), L"cmn_SEP_Get", {Text(text.Get()), Text(sep.Get()), Long(1)});
  EXPECT_EQ(DISP_E_EXCEPTION, late.hr);
  EXPECT_EQ(kb::HresultOfError(5), late.scode);
  EXPECT_EQ(L"Invalid procedure call or argument", late.description);
  EXPECT_EQ(L"Kitbag", late.source);
  EXPECT_EQ(VT_EMPTY, late.result.Type()) << "no result on failure";

  auto* e = Early<kb::_clsCommon>(o);
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  BSTR s = sep.Get();
  long first = 0;
  BSTR result = ::SysAllocString(L"stale");
  EXPECT_EQ(kb::HresultOfError(94), e->lpVtbl->cmn_SEP_Get(e, null.Get(), &s, &first, &result));
  EXPECT_EQ(nullptr, result) << "the result slot is emptied on failure";
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(S_OK, ::GetErrorInfo(0, info.Out()));
  Bstr description;
  info->GetDescription(description.Out());
  EXPECT_EQ(L"Invalid use of Null", description.View());
}

TEST(Failures, MembersNotInThisBuildSayWhich) {
  auto common = Create(L"Kitbag.clsCommon");
  auto* e = Early<kb::_clsCommon>(common);
  // Whichever of these members without parameters this build still lacks.
  struct Candidate {
    const wchar_t* name;
    HRESULT (*early)(kb::_clsCommon* e);
  } const candidates[] = {
      {L"cmn_WindowsDirectory",
       [](kb::_clsCommon* e) {
         Bstr r;
         return e->lpVtbl->cmn_WindowsDirectory(e, r.Out());
       }},
      {L"cmn_SystemDirectory",
       [](kb::_clsCommon* e) {
         Bstr r;
         return e->lpVtbl->cmn_SystemDirectory(e, r.Out());
       }},
      {L"cmn_AppPath",
       [](kb::_clsCommon* e) {
         Variant r;
         return e->lpVtbl->cmn_AppPath(e, r.Out());
       }},
      {L"cmn_GetDriveList",
       [](kb::_clsCommon* e) {
         Variant r;
         return e->lpVtbl->cmn_GetDriveList(e, r.Out());
       }},
  };
  for (const Candidate& c : candidates) {
    auto late = Call(common.Get(), c.name, {});
    if (late.hr != DISP_E_EXCEPTION || late.scode != E_NOTIMPL) continue;
    EXPECT_NE(std::wstring::npos, late.description.find(c.name));
    EXPECT_EQ(E_NOTIMPL, c.early(e));
    return;
  }
  GTEST_SKIP() << "every member of the list is built";
}

// The library stays loaded while any object or factory lock lives.
TEST(Server, CanUnloadOnlyWithoutObjectsAndLocks) {
  const char* path = std::getenv("KITBAG_DLL");
  ASSERT_NE(nullptr, path);
  HMODULE dll = ::LoadLibraryA(path);
  ASSERT_NE(nullptr, dll);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto get = reinterpret_cast<GetClassObject>(::GetProcAddress(dll, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<CanUnload>(::GetProcAddress(dll, "DllCanUnloadNow"));
  ASSERT_TRUE(get && canUnload);
  ASSERT_EQ(S_OK, canUnload());

  CLSID clsid;
  ::CLSIDFromProgID(L"Kitbag.clsCommon", &clsid);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())));
    ComPtr<IUnknown> outer = factory.As<IUnknown>(IID_IUnknown), object;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(outer.Get(), IID_IUnknown, reinterpret_cast<void**>(object.Out())));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                            reinterpret_cast<void**>(object.Out())));
    factory = nullptr;
    EXPECT_EQ(S_FALSE, canUnload()) << "an object is alive";
  }
  EXPECT_EQ(S_OK, canUnload());
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())));
    factory->LockServer(TRUE);
    factory = nullptr;
    EXPECT_EQ(S_FALSE, canUnload()) << "a lock is held";
    ASSERT_EQ(S_OK, get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())));
    factory->LockServer(FALSE);
  }
  EXPECT_EQ(S_OK, canUnload());
  void* none = nullptr;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, get(IID_IDispatch, IID_IClassFactory, &none));
  ::FreeLibrary(dll);
}

}  // namespace
