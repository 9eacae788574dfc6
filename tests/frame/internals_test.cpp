// The library's internals that no client reaches directly: the shared module
// routines, the runtime's arithmetic and message box, the internal
// properties, and the dispatcher's rules for by-reference arguments, driven on
// a test class of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include "frame/classes.h"
#include "frame/dispatch.h"
#include "frame/modintvars.h"
#include "runtime/app.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/msgbox.h"
#include "tests/frame/frame_test.h"
#include "tests/support/runtime_checks.h"
#include "tests/support/window_station.h"

namespace {

using namespace kb;
using kb::support::ErrorOf;

std::wstring Appended(const wchar_t* text, const wchar_t* suffix) {
  BSTR t = ::SysAllocString(text), s = ::SysAllocString(suffix);
  frame::AppendIfMissing(&t, &s);
  std::wstring out(View(t));
  ::SysFreeString(t);
  ::SysFreeString(s);
  return out;
}

std::wstring Stripped(const wchar_t* text, const wchar_t* suffix) {
  BSTR t = ::SysAllocString(text), s = ::SysAllocString(suffix);
  std::wstring out;
  try {
    frame::StripTrailing(&t, &s);
    out = View(t);
  } catch (const Error& e) {
    out = L"#" + std::to_wstring(e.Number());
  }
  ::SysFreeString(t);
  ::SysFreeString(s);
  return out;
}

TEST(SharedModule, AppendIfMissing) {
  EXPECT_EQ(L"C:\\Temp\\", Appended(L"C:\\Temp", L"\\"));
  EXPECT_EQ(L"C:\\Temp\\", Appended(L"C:\\Temp\\", L"\\"));
  EXPECT_EQ(L"ab\\\\\\", Appended(L"ab\\", L"\\\\")) << "two characters are always appended";
  EXPECT_EQ(L"\\", Appended(L"", L"\\"));
  EXPECT_EQ(L"abc", Appended(L"abc", L""));
}

TEST(SharedModule, StripTrailing) {
  EXPECT_EQ(L"C:\\Temp", Stripped(L"C:\\Temp\\", L"\\"));
  EXPECT_EQ(L"C:\\Temp\\", Stripped(L"C:\\Temp\\\\", L"\\")) << "only one";
  EXPECT_EQ(L"C:\\Temp", Stripped(L"C:\\Temp", L"\\"));
  EXPECT_EQ(L"#5", Stripped(L"", L""));
}

TEST(SharedModule, AppVersionCaption) {
  // This test program carries a version resource of 1.0 with an empty product name.
  EXPECT_EQ(L" ver. 1.0", frame::AppVersionCaption().View());
  const char* dll = std::getenv("KITBAG_DLL");
  ASSERT_NE(nullptr, dll);
  HMODULE library = ::LoadLibraryA(dll);
  const rt::AppInfo app = rt::ReadAppInfo(library);
  EXPECT_EQ(L"Kitbag", app.productName);
  EXPECT_EQ(1u, app.major);
  EXPECT_EQ(0u, app.minor);
  EXPECT_FALSE(app.path.empty());
  EXPECT_NE(L'\\', app.path.back());
  ::FreeLibrary(library);
}

TEST(Runtime, CheckedIntegerArithmetic) {
  EXPECT_EQ(32767, rt::Add16(32766, 1));
  EXPECT_EQ(6, ErrorOf([] { rt::Add16(32767, 1); })) << "a 16-bit counter never wraps";
  EXPECT_EQ(6, ErrorOf([] { rt::Sub16(-32768, 1); }));
  EXPECT_EQ(6, ErrorOf([] { rt::Mul32(65536, 32768); }));
  EXPECT_EQ(6, ErrorOf([] { rt::Add32(2147483647, 1); }));
  EXPECT_EQ(-2147483647 - 1, rt::Sub32(-2147483647, 1));
}

TEST(Runtime, ConversionsRoundHalvesToEven) {
  EXPECT_EQ(0, rt::CInt(0.5));
  EXPECT_EQ(2, rt::CInt(1.5));
  EXPECT_EQ(2, rt::CInt(2.5));
  EXPECT_EQ(-2, rt::CInt(-2.5));
  EXPECT_EQ(32767, rt::CInt(32767.4));
  EXPECT_EQ(6, ErrorOf([] { rt::CInt(32767.5); }));
  EXPECT_EQ(6, ErrorOf([] { rt::CLng(3e9); }));
}

TEST(Runtime, IntegerDivisionRoundsOperandsFirst) {
  EXPECT_EQ(5, rt::IntDiv(10.5, 2.5));  // 10 \ 2
  EXPECT_EQ(-3, rt::IntDiv(-7, 2));
  EXPECT_EQ(11, ErrorOf([] { rt::IntDiv(1, 0.4); })) << "0.4 rounds to 0";
}

TEST(Runtime, ErrorsAndTheirHresults) {
  Error overflow(6);
  EXPECT_EQ(static_cast<HRESULT>(0x800A0006), overflow.Hresult());
  EXPECT_EQ(L"Overflow", overflow.Description());
  EXPECT_EQ(L"Kitbag", overflow.Source());
  EXPECT_EQ(13, ErrorOf([] { RaiseHresult(DISP_E_TYPEMISMATCH); }));
  EXPECT_EQ(6, ErrorOf([] { RaiseHresult(DISP_E_OVERFLOW); }));
  EXPECT_EQ(11, ErrorOf([] { RaiseHresult(DISP_E_DIVBYZERO); }));
  EXPECT_EQ(static_cast<long>(E_ACCESSDENIED), ErrorOf([] { RaiseHresult(E_ACCESSDENIED); }))
      << "other failures keep their code";
}

// A process whose window station nobody sees must not wait for a button.
TEST(Runtime, MessageBoxWithoutAnInteractiveDesktopFailsWithItsText) {
  ASSERT_TRUE(rt::HasInteractiveDesktop());
  std::wstring description;
  long number = 0;
  {
    const kb::support::HiddenWindowStation station;
    if (!station.Hidden()) GTEST_SKIP() << "this platform makes every window station visible";
    try {
      rt::MsgBox(L"Filen kunne ikke \u00e5bnes", MB_ICONEXCLAMATION);
    } catch (const Error& e) {
      number = e.Number();
      description = e.Description();
    }
  }
  EXPECT_EQ(5, number);
  EXPECT_EQ(L"Filen kunne ikke \u00e5bnes", description);
}

TEST(InternalProperties, CompanyStoredTextAndStoredPath) {
  kbtest::Apartment apartment;
  auto* object = frame::CreateObject(meta::ClassId::clsCommon);
  auto* common = static_cast<frame::Common*>(object);
  EXPECT_EQ(L"Brindlewick A/S", common->CompanyName().View());
  EXPECT_EQ(L"", common->StoredText().View());
  BSTR text = ::SysAllocString(L"note");
  common->SetStoredText(&text);
  EXPECT_EQ(L"note", common->StoredText().View());
  BSTR path = ::SysAllocString(L"C:\\Data");
  common->SetStoredPath(&path);
  EXPECT_EQ(L"C:\\Data\\", View(path)) << "the caller's variable gains the backslash";
  EXPECT_EQ(L"C:\\Data\\", common->StoredPath().View());
  ::SysFreeString(text);
  ::SysFreeString(path);
  object->Release();
}

// ---- the dispatcher on a class of the test's own ----------------------------

// Slot 0: appends "!" to Text, adds one to Count, returns the new text.
HRESULT STDMETHODCALLTYPE Exclaim(void*, BSTR* text, short* count, BSTR* result) {
  std::wstring t(View(*text));
  t += L'!';
  ::SysFreeString(*text);
  *text = ::SysAllocString(t.c_str());
  *count = static_cast<short>(*count + 1);
  *result = ::SysAllocString(t.c_str());
  return S_OK;
}
// Slot 1: writes its argument, then fails.
HRESULT STDMETHODCALLTYPE WriteThenFail(void*, long* value) {
  *value = 42;
  return HresultOfError(9);
}
// Slot 2: replaces its array of texts and returns one.
HRESULT STDMETHODCALLTYPE Names(void*, SAFEARRAY** names, SAFEARRAY** result) {
  auto make = [] {
    SAFEARRAYBOUND b{2, 1};
    SAFEARRAY* sa = ::SafeArrayCreate(VT_BSTR, 1, &b);
    for (LONG i = 1; i <= 2; ++i) {
      Bstr s(i == 1 ? L"one" : L"two");
      ::SafeArrayPutElement(sa, &i, s.Get());
    }
    return sa;
  };
  if (*names) ::SafeArrayDestroy(*names);
  *names = make();
  *result = make();
  return S_OK;
}

constexpr meta::Param kExclaim[] = {
    {L"Text", {meta::Type::Text}, true, {}},
    {L"Count", {meta::Type::Integer}, true, {meta::Default::Kind::Integer, 10}},
    {L"Spare", {meta::Type::Text}, true, {meta::Default::Kind::NoDefault}}};
constexpr meta::Param kWrite[] = {{L"Value", {meta::Type::Long}, true, {}}};
constexpr meta::Param kNames[] = {{L"Names", {meta::Type::TextArray}, true, {}}};
const meta::Member kMembers[] = {
    {L"Exclaim", meta::Kind::Method, 0, true, {meta::Type::Text}, {kExclaim, 2}, 0},
    {L"WriteThenFail", meta::Kind::Method, 1, false, {meta::Type::Variant}, kWrite, 1},
    {L"Names", meta::Kind::Method, 2, true, {meta::Type::TextArray}, kNames, 2}};
const meta::Class kTestClass{L"clsTest", L"_clsTest", {}, {}, kMembers};

// A bare object whose vtable has the seven dispatch slots (unused) and the three above.
struct TestObject {
  const frame::VtblEntry* vtbl;
  static HRESULT STDMETHODCALLTYPE Unused() { return E_NOTIMPL; }
};
const frame::VtblEntry kTestVtbl[] = {reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&TestObject::Unused),
                                      reinterpret_cast<frame::VtblEntry>(&Exclaim),
                                      reinterpret_cast<frame::VtblEntry>(&WriteThenFail),
                                      reinterpret_cast<frame::VtblEntry>(&Names)};

HRESULT Invoke(DISPID id, std::vector<VARIANT> args, VARIANT* result) {
  TestObject object{kTestVtbl};
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  return frame::dispatch::Invoke(reinterpret_cast<IDispatch*>(&object), kTestClass, 0x60030000 + id,
                                 DISPATCH_METHOD, &dp, result, nullptr, nullptr);
}

TEST(Dispatcher, ScriptVariablesReceiveWhatTheMemberWrote) {
  Variant text, count, result;
  V_VT(text.Get()) = VT_BSTR;
  V_BSTR(text.Get()) = ::SysAllocString(L"hi");
  V_VT(count.Get()) = VT_I4;
  V_I4(count.Get()) = 5;
  ASSERT_EQ(S_OK, Invoke(0, {kbtest::RefVariant(text.Get()), kbtest::RefVariant(count.Get())},
                         result.Get()));
  EXPECT_EQ(L"hi!", View(V_BSTR(text.Get())));
  EXPECT_EQ(VT_I2, count.Type()) << "the variable now holds the parameter's type";
  EXPECT_EQ(6, V_I2(count.Get()));
  EXPECT_EQ(L"hi!", View(V_BSTR(result.Get())));
}

TEST(Dispatcher, OmittedAndByValueArgumentsAreLeftAlone) {
  Variant result;
  BSTR text = ::SysAllocString(L"x");
  // By value: the member changes its own copy only.
  ASSERT_EQ(S_OK, Invoke(0, {kbtest::Text(text)}, result.Get()));
  EXPECT_EQ(L"x", View(text));
  EXPECT_EQ(L"x!", View(V_BSTR(result.Get())));
  // A typed reference of the parameter's own type is passed straight through.
  VARIANT ref;
  V_VT(&ref) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&ref) = &text;
  ASSERT_EQ(S_OK, Invoke(0, {ref}, result.Out()));
  EXPECT_EQ(L"x!", View(text));
  ::SysFreeString(text);
}

TEST(Dispatcher, WritesBeforeAFailureStayVisible) {
  Variant value;
  V_VT(value.Get()) = VT_I2;
  V_I2(value.Get()) = 1;
  EXPECT_EQ(HresultOfError(9), Invoke(1, {kbtest::RefVariant(value.Get())}, nullptr));
  EXPECT_EQ(VT_I4, value.Type());
  EXPECT_EQ(42, V_I4(value.Get()));
}

TEST(Dispatcher, ArraysOfTextsReachLateCallersAsArraysOfVariants) {
  Variant names, result;
  V_VT(names.Get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(names.Get()) = ::SafeArrayCreateVector(VT_VARIANT, 0, 0);
  ASSERT_EQ(S_OK, Invoke(2, {kbtest::RefVariant(names.Get())}, result.Get()));
  for (VARIANT* v : {names.Get(), result.Get()}) {
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, V_VT(v));
    LONG lo = 0, hi = 0;
    ::SafeArrayGetLBound(V_ARRAY(v), 1, &lo);
    ::SafeArrayGetUBound(V_ARRAY(v), 1, &hi);
    EXPECT_EQ(1, lo) << "same bounds";
    EXPECT_EQ(2, hi);
    Variant second;
    LONG at = 2;
    ASSERT_EQ(S_OK, ::SafeArrayGetElement(V_ARRAY(v), &at, second.Get()));
    EXPECT_EQ(L"two", View(V_BSTR(second.Get())));
  }
}

}  // namespace
