// Hostile late-bound calls: every member of every class is driven through
// IDispatch::Invoke with argument lists no well-behaved client would build.
// Whatever a member does with them, the call must come back: with S_OK, a
// DISP_E_* or argument error, or DISP_E_EXCEPTION carrying a run-time error
// or a described failure.  A crash, a hang or a window dies loudly and names
// the call that caused it.
//
// The library is loaded by path and its objects come from its own class
// factories, so no registration is needed and the table in frame/metadata.h
// is the only description of what is being called.  Everything is seeded:
// KITBAG_FUZZ_SEED repeats or varies a run, KITBAG_FUZZ_ROUNDS sets how many
// random lists each member receives.
#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "frame/metadata.h"
#include "runtime/handles.h"
#include "tests/support/dispatch_call.h"

namespace {

using kb::Bstr;
using kb::ComPtr;
using kb::support::Arg;
using kb::support::CallResult;
namespace meta = kb::meta;

// Members this test never calls.  Their purpose is a window or a wait that
// no argument can shorten, so hostile arguments only prove that the dialog
// appeared.  Any other member that opens a window is dismissed and reported.
const wchar_t* const kSkip[] = {
    L"cmn_Browse4Folder",          // the folder browser
    L"cmn_MultipleFileCmnDialog",  // the file-open dialog
    L"cmn_OpenDocument",           // starts the document's program, a process a call
    L"cmn_Sleep",                  // sleeps for its argument, up to weeks
    L"cmn_PrintWebPage",           // starts the printing command, a process a call
    L"cmn_URLDownloadToFile",      // blocks until the address answers or times out
    L"cmn_OpenCloseCDROM",         // moves a real CD drive's door
    L"cmn_CopyFile",               // the shell's questions and a message box on failure
    L"cmn_OpenTextFile",           // a message box for every file it cannot read
    L"cmn_PrintTextBox",           // a message box for every failure, or a print job
    L"cmn_FindString",             // a message box whenever the text is not found
    L"dB_OpendB",                  // a file it cannot open is reported in a message box
    L"dB_RsToCSVFile",             // every failure is reported in a message box
};

bool Skipped(const meta::Member& m) {
  for (const wchar_t* name : kSkip)
    if (std::wcscmp(name, m.name) == 0) return true;
  return false;
}

std::string Narrow(std::wstring_view w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

std::string Hex(unsigned long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", v);
  return buf;
}

// ---- what a dying process says ------------------------------------------------

// The call in progress, written before every Invoke so that a crash handler
// with a broken heap still has something to print.
char g_call[2048] = "(no call yet)";
volatile LONG g_inCall = 0;
volatile ULONGLONG g_callStarted = 0;
constexpr ULONGLONG kHangMs = 30000;

void WriteStderr(const char* text) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)),
              &written, nullptr);
}

[[noreturn]] void Die(const char* what, DWORD code) {
  std::fflush(stdout);
  WriteStderr("\n*** fuzz: ");
  WriteStderr(what);
  WriteStderr(" ***\n*** during: ");
  WriteStderr(g_call);
  WriteStderr("\n");
  ::TerminateProcess(::GetCurrentProcess(), code);
  for (;;) ::Sleep(INFINITE);
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  char what[512];
  char module[MAX_PATH] = "?";
  HMODULE owner = nullptr;
  if (::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(r->ExceptionAddress), &owner))
    ::GetModuleFileNameA(owner, module, MAX_PATH);
  std::snprintf(what, sizeof what, "unhandled exception 0x%08lX at %p in %s%s",
                static_cast<unsigned long>(r->ExceptionCode), r->ExceptionAddress, module,
                r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2
                    ? (r->ExceptionInformation[0] ? " (write)" : " (read)")
                    : "");
  Die(what, 3);
}

// A stack overflow or a corrupted heap may never reach the unhandled filter.
LONG WINAPI OnFirstChance(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code == EXCEPTION_STACK_OVERFLOW || code == 0xC0000374 /* heap corruption */ ||
      code == 0xC0000409 /* stack buffer overrun */) {
    char what[64];
    std::snprintf(what, sizeof what, "exception 0x%08lX", static_cast<unsigned long>(code));
    Die(what, 3);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void OnAbort(int) { Die("abort()", 3); }
void OnTerminate() { Die("std::terminate (an exception escaped)", 3); }

DWORD WINAPI Watchdog(void*) {
  for (;;) {
    ::Sleep(500);
    if (g_inCall && ::GetTickCount64() - g_callStarted > kHangMs)
      Die("a call did not return within 30 s", 4);
  }
}

// ---- windows that appear during a call ------------------------------------------

std::string g_window;  // the first window a call opened, dismissed already
HHOOK g_hook = nullptr;

LRESULT CALLBACK OnCbt(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND hwnd = reinterpret_cast<HWND>(wp);
    char cls[64] = "", title[128] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (g_window.empty()) g_window = std::string(cls) + " \"" + title + "\"";
    if (std::strcmp(cls, "#32770") == 0) {
      // Whichever of these the dialog has closes it.
      for (WPARAM id : {IDCANCEL, IDNO, IDOK}) ::PostMessageW(hwnd, WM_COMMAND, id, 0);
    } else {
      ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
  }
  return ::CallNextHookEx(g_hook, code, wp, lp);
}

// ---- the library -----------------------------------------------------------------

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

struct Library {
  HMODULE module = nullptr;
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
  std::wstring path;
} g_lib;

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L'\\')); }

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// KITBAG_DLL when set; otherwise the first Kitbag.dll beside this program or
// in a folder above it (the build puts tests below the library).
std::wstring FindLibrary() {
  wchar_t env[MAX_PATH * 2];
  DWORD n = ::GetEnvironmentVariableW(L"KITBAG_DLL", env, MAX_PATH * 2);
  if (n > 0 && n < MAX_PATH * 2) return env;
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = FolderOf(self);
  for (int up = 0; up < 4 && !folder.empty(); ++up) {
    const std::wstring candidate = folder + L"\\Kitbag.dll";
    if (FileExists(candidate)) return candidate;
    const size_t cut = folder.find_last_of(L'\\');
    if (cut == std::wstring::npos) break;
    folder.resize(cut);
  }
  return L"Kitbag.dll";
}

ComPtr<IDispatch> NewObject(const meta::Class& cls) {
  ComPtr<IClassFactory> factory;
  HRESULT hr =
      g_lib.getClassObject(cls.clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Out()));
  EXPECT_EQ(S_OK, hr) << "DllGetClassObject for " << Narrow(cls.name);
  ComPtr<IDispatch> object;
  if (factory) {
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                            reinterpret_cast<void**>(object.Out())));
  }
  return object;
}

// ---- objects the tests pass in ---------------------------------------------------

// A small automation object: its default property reads as a text, so that
// conversions to text go through a real call; every other member is unknown.
// Without IDispatch it stands for an object of no automation kind.
class Probe : public IDispatch {
 public:
  explicit Probe(bool automation) : automation_(automation) {}
  LONG Refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || (automation_ && IsEqualIID(iid, IID_IDispatch))) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return ::InterlockedDecrement(&refs_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    if (ids) {
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (result) {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = ::SysAllocString(L"probe");
    }
    return S_OK;
  }

 private:
  bool automation_;
  LONG refs_ = 1;  // the test's own, never released: these live in static storage
};

Probe g_probe(true);
Probe g_plain(false);

// ---- argument lists --------------------------------------------------------------

// The arguments of one call, with everything by-reference entries point at.
class ArgSet {
 public:
  ArgSet() = default;
  ArgSet(const ArgSet&) = delete;
  ArgSet& operator=(const ArgSet&) = delete;
  ~ArgSet() {
    for (auto& e : entries_) ClearValue(e.v);
    for (auto& t : targets_) ::VariantClear(&t);
  }

  // A variable of the caller that a by-reference entry points at.
  VARIANT* Target() {
    targets_.emplace_back();
    ::VariantInit(&targets_.back());
    return &targets_.back();
  }
  DECIMAL* DecimalTarget() { return &decimals_.emplace_back(); }

  // Entries in source order; a named one carries its dispid.
  void Add(std::string label, const VARIANT& v, bool named = false, DISPID id = 0) {
    entries_.push_back({std::move(label), v, named, id});
  }

  // rgvarg holds the named entries first, in the order given, then the
  // positional ones from last to first.
  void Build() {
    rgvarg_.clear();
    ids_.clear();
    for (auto& e : entries_)
      if (e.named) {
        rgvarg_.push_back(e.v);
        ids_.push_back(e.id);
      }
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
      if (!it->named) rgvarg_.push_back(it->v);
  }
  VARIANTARG* Rgvarg() { return rgvarg_.empty() ? nullptr : rgvarg_.data(); }
  DISPID* Ids() { return ids_.empty() ? nullptr : ids_.data(); }
  UINT Count() const { return static_cast<UINT>(rgvarg_.size()); }
  UINT NamedCount() const { return static_cast<UINT>(ids_.size()); }
  const std::vector<VARIANTARG>& Built() const { return rgvarg_; }

  // The caller's variables as raw bytes, to tell whether a call wrote to them.
  std::string TargetBytes() const {
    std::string bytes;
    for (const auto& t : targets_) bytes.append(reinterpret_cast<const char*>(&t), sizeof t);
    for (const auto& d : decimals_) bytes.append(reinterpret_cast<const char*>(&d), sizeof d);
    return bytes;
  }

  // The first variable a call left in a state VariantCopy rejects, or kNone.
  static constexpr size_t kNone = ~size_t(0);
  size_t FirstInvalidTarget() {
    for (size_t i = 0; i < targets_.size(); ++i) {
      VARIANT copy;
      ::VariantInit(&copy);
      if (FAILED(::VariantCopy(&copy, &targets_[i]))) return i;
      ::VariantClear(&copy);
    }
    return kNone;
  }

  std::string Describe() const {
    std::string s;
    for (const auto& e : entries_) {
      if (!s.empty()) s += ", ";
      if (e.named)
        s += "[" + (e.id == DISPID_PROPERTYPUT ? "PROPERTYPUT" : std::to_string(e.id)) + "]=";
      s += e.label;
    }
    return s;
  }

 private:
  // Only what a VARIANT can own is cleared; the deliberately broken types
  // own nothing and would only make VariantClear complain.
  static void ClearValue(VARIANT& v) {
    const VARTYPE vt = V_VT(&v);
    if (vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN || (vt & VT_ARRAY))
      ::VariantClear(&v);
  }
  struct Entry {
    std::string label;
    VARIANT v;
    bool named;
    DISPID id;
  };
  std::vector<Entry> entries_;
  std::deque<VARIANT> targets_;
  std::deque<DECIMAL> decimals_;
  std::vector<VARIANTARG> rgvarg_;
  std::vector<DISPID> ids_;
};

// One kind of argument value: how it is made, and its name in reports.
struct Kind {
  std::string name;
  std::function<void(ArgSet&, VARIANT&)> make;
};

const std::wstring& LongText() {
  static const std::wstring text(65536, L'x');
  return text;
}

BSTR AllocText(const std::wstring& s) {
  return ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

// A scalar of any automation type: the value storage starts at the same
// place for all of them.
template <class T>
VARIANT Scalar(VARTYPE vt, T value) {
  static_assert(sizeof(T) <= 8);
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = vt;
  std::memcpy(&V_I4(&v), &value, sizeof value);
  return v;
}

VARIANT Owning(VARTYPE vt, void* pointer) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = vt;
  V_BYREF(&v) = pointer;
  return v;
}

IDispatch* Shared(Probe& probe) {
  probe.AddRef();
  return &probe;
}

SAFEARRAY* Vector(VARTYPE vt, LONG lbound, ULONG count) {
  return ::SafeArrayCreateVector(vt, lbound, count);
}

// Five values of different kinds, missing included.
SAFEARRAY* VariantVector(LONG lbound) {
  SAFEARRAY* sa = Vector(VT_VARIANT, lbound, 5);
  VARIANT items[5] = {Owning(VT_I4, nullptr), Owning(VT_BSTR, ::SysAllocString(L"b;a")),
                      Owning(VT_NULL, nullptr), Owning(VT_DISPATCH, Shared(g_probe)),
                      Owning(VT_ERROR, nullptr)};
  V_I4(&items[0]) = 7;
  V_ERROR(&items[4]) = DISP_E_PARAMNOTFOUND;
  for (LONG i = 0; i < 5; ++i) {
    LONG at = lbound + i;
    ::SafeArrayPutElement(sa, &at, &items[i]);  // copies
    ::VariantClear(&items[i]);
  }
  return sa;
}

SAFEARRAY* TextVector(LONG lbound) {
  SAFEARRAY* sa = Vector(VT_BSTR, lbound, 3);
  const wchar_t* texts[3] = {L"c", nullptr, L""};
  for (LONG i = 0; i < 3; ++i) {
    LONG at = lbound + i;
    Bstr b = texts[i] ? Bstr(texts[i]) : Bstr();
    ::SafeArrayPutElement(sa, &at, b.Get());  // copies
  }
  return sa;
}

SAFEARRAY* VariantMatrix() {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};
  SAFEARRAY* sa = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
  for (LONG i = 0; i < 2; ++i)
    for (LONG j = 1; j <= 3; ++j) {
      LONG at[2] = {i, j};
      VARIANT v;
      V_VT(&v) = VT_I2;
      V_I2(&v) = static_cast<SHORT>(i * 10 + j);
      ::SafeArrayPutElement(sa, at, &v);
    }
  return sa;
}

DECIMAL DecimalOf(double d) {
  DECIMAL dec{};
  ::VarDecFromR8(d, &dec);
  return dec;
}

VARIANT Decimal(const DECIMAL& d) {
  VARIANT v;
  V_DECIMAL(&v) = d;
  V_VT(&v) = VT_DECIMAL;  // after the value: the two overlap
  return v;
}

// Values passed by value: every automation type, its edges, and a few types
// that are not valid in a VARIANT at all.  Each call makes its own, so that
// what a value owns (texts, objects, arrays) belongs to that call.
std::vector<Kind> ValueKinds() {
  std::vector<Kind> k;
  auto add = [&](std::string name, std::function<VARIANT()> make) {
    k.push_back({std::move(name), [make](ArgSet&, VARIANT& v) { v = make(); }});
  };
  auto scalar = [&](std::string name, VARIANT v) { add(std::move(name), [v] { return v; }); };
  scalar("EMPTY", Scalar<LONG>(VT_EMPTY, 0));
  scalar("NULL", Scalar<LONG>(VT_NULL, 0));
  for (SHORT n : {0, -1, 32767, -32768}) scalar("I2 " + std::to_string(n), Scalar(VT_I2, n));
  for (LONG n : {0L, 1L, 2L, -1L, 0x7FFFFFFFL, -0x7FFFFFFFL - 1})
    scalar("I4 " + std::to_string(n), Scalar(VT_I4, n));
  for (float f : {1.5f, -0.0f, 3.4e38f, std::numeric_limits<float>::quiet_NaN()})
    scalar("R4 " + std::to_string(f), Scalar(VT_R4, f));
  for (double d : {0.5, 1e308, -1e308, std::numeric_limits<double>::quiet_NaN(),
                   -std::numeric_limits<double>::infinity()})
    scalar("R8 " + std::to_string(d), Scalar(VT_R8, d));
  scalar("CY 1.2345", Scalar<LONGLONG>(VT_CY, 12345));
  scalar("CY max", Scalar(VT_CY, std::numeric_limits<LONGLONG>::max()));
  for (double d : {0.0, 45000.5, -657434.0, 2958465.99, 1e10, -1e10})
    scalar("DATE " + std::to_string(d), Scalar(VT_DATE, d));
  for (SCODE e : {SCODE(DISP_E_PARAMNOTFOUND), SCODE(0), SCODE(E_FAIL), SCODE(0x800A0005)})
    scalar("ERROR " + Hex(e), Scalar(VT_ERROR, e));
  for (VARIANT_BOOL b : {VARIANT_TRUE, VARIANT_FALSE, VARIANT_BOOL(1)})
    scalar("BOOL " + std::to_string(b), Scalar(VT_BOOL, b));
  scalar("I1 -128", Scalar<CHAR>(VT_I1, -128));
  scalar("UI1 255", Scalar<BYTE>(VT_UI1, 255));
  scalar("UI2 65535", Scalar<USHORT>(VT_UI2, 65535));
  scalar("UI4 max", Scalar<ULONG>(VT_UI4, 0xFFFFFFFFu));
  scalar("I8 min", Scalar(VT_I8, std::numeric_limits<LONGLONG>::min()));
  scalar("UI8 max", Scalar(VT_UI8, std::numeric_limits<ULONGLONG>::max()));
  scalar("INT -1", Scalar<INT>(VT_INT, -1));
  scalar("UINT max", Scalar<UINT>(VT_UINT, 0xFFFFFFFFu));
  scalar("DECIMAL 1.5", Decimal(DecimalOf(1.5)));
  DECIMAL big{};
  big.Hi32 = 0xFFFFFFFF;
  big.Lo64 = 0xFFFFFFFFFFFFFFFFull;
  scalar("DECIMAL max", Decimal(big));

  add("BSTR null", [] { return Owning(VT_BSTR, nullptr); });
  add("BSTR \"\"", [] { return Owning(VT_BSTR, ::SysAllocString(L"")); });
  add("BSTR 64 KiB", [] { return Owning(VT_BSTR, AllocText(LongText())); });
  add("BSTR \"1\"", [] { return Owning(VT_BSTR, ::SysAllocString(L"1")); });
  add("BSTR \"a;b\\0c\"", [] { return Owning(VT_BSTR, ::SysAllocStringLen(L"a;b\0c", 5)); });
  add("BSTR 3 bytes", [] { return Owning(VT_BSTR, ::SysAllocStringByteLen("abc", 3)); });
  add("DISPATCH null", [] { return Owning(VT_DISPATCH, nullptr); });
  add("DISPATCH object", [] { return Owning(VT_DISPATCH, Shared(g_probe)); });
  add("UNKNOWN null", [] { return Owning(VT_UNKNOWN, nullptr); });
  add("UNKNOWN automation object", [] { return Owning(VT_UNKNOWN, Shared(g_probe)); });
  add("UNKNOWN plain object", [] { return Owning(VT_UNKNOWN, Shared(g_plain)); });

  add("ARRAY|VARIANT null", [] { return Owning(VT_ARRAY | VT_VARIANT, nullptr); });
  add("ARRAY|BSTR null", [] { return Owning(VT_ARRAY | VT_BSTR, nullptr); });
  add("ARRAY|VARIANT empty",
      [] { return Owning(VT_ARRAY | VT_VARIANT, Vector(VT_VARIANT, 0, 0)); });
  add("ARRAY|BSTR empty", [] { return Owning(VT_ARRAY | VT_BSTR, Vector(VT_BSTR, 0, 0)); });
  add("ARRAY|VARIANT 1-D", [] { return Owning(VT_ARRAY | VT_VARIANT, VariantVector(0)); });
  add("ARRAY|VARIANT from -3", [] { return Owning(VT_ARRAY | VT_VARIANT, VariantVector(-3)); });
  add("ARRAY|BSTR 1-D", [] { return Owning(VT_ARRAY | VT_BSTR, TextVector(0)); });
  add("ARRAY|BSTR from 5", [] { return Owning(VT_ARRAY | VT_BSTR, TextVector(5)); });
  add("ARRAY|VARIANT 2-D", [] { return Owning(VT_ARRAY | VT_VARIANT, VariantMatrix()); });
  add("ARRAY|BSTR 2-D", [] {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};
    return Owning(VT_ARRAY | VT_BSTR, ::SafeArrayCreate(VT_BSTR, 2, bounds));
  });
  add("ARRAY|I4 1-D", [] { return Owning(VT_ARRAY | VT_I4, Vector(VT_I4, 1, 4)); });
  add("ARRAY|DECIMAL 1-D", [] { return Owning(VT_ARRAY | VT_DECIMAL, Vector(VT_DECIMAL, 0, 2)); });
  add("ARRAY|DISPATCH 1-D", [] {
    SAFEARRAY* sa = Vector(VT_DISPATCH, 0, 2);
    LONG at = 0;
    ::SafeArrayPutElement(sa, &at, static_cast<IDispatch*>(&g_probe));  // adds its own reference
    return Owning(VT_ARRAY | VT_DISPATCH, sa);
  });

  // Types a VARIANT must not carry.  VT_ILLEGAL has the reference and array
  // bits set, so the value field points at valid (empty) storage as well.
  for (VARTYPE bad : {VARTYPE(VT_VARIANT), VARTYPE(VT_VOID), VARTYPE(VT_HRESULT), VARTYPE(VT_PTR),
                      VARTYPE(15), VARTYPE(0x7F), VARTYPE(VT_ILLEGAL)})
    k.push_back({"invalid VT " + std::to_string(bad),
                 [bad](ArgSet& set, VARIANT& v) { v = Owning(bad, &V_I4(set.Target())); }});
  scalar("RECORD without info", Scalar<LONG>(VT_RECORD, 0));
  return k;
}

// Values whose tag lies about what they hold, and a reference that points
// back at itself: read as what they claim, they crash or hang the reader.
// The dispatcher refuses each as a type mismatch before any member runs.
std::vector<Kind> CraftedKinds() {
  std::vector<Kind> k;
  auto add = [&](std::string name, std::function<VARIANT()> make) {
    k.push_back({std::move(name), [make](ArgSet&, VARIANT& v) { v = make(); }});
  };
  // The caller's bytes would be taken for a record description to call.
  add("ARRAY|RECORD over I8s", [] {
    SAFEARRAY* sa = Vector(VT_I8, 0, 3);
    for (LONG i = 0; i < 3; ++i) {
      LONGLONG bytes = 0x4141414141414141LL;
      ::SafeArrayPutElement(sa, &i, &bytes);
    }
    return Owning(VT_ARRAY | VT_RECORD, sa);
  });
  // Numbers taken for texts: pointers to nowhere.
  add("ARRAY|BSTR over I4s", [] {
    SAFEARRAY* sa = Vector(VT_I4, 0, 3);
    for (LONG i = 0; i < 3; ++i) {
      LONG bytes = 0x41414141;
      ::SafeArrayPutElement(sa, &i, &bytes);
    }
    return Owning(VT_ARRAY | VT_BSTR, sa);
  });
  add("ARRAY|VARIANT over I4s", [] { return Owning(VT_ARRAY | VT_VARIANT, Vector(VT_I4, 0, 8)); });
  add("ARRAY|I4 over BSTRs", [] { return Owning(VT_ARRAY | VT_I4, TextVector(0)); });
  // A script-shaped array holding a crafted one.
  add("ARRAY|VARIANT holding ARRAY|BSTR over I4s", [] {
    SAFEARRAY* outer = Vector(VT_VARIANT, 0, 1);
    SAFEARRAY* inner = Vector(VT_I4, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
      LONG bytes = 0x41414141;
      ::SafeArrayPutElement(inner, &i, &bytes);
    }
    // Placed by hand: PutElement would copy the inner array as the texts it claims to hold.
    void* data = nullptr;
    ::SafeArrayAccessData(outer, &data);
    static_cast<VARIANT*>(data)[0] = Owning(VT_ARRAY | VT_BSTR, inner);
    ::SafeArrayUnaccessData(outer);
    return Owning(VT_ARRAY | VT_VARIANT, outer);
  });
  k.push_back({"BYREF VARIANT pointing at itself", [](ArgSet& set, VARIANT& v) {
                 VARIANT* t = set.Target();
                 V_VT(t) = VT_BYREF | VT_VARIANT;
                 V_VARIANTREF(t) = t;
                 v = Owning(VT_BYREF | VT_VARIANT, t);
               }});
  return k;
}

bool CanBeReferenced(const Kind& value) {
  for (const char* prefix : {"EMPTY", "NULL", "DECIMAL", "invalid", "RECORD"})
    if (value.name.rfind(prefix, 0) == 0) return false;
  return true;
}

// References to every value above: typed ones, as a compiled client's
// variables are passed, and references to variants, as a script's are.
std::vector<Kind> ReferenceKinds(const std::vector<Kind>& values) {
  std::vector<Kind> k;
  for (const Kind& value : values) {
    if (CanBeReferenced(value))
      k.push_back({"BYREF " + value.name, [make = value.make](ArgSet& set, VARIANT& v) {
                     VARIANT* t = set.Target();
                     make(set, *t);
                     v = Owning(VT_BYREF | V_VT(t), &V_I4(t));
                   }});
    if (value.name.rfind("invalid", 0) != 0 && value.name.rfind("RECORD", 0) != 0)
      k.push_back(
          {"BYREF VARIANT(" + value.name + ")", [make = value.make](ArgSet& set, VARIANT& v) {
             VARIANT* t = set.Target();
             make(set, *t);
             v = Owning(VT_BYREF | VT_VARIANT, t);
           }});
  }
  // A DECIMAL fills the whole variant, type field included, so its target
  // lives apart.
  k.push_back({"BYREF DECIMAL", [](ArgSet& set, VARIANT& v) {
                 DECIMAL* d = set.DecimalTarget();
                 *d = DecimalOf(-2.75);
                 v = Owning(VT_BYREF | VT_DECIMAL, d);
               }});
  // A variant variable that itself holds a reference.
  k.push_back({"BYREF VARIANT(BYREF I4)", [](ArgSet& set, VARIANT& v) {
                 VARIANT* number = set.Target();
                 *number = Scalar<LONG>(VT_I4, 3);
                 VARIANT* t = set.Target();
                 *t = Owning(VT_BYREF | VT_I4, &V_I4(number));
                 v = Owning(VT_BYREF | VT_VARIANT, t);
               }});
  return k;
}

const std::vector<Kind>& AllKinds() {
  static const std::vector<Kind> all = [] {
    std::vector<Kind> v = ValueKinds();
    std::vector<Kind> refs = ReferenceKinds(v);
    v.insert(v.end(), refs.begin(), refs.end());
    return v;
  }();
  return all;
}

const Kind& KindNamed(const std::string& name) {
  for (const Kind& k : AllKinds())
    if (k.name == name) return k;
  std::fprintf(stderr, "fuzz: no value kind %s\n", name.c_str());
  std::abort();
}
// What an omitted argument looks like when passed explicitly.
const Kind& Missing() { return KindNamed("ERROR 0x80020004"); }
// Any plain value, where only the count or the name of an argument matters.
const Kind& Filler() { return KindNamed("I4 1"); }

// The scratch folder the run works in; texts that look like paths point into it.
std::wstring g_scratch;

// A value a well-behaved client would pass for a parameter of this type.
VARIANT GoodOf(meta::Type type) {
  switch (type) {
    case meta::Type::Text:
    case meta::Type::Variant: return Owning(VT_BSTR, AllocText(g_scratch + L"\\fuzz.txt"));
    case meta::Type::Boolean: return Scalar<VARIANT_BOOL>(VT_BOOL, VARIANT_FALSE);
    case meta::Type::Integer: return Scalar<SHORT>(VT_I2, 1);
    case meta::Type::Long: return Scalar<LONG>(VT_I4, 1);
    case meta::Type::Single: return Scalar(VT_R4, 1.0f);
    case meta::Type::Double: return Scalar(VT_R8, 1.0);
    case meta::Type::Date: return Scalar(VT_DATE, 45000.0);
    case meta::Type::Object: return Owning(VT_DISPATCH, Shared(g_probe));
    case meta::Type::VariantArray: return Owning(VT_ARRAY | VT_VARIANT, VariantVector(0));
    case meta::Type::TextArray: return Owning(VT_ARRAY | VT_BSTR, TextVector(0));
    case meta::Type::Enum: return Scalar<LONG>(VT_I4, 0);
  }
  return Scalar<LONG>(VT_EMPTY, 0);
}

// The good value by value, or as the caller's own variable of its type.
Kind GoodValue(const meta::Param& p, bool asReference) {
  const meta::Type type = p.type.type;
  if (!asReference) return {"good", [type](ArgSet&, VARIANT& v) { v = GoodOf(type); }};
  return {"good BYREF", [type](ArgSet& set, VARIANT& v) {
            VARIANT* t = set.Target();
            *t = GoodOf(type);
            v = type == meta::Type::Variant ? Owning(VT_BYREF | VT_VARIANT, t)
                                            : Owning(VT_BYREF | V_VT(t), &V_I4(t));
          }};
}

// A script variable of the parameter's type: what VBScript passes.
Kind GoodScriptVariable(const meta::Param& p) {
  const meta::Type type = p.type.type;
  return {"good BYREF VARIANT", [type](ArgSet& set, VARIANT& v) {
            VARIANT* t = set.Target();
            *t = GoodOf(type);
            v = Owning(VT_BYREF | VT_VARIANT, t);
          }};
}

// ---- one call and what may come of it ------------------------------------------

enum class Expect {
  Survive,         // anything allowed
  Bind,            // the arguments fit: the member runs (S_OK or its own failure)
  BadCount,        // DISP_E_BADPARAMCOUNT
  TooFew,          // a required argument is absent
  NoMember,        // DISP_E_MEMBERNOTFOUND
  BadName,         // a named argument that names no parameter
  InvalidArg,      // the DISPPARAMS contradict themselves
  WrongInterface,  // riid is not IID_NULL
  Mismatch,        // DISP_E_TYPEMISMATCH
};

const char* ExpectName(Expect e) {
  switch (e) {
    case Expect::Survive: return "survive";
    case Expect::Bind: return "bind and run";
    case Expect::BadCount: return "DISP_E_BADPARAMCOUNT";
    case Expect::TooFew: return "DISP_E_BADPARAMCOUNT or DISP_E_PARAMNOTFOUND";
    case Expect::NoMember: return "DISP_E_MEMBERNOTFOUND";
    case Expect::BadName: return "DISP_E_PARAMNOTFOUND";
    case Expect::InvalidArg: return "E_INVALIDARG";
    case Expect::WrongInterface: return "DISP_E_UNKNOWNINTERFACE";
    case Expect::Mismatch: return "DISP_E_TYPEMISMATCH";
  }
  return "?";
}

struct Target;

struct Call {
  Call() = default;
  Call(const Target& t, std::string label, Expect expect);

  const meta::Class* cls = nullptr;
  const meta::Member* member = nullptr;
  DISPID id = 0;
  WORD flags = DISPATCH_METHOD;
  LCID lcid = LOCALE_USER_DEFAULT;
  IID riid = IID_NULL;
  ArgSet args;
  bool noParams = false;    // pass DISPPARAMS* = NULL
  bool noRgvarg = false;    // rgvarg = NULL with cArgs > 0
  bool noNamedIds = false;  // rgdispidNamedArgs = NULL with cNamedArgs > 0
  UINT extraNamed = 0;      // cNamedArgs beyond cArgs
  bool withResult = true;
  bool withExcep = true;
  bool withArgErr = true;
  Expect expect = Expect::Survive;
  std::string label;
};

std::string FlagsText(WORD flags) {
  std::string s;
  auto add = [&](WORD bit, const char* name) {
    if (flags & bit) s += (s.empty() ? "" : "|") + std::string(name);
  };
  add(DISPATCH_METHOD, "METHOD");
  add(DISPATCH_PROPERTYGET, "GET");
  add(DISPATCH_PROPERTYPUT, "PUT");
  add(DISPATCH_PROPERTYPUTREF, "PUTREF");
  if (flags & ~0xF) s += (s.empty() ? "" : "|") + Hex(flags & ~0xF);
  return s.empty() ? "0" : s;
}

std::string HrText(HRESULT hr) {
  switch (hr) {
    case S_OK: return "S_OK";
    case DISP_E_EXCEPTION: return "DISP_E_EXCEPTION";
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_PARAMNOTFOUND: return "DISP_E_PARAMNOTFOUND";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case DISP_E_OVERFLOW: return "DISP_E_OVERFLOW";
    case DISP_E_BADVARTYPE: return "DISP_E_BADVARTYPE";
    case DISP_E_UNKNOWNINTERFACE: return "DISP_E_UNKNOWNINTERFACE";
    case DISP_E_NONAMEDARGS: return "DISP_E_NONAMEDARGS";
    case DISP_E_PARAMNOTOPTIONAL: return "DISP_E_PARAMNOTOPTIONAL";
    case E_INVALIDARG: return "E_INVALIDARG";
    case E_POINTER: return "E_POINTER";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    default: return Hex(static_cast<unsigned long>(hr));
  }
}

bool IsDispError(HRESULT hr) {
  const unsigned long u = static_cast<unsigned long>(hr);
  return u >= 0x80020001ul && u <= 0x80020013ul;
}
bool IsRuntimeError(HRESULT hr) {
  return (static_cast<unsigned long>(hr) & 0xFFFF0000ul) == 0x800A0000ul && (hr & 0xFFFF) != 0;
}
bool IsBindingFailure(HRESULT hr) {
  return hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_TYPEMISMATCH ||
         hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_BADVARTYPE || hr == DISP_E_NONAMEDARGS ||
         hr == DISP_E_PARAMNOTOPTIONAL || hr == DISP_E_OVERFLOW || hr == E_INVALIDARG ||
         hr == DISP_E_UNKNOWNINTERFACE;
}

// Problems found, grouped by member and kind of problem, with one example call each.
struct Findings {
  struct Entry {
    std::string example;
    int count = 0;
  };
  std::map<std::string, Entry> byProblem;
  std::map<std::string, int> outcomes;  // HRESULT name -> calls
  long calls = 0;

  void Add(const Call& c, const std::string& problem) {
    Entry& e = byProblem[Narrow(c.member ? c.member->name : L"?") + ": " + problem];
    if (e.count++ == 0) e.example = g_call;
  }
  void Report() {
    int shown = 0;
    for (const auto& [problem, e] : byProblem) {
      if (++shown > 40) {
        ADD_FAILURE() << (byProblem.size() - 40) << " more kinds of problem";
        break;
      }
      ADD_FAILURE() << problem << " (" << e.count << " calls), for example\n  " << e.example;
    }
    byProblem.clear();
  }
};

Findings* g_findings = nullptr;

std::string Describe(const Call& c) {
  std::string s = Narrow(c.cls->name) + "." + Narrow(c.member ? c.member->name : L"?") + " (" +
                  Hex(static_cast<unsigned long>(c.id)) + ") " + FlagsText(c.flags) + " [" +
                  c.args.Describe() + "]";
  if (c.noParams) s += " DISPPARAMS=NULL";
  if (c.noRgvarg) s += " rgvarg=NULL";
  if (c.noNamedIds) s += " rgdispidNamedArgs=NULL";
  if (c.extraNamed) s += " cNamedArgs+" + std::to_string(c.extraNamed);
  if (!c.withResult) s += " pVarResult=NULL";
  if (!c.withExcep) s += " pExcepInfo=NULL";
  if (!c.withArgErr) s += " puArgErr=NULL";
  if (!IsEqualIID(c.riid, IID_NULL)) s += " riid!=IID_NULL";
  s += " lcid=" + Hex(c.lcid) + " {" + c.label + "}";
  return s;
}

bool VariantValid(VARIANT* v) {
  kb::Variant copy;
  return SUCCEEDED(::VariantCopy(copy.Get(), v));
}

void Drive(IDispatch* object, Call& c) {
  c.args.Build();
  const std::vector<VARIANTARG> before = c.args.Built();
  const std::string variablesBefore = c.args.TargetBytes();
  DISPPARAMS dp{};
  dp.rgvarg = c.noRgvarg ? nullptr : c.args.Rgvarg();
  dp.cArgs = c.args.Count();
  dp.rgdispidNamedArgs = c.noNamedIds ? nullptr : c.args.Ids();
  dp.cNamedArgs = c.args.NamedCount() + c.extraNamed;
  std::vector<DISPID> padded;
  if (c.extraNamed && dp.rgdispidNamedArgs) {
    padded.assign(dp.rgdispidNamedArgs, dp.rgdispidNamedArgs + c.args.NamedCount());
    padded.resize(dp.cNamedArgs, 0);
    dp.rgdispidNamedArgs = padded.data();
  }
  VARIANT result;
  ::VariantInit(&result);
  EXCEPINFO excep{};
  constexpr UINT kUntouched = 0xDEADBEEF;
  UINT argErr = kUntouched;

  std::snprintf(g_call, sizeof g_call, "%s", Describe(c).c_str());
  g_window.clear();
  ::SetErrorInfo(0, nullptr);
  g_callStarted = ::GetTickCount64();
  g_inCall = 1;
  const HRESULT hr = object->Invoke(
      c.id, c.riid, c.lcid, c.flags, c.noParams ? nullptr : &dp, c.withResult ? &result : nullptr,
      c.withExcep ? &excep : nullptr, c.withArgErr ? &argErr : nullptr);
  g_inCall = 0;

  Findings& f = *g_findings;
  ++f.calls;
  ++f.outcomes[HrText(hr)];
  auto problem = [&](const std::string& what) { f.Add(c, what); };

  // The outcome itself.
  ComPtr<IErrorInfo> info;
  const bool hasInfo = ::GetErrorInfo(0, info.Out()) == S_OK && info;
  if (hr == DISP_E_EXCEPTION && c.withExcep && excep.pfnDeferredFillIn)
    excep.pfnDeferredFillIn(&excep);
  // A member that is not part of this build never runs, just as one whose
  // arguments did not bind.
  const bool neverRan = IsBindingFailure(hr) || hr == E_NOTIMPL ||
                        (hr == DISP_E_EXCEPTION && c.withExcep && excep.scode == E_NOTIMPL);
  if (hr == DISP_E_EXCEPTION && c.withExcep) {
    if (excep.wCode != 0) problem("EXCEPINFO.wCode is set; clients read scode");
    if (!FAILED(excep.scode)) {
      problem("DISP_E_EXCEPTION with a successful scode " + Hex(excep.scode));
    } else if (!IsRuntimeError(excep.scode) && ::SysStringLen(excep.bstrDescription) == 0) {
      problem("DISP_E_EXCEPTION with scode " + HrText(excep.scode) + " and no description");
    }
  } else if (hr != S_OK && !IsDispError(hr) && hr != E_INVALIDARG && hr != E_POINTER) {
    // Without an EXCEPINFO the member's own failure comes back as it is, and
    // its description travels as error information.
    std::string description;
    if (hasInfo) {
      Bstr d;
      info->GetDescription(d.Out());
      description = Narrow(d.View());
    }
    if (c.withExcep)
      problem("returned " + HrText(hr) + " instead of DISP_E_EXCEPTION");
    else if (!FAILED(hr))
      problem("returned the success code " + HrText(hr));
    else if (!IsRuntimeError(hr) && description.empty())
      problem("failed with " + HrText(hr) + " and no description");
  }
  if (hr != DISP_E_EXCEPTION && (excep.bstrSource || excep.bstrDescription || excep.bstrHelpFile))
    problem("EXCEPINFO strings filled although the result is " + HrText(hr) + " (they leak)");
  ::SysFreeString(excep.bstrSource);
  ::SysFreeString(excep.bstrDescription);
  ::SysFreeString(excep.bstrHelpFile);

  // What this case must give.
  const bool bound =
      hr == S_OK || hr == DISP_E_EXCEPTION || (!c.withExcep && !IsBindingFailure(hr));
  bool met = true;
  switch (c.expect) {
    case Expect::Survive: break;
    case Expect::Bind: met = bound; break;
    case Expect::BadCount: met = hr == DISP_E_BADPARAMCOUNT; break;
    case Expect::TooFew:
      met =
          hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_PARAMNOTOPTIONAL;
      break;
    case Expect::NoMember: met = hr == DISP_E_MEMBERNOTFOUND; break;
    case Expect::BadName: met = hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_NONAMEDARGS; break;
    case Expect::InvalidArg: met = hr == E_INVALIDARG; break;
    case Expect::WrongInterface: met = hr == DISP_E_UNKNOWNINTERFACE; break;
    case Expect::Mismatch: met = hr == DISP_E_TYPEMISMATCH; break;
  }
  if (!met) problem(c.label + ": expected " + ExpectName(c.expect) + ", got " + HrText(hr));

  // The index of the offending argument.
  if (c.withArgErr && hr == DISP_E_TYPEMISMATCH && argErr >= c.args.Count())
    problem("DISP_E_TYPEMISMATCH without the offending argument in puArgErr");
  if (c.withArgErr && hr == DISP_E_PARAMNOTFOUND && argErr != kUntouched &&
      argErr >= c.args.Count())
    problem("puArgErr " + std::to_string(argErr) + " is outside the argument list");

  // The arguments are the caller's: only the variables they point at may change.
  const std::vector<VARIANTARG>& after = c.args.Built();
  for (size_t i = 0; i < before.size(); ++i)
    if (std::memcmp(&before[i], &after[i], sizeof(VARIANTARG)) != 0)
      problem("rgvarg[" + std::to_string(i) + "] was changed");

  if (neverRan && c.args.TargetBytes() != variablesBefore)
    problem("a call that never ran the member (" + HrText(hr) +
            ") changed a variable passed by reference");

  // The result.
  if (c.withResult && c.member) {
    const meta::Member& m = *c.member;
    if (!VariantValid(&result)) {
      problem("pVarResult holds an invalid variant (vt " + std::to_string(V_VT(&result)) + ")");
      ::VariantInit(&result);
    } else if (hr == S_OK && !m.hasResult && V_VT(&result) != VT_EMPTY) {
      problem("a member without a result filled pVarResult");
    } else if (hr == S_OK && m.hasResult && m.result.type != meta::Type::Variant) {
      VARTYPE want = m.result.Vt();
      if (want == (VT_ARRAY | VT_BSTR)) want = VT_ARRAY | VT_VARIANT;
      if (V_VT(&result) != want)
        problem("result has vt " + std::to_string(V_VT(&result)) + ", not " + std::to_string(want));
    }
  }
  ::VariantClear(&result);
  const size_t broken = c.args.FirstInvalidTarget();
  if (broken != ArgSet::kNone)
    problem("the variable behind a by-reference argument is invalid afterwards (target " +
            std::to_string(broken) + ")");

  if (!g_window.empty()) problem("opened a window: " + g_window);
  // A member may move the current folder; the next call starts where all do.
  ::SetCurrentDirectoryW(g_scratch.c_str());
}

// ---- building cases --------------------------------------------------------------

std::mt19937& Rng() {
  static std::mt19937 rng;
  return rng;
}
unsigned Seed() {
  const char* s = std::getenv("KITBAG_FUZZ_SEED");
  return s ? static_cast<unsigned>(std::strtoul(s, nullptr, 0)) : 20240611u;
}
unsigned Pick(unsigned n) { return n ? static_cast<unsigned>(Rng()() % n) : 0; }

WORD ProperFlags(const meta::Member& m) {
  switch (m.kind) {
    case meta::Kind::PropertyGet: return DISPATCH_PROPERTYGET;
    case meta::Kind::PropertyPut: return DISPATCH_PROPERTYPUT;
    default: return DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // what scripts send
  }
}

bool FlagsFit(const meta::Member& m, WORD flags) {
  if (m.kind == meta::Kind::PropertyPut)
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
}

size_t RequiredCount(const meta::Member& m) {
  size_t n = 0;
  for (size_t i = 0; i < m.params.size(); ++i)
    if (!m.params[i].Optional()) n = i + 1;
  return n;
}

void AddKind(Call& c, const Kind& k, bool named = false, DISPID id = 0) {
  VARIANT v;
  k.make(c.args, v);
  c.args.Add(k.name, v, named, id);
}

// How a well-behaved client passes its arguments: values, its own variables
// for the by-reference parameters, or script variables for all.
enum class Passing { Values, Variables, ScriptVariables };

// A put passes its value as the named argument DISPID_PROPERTYPUT.
void AddGoodArgs(Call& c, size_t count, Passing passing = Passing::Values) {
  const meta::Member& m = *c.member;
  const bool put = m.kind == meta::Kind::PropertyPut;
  for (size_t i = 0; i < count && i < m.params.size(); ++i) {
    const meta::Param& p = m.params[i];
    Kind k = passing == Passing::Values      ? GoodValue(p, false)
             : passing == Passing::Variables ? GoodValue(p, p.byRef)
                                             : GoodScriptVariable(p);
    const bool value = put && i + 1 == m.params.size();
    AddKind(c, k, value, DISPID_PROPERTYPUT);
  }
}

struct Target {
  const meta::Class* cls;
  const meta::Member* member;
  ComPtr<IDispatch> object;
  DISPID id;
};

Call::Call(const Target& t, std::string label, Expect expect)
    : cls(t.cls),
      member(t.member),
      id(t.id),
      flags(ProperFlags(*t.member)),
      expect(expect),
      label(std::move(label)) {}

// Walks every member that is called at all, with a fresh object for each.
template <class F>
void ForEachMember(F&& body) {
  for (const meta::Class& cls : meta::Classes()) {
    for (const meta::Member& m : cls.members) {
      if (m.kind == meta::Kind::Hidden || Skipped(m)) continue;
      Target t{&cls, &m, NewObject(cls), DISPID_UNKNOWN};
      if (!t.object) return;
      LPOLESTR name = const_cast<LPOLESTR>(m.name);
      EXPECT_EQ(S_OK, t.object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &t.id))
          << Narrow(m.name);
      EXPECT_EQ(m.Dispid(), t.id) << Narrow(m.name) << ": GetIDsOfNames disagrees with the table";
      t.id = m.Dispid();
      body(t);
    }
  }
}

// ---- the test environment ---------------------------------------------------------

// Predefined keys of this process, mapped onto a scratch tree while the run
// lasts: hostile key names must not land in the prefix the other tests share.
const HKEY kMappedRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
constexpr wchar_t kScratchKey[] = L"Software\\Kitbag\\FuzzScratch";

// The files directly in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return names;
}

std::wstring WindowsFolder() {
  wchar_t path[MAX_PATH];
  const UINT n = ::GetWindowsDirectoryW(path, MAX_PATH);
  return std::wstring(path, n < MAX_PATH ? n : 0);
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, path);
  std::wstring folder(path, n < MAX_PATH ? n : 0);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Deletes the files of a folder that were not there before the run.
void RemoveNewFiles(const std::wstring& folder, const std::vector<std::wstring>& before,
                    bool report) {
  for (const std::wstring& name : FilesIn(folder)) {
    if (std::find(before.begin(), before.end(), name) != before.end()) continue;
    if (report)
      std::printf("fuzz: removing %s, written to %s by a call\n", Narrow(name).c_str(),
                  Narrow(folder).c_str());
    ::DeleteFileW((folder + L"\\" + name).c_str());
  }
}

void DeleteFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteFolder(path);
      else
        ::DeleteFileW(path.c_str());
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
  }
  ::RemoveDirectoryW(folder.c_str());
}

// The whole content of a file, or nothing when it does not exist.
std::optional<std::string> ReadWhole(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n) bytes.append(buffer, n);
  ::CloseHandle(h);
  return bytes;
}

// Puts a file back as it was: the content saved earlier, or no file.
void Restore(const std::wstring& path, const std::optional<std::string>& bytes) {
  if (!bytes) {
    ::DeleteFileW(path.c_str());
    return;
  }
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  ::WriteFile(h, bytes->data(), static_cast<DWORD>(bytes->size()), &n, nullptr);
  ::CloseHandle(h);
}

class FuzzEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::SetUnhandledExceptionFilter(OnUnhandled);
    ::AddVectoredExceptionHandler(1, OnFirstChance);
    std::signal(SIGABRT, OnAbort);
    std::set_terminate(OnTerminate);
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::CloseHandle(::CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    g_hook = ::SetWindowsHookExW(WH_CBT, OnCbt, nullptr, ::GetCurrentThreadId());

    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    startFolder_ = cwd;
    g_scratch = startFolder_ + L"\\fuzz-scratch";
    DeleteFolder(g_scratch);
    ::CreateDirectoryW(g_scratch.c_str(), nullptr);
    ::SetCurrentDirectoryW(g_scratch.c_str());

    // Profile files named without a folder land in the Windows folder.
    windowsFiles_ = FilesIn(WindowsFolder());
    // Temporary file names are created as empty files by the call that names them.
    tempFiles_ = FilesIn(TempFolder());
    // A null file name means win.ini, which the prefix shares with every test.
    winIni_ = ReadWhole(WindowsFolder() + L"\\win.ini");

    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    for (HKEY root : kMappedRoots) {
      HKEY mapped = nullptr;
      const std::wstring key = std::wstring(kScratchKey) + L"\\" +
                               std::to_wstring(reinterpret_cast<uintptr_t>(root) & 0xF);
      ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &mapped, nullptr));
      mapped_.push_back(mapped);
    }
    for (size_t i = 0; i < mapped_.size(); ++i)
      ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(kMappedRoots[i], mapped_[i]));

    g_lib.path = FindLibrary();
    std::printf("fuzz: library %s\n", Narrow(g_lib.path).c_str());
    g_lib.module = ::LoadLibraryW(g_lib.path.c_str());
    ASSERT_TRUE(g_lib.module) << "cannot load " << Narrow(g_lib.path) << ": error "
                              << ::GetLastError();
    g_lib.getClassObject =
        reinterpret_cast<GetClassObjectFn>(::GetProcAddress(g_lib.module, "DllGetClassObject"));
    g_lib.canUnloadNow =
        reinterpret_cast<CanUnloadNowFn>(::GetProcAddress(g_lib.module, "DllCanUnloadNow"));
    ASSERT_TRUE(g_lib.getClassObject && g_lib.canUnloadNow);
    std::snprintf(g_call, sizeof g_call, "(between calls)");
  }

  void TearDown() override {
    std::snprintf(g_call, sizeof g_call, "(unloading the library)");
    if (g_lib.module) {
      EXPECT_EQ(S_OK, g_lib.canUnloadNow());
      ::FreeLibrary(g_lib.module);
    }
    for (HKEY root : kMappedRoots) ::RegOverridePredefKey(root, nullptr);
    for (HKEY k : mapped_) ::RegCloseKey(k);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Kitbag");  // only when nothing else is in it
    ::SetCurrentDirectoryW(startFolder_.c_str());
    DeleteFolder(g_scratch);
    RemoveNewFiles(WindowsFolder(), windowsFiles_, true);
    RemoveNewFiles(TempFolder(), tempFiles_, false);
    // The system caches profile files: flush it before putting win.ini back.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, L"win.ini");
    Restore(WindowsFolder() + L"\\win.ini", winIni_);
    if (g_hook) ::UnhookWindowsHookEx(g_hook);
    ::CoUninitialize();
  }

 private:
  std::wstring startFolder_;
  std::vector<std::wstring> windowsFiles_;
  std::vector<std::wstring> tempFiles_;
  std::optional<std::string> winIni_;
  std::vector<HKEY> mapped_;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new FuzzEnvironment);

// Every test ends with no object of the library alive and the test's own
// objects back at their one reference.
class Fuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_lib.getClassObject) << "the library did not load";
    g_findings = &findings_;
    started_ = std::chrono::steady_clock::now();
  }
  void TearDown() override {
    findings_.Report();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    std::string outcomes;
    for (const auto& [name, n] : findings_.outcomes)
      outcomes += " " + name + " " + std::to_string(n);
    std::printf("fuzz: %ld calls in %.2f s:%s\n", findings_.calls, seconds, outcomes.c_str());
    std::snprintf(g_call, sizeof g_call, "(between tests)");
    EXPECT_EQ(S_OK, g_lib.canUnloadNow()) << "an object of the library is still alive";
    EXPECT_EQ(1, g_probe.Refs()) << "the library kept or lost a reference to a passed object";
    EXPECT_EQ(1, g_plain.Refs()) << "the library kept or lost a reference to a passed object";
    g_findings = nullptr;
  }

 private:
  Findings findings_;
  std::chrono::steady_clock::time_point started_;
};

// ---- the tests --------------------------------------------------------------------

TEST_F(Fuzz, WellFormedArgumentListsReachTheMember) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    const std::pair<Passing, const char*> passings[] = {
        {Passing::Values, "values"},
        {Passing::Variables, "the caller's variables"},
        {Passing::ScriptVariables, "script variables"}};
    for (const auto& [passing, name] : passings) {
      Call all(t, std::string("every parameter, as ") + name, Expect::Bind);
      AddGoodArgs(all, m.params.size(), passing);
      Drive(t.object.Get(), all);
    }
    if (m.kind == meta::Kind::PropertyPut) return;
    Call required(t, "required parameters only", Expect::Bind);
    AddGoodArgs(required, RequiredCount(m));
    Drive(t.object.Get(), required);
    // Every parameter by name, last first.
    Call named(t, "every parameter named", Expect::Bind);
    for (size_t i = m.params.size(); i-- > 0;)
      AddKind(named, GoodValue(m.params[i], false), true, static_cast<DISPID>(i));
    Drive(t.object.Get(), named);
    // Optional parameters passed as missing.
    Call missing(t, "optional parameters passed as missing", Expect::Bind);
    for (size_t i = 0; i < m.params.size(); ++i) {
      AddKind(missing, m.params[i].Optional() ? Missing() : GoodValue(m.params[i], false));
    }
    Drive(t.object.Get(), missing);
  });
}

TEST_F(Fuzz, EveryValueKindInEveryParameter) {
  const auto& kinds = AllKinds();
  ForEachMember([&](Target& t) {
    const meta::Member& m = *t.member;
    for (size_t at = 0; at < m.params.size(); ++at) {
      for (const Kind& k : kinds) {
        Call c(t, "parameter " + std::to_string(at) + " hostile", Expect::Survive);
        for (size_t i = 0; i < m.params.size(); ++i) {
          const bool value = m.kind == meta::Kind::PropertyPut && i + 1 == m.params.size();
          AddKind(c, i == at ? k : GoodValue(m.params[i], false), value, DISPID_PROPERTYPUT);
        }
        Drive(t.object.Get(), c);
      }
    }
  });
}

TEST_F(Fuzz, CraftedArraysAndLoopingReferencesAreTypeMismatches) {
  const std::vector<Kind> crafted = CraftedKinds();
  ForEachMember([&](Target& t) {
    const meta::Member& m = *t.member;
    for (size_t at = 0; at < m.params.size(); ++at) {
      for (const Kind& k : crafted) {
        Call c(t, "parameter " + std::to_string(at) + " " + k.name, Expect::Mismatch);
        for (size_t i = 0; i < m.params.size(); ++i) {
          const bool value = m.kind == meta::Kind::PropertyPut && i + 1 == m.params.size();
          AddKind(c, i == at ? k : GoodValue(m.params[i], false), value, DISPID_PROPERTYPUT);
        }
        Drive(t.object.Get(), c);
      }
    }
  });
}

TEST_F(Fuzz, EveryCombinationOfInvokeFlags) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    for (WORD flags = 0; flags <= 0x1F; ++flags) {
      const WORD sent = flags & 0x10 ? WORD(0x8000 | (flags & 0xF)) : flags;
      Call c(t, "flags " + FlagsText(sent), FlagsFit(m, sent) ? Expect::Bind : Expect::NoMember);
      c.flags = sent;
      AddGoodArgs(c, m.params.size());
      Drive(t.object.Get(), c);
    }
  });
}

TEST_F(Fuzz, WrongCountsAndBadNames) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    const size_t n = m.params.size();
    const bool put = m.kind == meta::Kind::PropertyPut;
    for (size_t extra : {1u, 5u}) {
      Call c(t, std::to_string(extra) + " too many", Expect::BadCount);
      for (size_t i = 0; i < n + extra; ++i)
        AddKind(c, i < n ? GoodValue(m.params[i], false) : Filler());
      if (!put) Drive(t.object.Get(), c);
    }
    const size_t required = RequiredCount(m);
    if (required > 0 && !put) {
      Call none(t, "no arguments", Expect::TooFew);
      Drive(t.object.Get(), none);
      Call fewer(t, "one required argument short", Expect::TooFew);
      AddGoodArgs(fewer, required - 1);
      Drive(t.object.Get(), fewer);
      // The first parameter by name only.
      if (required > 1) {
        Call c(t, "only the first parameter, by name", Expect::TooFew);
        AddKind(c, GoodValue(m.params[0], false), true, 0);
        Drive(t.object.Get(), c);
      }
    }
    const DISPID bad[] = {
        static_cast<DISPID>(n), 100,        -1,
        DISPID_UNKNOWN,         0x7FFFFFFF, put ? DISPID(-7) : DISPID_PROPERTYPUT};
    for (DISPID id : bad) {
      Call c(t, "named dispid " + std::to_string(id), Expect::BadName);
      AddGoodArgs(c, put ? n : 0);
      AddKind(c, Filler(), true, id);
      Drive(t.object.Get(), c);
    }
    if (n > 0 && !put) {
      Call twice(t, "the same parameter named twice", Expect::BadName);
      AddKind(twice, GoodValue(m.params[0], false), true, 0);
      AddKind(twice, GoodValue(m.params[0], false), true, 0);
      Drive(t.object.Get(), twice);
      Call both(t, "a parameter given by position and by name", Expect::BadName);
      AddGoodArgs(both, n);
      AddKind(both, GoodValue(m.params[0], false), true, 0);
      Drive(t.object.Get(), both);
    }
    if (put) {
      Call positional(t, "put value by position", Expect::Survive);
      AddKind(positional, GoodValue(m.params[0], false));
      Drive(t.object.Get(), positional);
      Call none(t, "put without a value", Expect::TooFew);
      Drive(t.object.Get(), none);
      Call two(t, "two put values", Expect::BadName);
      AddGoodArgs(two, n);
      AddGoodArgs(two, n);
      Drive(t.object.Get(), two);
    }
  });
}

TEST_F(Fuzz, NullPartsOfTheCall) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    for (int mask = 0; mask < 8; ++mask) {
      Call c(t, "null pointers " + std::to_string(mask), Expect::Bind);
      AddGoodArgs(c, m.params.size());
      c.withResult = !(mask & 1);
      c.withExcep = !(mask & 2);
      c.withArgErr = !(mask & 4);
      Drive(t.object.Get(), c);
    }
    {
      Call c(t, "no DISPPARAMS", RequiredCount(m) ? Expect::TooFew : Expect::Bind);
      if (m.kind == meta::Kind::PropertyPut) c.expect = Expect::TooFew;
      c.noParams = true;
      Drive(t.object.Get(), c);
    }
    {
      Call c(t, "cArgs without rgvarg", Expect::InvalidArg);
      AddKind(c, Filler());
      AddKind(c, Filler());
      c.noRgvarg = true;
      Drive(t.object.Get(), c);
    }
    {
      Call c(t, "cNamedArgs without rgdispidNamedArgs", Expect::InvalidArg);
      AddKind(c, Filler(), true, 0);
      c.noNamedIds = true;
      Drive(t.object.Get(), c);
    }
    {
      Call c(t, "more named arguments than arguments", Expect::InvalidArg);
      AddKind(c, Filler(), true, 0);
      c.extraNamed = 2;
      Drive(t.object.Get(), c);
    }
    {
      Call c(t, "riid IID_IDispatch", Expect::WrongInterface);
      c.riid = IID_IDispatch;
      AddGoodArgs(c, m.params.size());
      Drive(t.object.Get(), c);
    }
  });
}

TEST_F(Fuzz, SeededRandomArgumentLists) {
  long rounds = 120;
  if (const char* s = std::getenv("KITBAG_FUZZ_ROUNDS")) rounds = std::strtol(s, nullptr, 0);
  Rng().seed(Seed());
  std::printf("fuzz: seed %u, %ld rounds a member (KITBAG_FUZZ_SEED, KITBAG_FUZZ_ROUNDS)\n", Seed(),
              rounds);
  const auto& kinds = AllKinds();
  const LCID lcids[] = {LOCALE_USER_DEFAULT, 0, 0x0409, 0x0406, 0xFFFF, 0x7FFFFFFF};
  const WORD flagChoices[] = {
      DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF, 0, 0xF,
      0xFFFF};
  ForEachMember([&](Target& t) {
    const meta::Member& m = *t.member;
    const size_t n = m.params.size();
    for (long round = 0; round < rounds; ++round) {
      Call c(t, "random round " + std::to_string(round), Expect::Survive);
      // Mostly counts the member accepts, so that the values reach the binding.
      const unsigned shape = Pick(10);
      const size_t count = shape < 5   ? n
                           : shape < 8 ? Pick(static_cast<unsigned>(n + 1))
                                       : n + 1 + Pick(2);
      const bool naming = Pick(4) == 0;
      std::vector<DISPID> order;
      for (size_t i = 0; i < count; ++i) order.push_back(static_cast<DISPID>(i));
      for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[Pick(i)]);
      for (size_t i = 0; i < count; ++i) {
        const DISPID slot = naming ? order[i] : static_cast<DISPID>(i);
        const bool good = slot < static_cast<DISPID>(n) && Pick(10) < 3;
        const Kind& k = good ? GoodValue(m.params[slot], Pick(2)) : kinds[Pick(kinds.size())];
        if (naming && Pick(8) == 0) {
          const DISPID odd[] = {DISPID_PROPERTYPUT, -1, static_cast<DISPID>(n), slot};
          AddKind(c, k, true, odd[Pick(4)]);
        } else {
          AddKind(c, k, naming, slot);
        }
      }
      c.flags = Pick(10) < 7 ? ProperFlags(m) : flagChoices[Pick(7)];
      c.lcid = lcids[Pick(6)];
      c.withResult = Pick(6) != 0;
      c.withExcep = Pick(6) != 0;
      c.withArgErr = Pick(6) != 0;
      if (count == 0 && Pick(5) == 0) c.noParams = true;
      Drive(t.object.Get(), c);
    }
  });
}

TEST_F(Fuzz, UnknownDispidsFindNoMember) {
  for (const meta::Class& cls : meta::Classes()) {
    ComPtr<IDispatch> object = NewObject(cls);
    ASSERT_TRUE(object);
    std::vector<DISPID> ids = {0,
                               DISPID_VALUE,
                               DISPID_UNKNOWN,
                               DISPID_NEWENUM,
                               DISPID_EVALUATE,
                               DISPID_PROPERTYPUT,
                               0x60030000 + 999,
                               0x68030000 + 999,
                               0x7FFFFFFF,
                               static_cast<DISPID>(0x80000000)};
    // Members no client reaches, and every member of the other classes.
    for (const meta::Member& m : cls.members)
      if (m.kind == meta::Kind::Hidden) ids.push_back(m.Dispid());
    for (const meta::Class& other : meta::Classes())
      for (const meta::Member& m : other.members) {
        bool mine = false;
        for (const meta::Member& own : cls.members)
          mine |= own.kind != meta::Kind::Hidden && own.Dispid() == m.Dispid();
        if (!mine) ids.push_back(m.Dispid());
      }
    for (DISPID id : ids)
      for (WORD flags : {WORD(DISPATCH_METHOD), WORD(DISPATCH_PROPERTYGET),
                         WORD(DISPATCH_PROPERTYPUT), WORD(0xF)}) {
        Call c;
        c.cls = &cls;
        c.id = id;
        c.flags = flags;
        c.expect = Expect::NoMember;
        c.label = "unknown dispid";
        Drive(object.Get(), c);
      }
  }
}

TEST_F(Fuzz, GetIDsOfNamesWithHostileNames) {
  const Bstr longName(LongText());
  for (const meta::Class& cls : meta::Classes()) {
    ComPtr<IDispatch> object = NewObject(cls);
    ASSERT_TRUE(object);
    for (const meta::Member& m : cls.members) {
      std::wstring upper = m.name;
      for (wchar_t& ch : upper) ch = static_cast<wchar_t>(::towupper(ch));
      LPOLESTR name = upper.data();
      DISPID id = 0;
      const HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
      if (m.kind == meta::Kind::Hidden) {
        EXPECT_EQ(DISP_E_UNKNOWNNAME, hr) << Narrow(m.name) << " must stay unreachable";
        continue;
      }
      EXPECT_EQ(S_OK, hr) << Narrow(m.name);
      EXPECT_EQ(m.Dispid(), id) << Narrow(m.name);
      // Parameter names, last first, then one that does not exist.
      std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(m.name)};
      for (size_t i = m.params.size(); i-- > 0;)
        names.push_back(const_cast<LPOLESTR>(m.params[i].name));
      std::vector<DISPID> ids(names.size() + 1, 0);
      EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                            0, ids.data()))
          << Narrow(m.name);
      for (size_t i = 1; i < names.size(); ++i)
        EXPECT_EQ(static_cast<DISPID>(m.params.size() - i), ids[i]) << Narrow(m.name);
      names.push_back(longName.Get());
      EXPECT_EQ(DISP_E_UNKNOWNNAME,
                object->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), 0,
                                      ids.data()));
      EXPECT_EQ(DISPID_UNKNOWN, ids.back());
    }
    Bstr empty(L"");
    for (LPOLESTR bad : {empty.Get(), longName.Get(), static_cast<LPOLESTR>(nullptr)}) {
      DISPID id = 0;
      EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, &bad, 1, 0, &id));
      EXPECT_EQ(DISPID_UNKNOWN, id);
    }
    LPOLESTR first = const_cast<LPOLESTR>(cls.members.back().name);
    DISPID id = 0;
    EXPECT_EQ(E_INVALIDARG, object->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id));
    EXPECT_EQ(E_INVALIDARG, object->GetIDsOfNames(IID_NULL, &first, 1, 0, nullptr));
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, &first, 0, 0, &id));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, object->GetIDsOfNames(IID_IDispatch, &first, 1, 0, &id));
  }
}

TEST_F(Fuzz, NullOutPointersOfTheOtherMethods) {
  for (const meta::Class& cls : meta::Classes()) {
    ComPtr<IDispatch> object = NewObject(cls);
    ASSERT_TRUE(object);
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
    void* none = &none;
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_TRUE(FAILED(object->GetTypeInfoCount(nullptr)));
    EXPECT_TRUE(FAILED(object->GetTypeInfo(0, 0, nullptr)));
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(&none);
    EXPECT_EQ(DISP_E_BADINDEX, object->GetTypeInfo(1, 0, &info));
    EXPECT_EQ(nullptr, info);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, g_lib.getClassObject(cls.clsid, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.Out())));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IDispatch, nullptr));
    void* made = &made;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&g_plain, IID_IUnknown, &made));
    EXPECT_EQ(nullptr, made);
    made = &made;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &made));
    EXPECT_EQ(nullptr, made);
  }
  EXPECT_EQ(E_POINTER, g_lib.getClassObject(meta::Classes()[0].clsid, IID_IClassFactory, nullptr));
  void* factory = &factory;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            g_lib.getClassObject(IID_IDispatch, IID_IClassFactory, &factory));
  EXPECT_EQ(nullptr, factory);
}

// ---- the data layer's objects ---------------------------------------------------

// A named member of a data-layer object, found the way a script finds it.
DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = DISPID_UNKNOWN;
  return SUCCEEDED(object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))
             ? id
             : DISPID_UNKNOWN;
}

// What dB_OpendB and dB_OpenRs hand a client: a connection, a recordset of
// two rows with its fields, one field and an enumerator over the fields.
struct DataObjects {
  ComPtr<IDispatch> db = NewObject(meta::ClassOf(meta::ClassId::clsDataBase));
  std::vector<std::pair<std::string, ComPtr<IDispatch>>> objects;
  ComPtr<IEnumVARIANT> fieldEnum;

  CallResult Db(const wchar_t* routine, std::vector<Arg> args) {
    return kb::support::CallMethod(db.Get(), routine, std::move(args));
  }
  DataObjects() {
    // An empty file: the engine makes its database in it.
    const std::wstring file = g_scratch + L"\\fuzz.db";
    ::CloseHandle(
        ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(Db(L"dB_OpendB", {file}).Ok());
    CallResult first = Db(L"dB_OpenRs", {L"SELECT 1", 0, 1});
    EXPECT_TRUE(first.Ok()) << first;
    if (!first.Ok()) return;
    ComPtr<IDispatch> connection =
        kb::support::Get(first.Object().Get(), L"ActiveConnection").Object();
    for (const wchar_t* sql :
         {L"CREATE TABLE t (a INTEGER, b TEXT, c LONGBINARY)",
          L"INSERT INTO t VALUES (1, 'x', NULL)", L"INSERT INTO t VALUES (2, NULL, NULL)"})
      kb::support::CallMethod(connection.Get(), L"Execute", {sql});
    CallResult rs = Db(L"dB_OpenRs", {L"SELECT * FROM t", 1, 3});
    EXPECT_TRUE(rs.Ok()) << rs;
    if (!rs.Ok()) return;
    ComPtr<IDispatch> fields = kb::support::Get(rs.Object().Get(), L"Fields").Object();
    ComPtr<IDispatch> field = kb::support::CallMethod(fields.Get(), L"Item", {0}).Object();
    objects = {{"Connection", connection},
               {"Recordset", rs.Object()},
               {"Fields", fields},
               {"Field", field},
               {"forward-only Recordset", first.Object()}};
    kb::Variant e;
    DISPPARAMS none{};
    if (SUCCEEDED(fields->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, e.Get(), nullptr,
                                 nullptr)) &&
        V_VT(e.Get()) == VT_UNKNOWN)
      V_UNKNOWN(e.Get())->QueryInterface(IID_IEnumVARIANT,
                                         reinterpret_cast<void**>(fieldEnum.Out()));
  }
  // The thread's table lets go of the file with the last object of the classes.
  ~DataObjects() { Db(L"dB_ClosedB", {}); }
};

constexpr const wchar_t* kDataMemberNames[] = {L"ConnectionString",
                                               L"Provider",
                                               L"Open",
                                               L"Close",
                                               L"State",
                                               L"Execute",
                                               L"BeginTrans",
                                               L"CommitTrans",
                                               L"RollbackTrans",
                                               L"Fields",
                                               L"EOF",
                                               L"BOF",
                                               L"MoveNext",
                                               L"MoveFirst",
                                               L"RecordCount",
                                               L"AddNew",
                                               L"Update",
                                               L"ActiveConnection",
                                               L"CursorType",
                                               L"LockType",
                                               L"CancelUpdate",
                                               L"MoveLast",
                                               L"MovePrevious",
                                               L"Source",
                                               L"Item",
                                               L"Count",
                                               L"_NewEnum",
                                               L"Value",
                                               L"Name",
                                               L"Type",
                                               L"ActualSize",
                                               L"AppendChunk",
                                               L"GetChunk",
                                               L"DefinedSize"};

TEST_F(Fuzz, TheDataLayersObjectsTakeEveryValueKind) {
  DataObjects data;
  ASSERT_EQ(5u, data.objects.size()) << "the data objects could not be made";
  const std::vector<Kind> crafted = CraftedKinds();
  auto setUp = [](Call& c, const std::string& label, DISPID id, WORD flags, Expect expect) {
    c.cls = &meta::ClassOf(meta::ClassId::clsDataBase);
    c.id = id;
    c.flags = flags;
    c.expect = expect;
    c.label = label;
  };
  for (const auto& [label, object] : data.objects) {
    for (const wchar_t* name : kDataMemberNames) {
      const DISPID id = IdOf(object.Get(), name);
      if (id == DISPID_UNKNOWN) continue;
      const std::string member = label + "." + Narrow(name);
      for (WORD flags :
           {WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET), WORD(DISPATCH_PROPERTYPUT)}) {
        for (const Kind& k : AllKinds()) {
          Call c;
          setUp(c, member + " " + k.name, id, flags, Expect::Survive);
          AddKind(c, k, flags == DISPATCH_PROPERTYPUT, DISPID_PROPERTYPUT);
          Drive(object.Get(), c);
        }
      }
      for (const Kind& k : crafted) {
        Call c;
        setUp(c, member + " " + k.name, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
              Expect::Mismatch);
        AddKind(c, k);
        Drive(object.Get(), c);
      }
    }
  }
  // The enumerator: counts far past the end, and copies of it.
  if (data.fieldEnum) {
    VARIANT items[4];
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, data.fieldEnum->Next(4, items, &fetched));
    for (ULONG i = 0; i < fetched && i < 4; ++i) ::VariantClear(&items[i]);
    EXPECT_EQ(S_FALSE, data.fieldEnum->Skip(0xFFFFFFFFu));
    EXPECT_EQ(E_POINTER, data.fieldEnum->Next(1, nullptr, nullptr));
    ComPtr<IEnumVARIANT> copy;
    EXPECT_EQ(S_OK, data.fieldEnum->Clone(copy.Out()));
    EXPECT_EQ(E_POINTER, data.fieldEnum->Clone(nullptr));
  }
}

TEST_F(Fuzz, TheServerStaysLoadedWhileAnythingIsAlive) {
  EXPECT_EQ(S_OK, g_lib.canUnloadNow());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, g_lib.getClassObject(meta::Classes()[0].clsid, IID_IClassFactory,
                                       reinterpret_cast<void**>(factory.Out())));
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "a class factory is alive";
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory = nullptr;
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "the server is locked";
  ASSERT_EQ(S_OK, g_lib.getClassObject(meta::Classes()[0].clsid, IID_IClassFactory,
                                       reinterpret_cast<void**>(factory.Out())));
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  ComPtr<IDispatch> object;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                          reinterpret_cast<void**>(object.Out())));
  factory = nullptr;
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "an object is alive";
  object = nullptr;
  EXPECT_EQ(S_OK, g_lib.canUnloadNow());
  // The data layer's objects count too: a recordset, its fields, a field and
  // an enumerator kept after every object of the classes is gone.
  ComPtr<IDispatch> recordset, fields, field;
  ComPtr<IEnumVARIANT> fieldEnum;
  {
    DataObjects data;
    ASSERT_EQ(5u, data.objects.size());
    recordset = data.objects[1].second;
    fields = data.objects[2].second;
    field = data.objects[3].second;
    fieldEnum = data.fieldEnum;
  }
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "a recordset, fields, a field, an enumerator";
  recordset = nullptr;
  fields = nullptr;
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "a field and an enumerator";
  field = nullptr;
  EXPECT_EQ(S_FALSE, g_lib.canUnloadNow()) << "an enumerator";
  fieldEnum = nullptr;
  EXPECT_EQ(S_OK, g_lib.canUnloadNow());
}

}  // namespace
