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
#include <random>
#include <string>
#include <vector>

#include "frame/metadata.h"
#include "runtime/handles.h"

namespace {

using kb::Bstr;
using kb::ComPtr;
namespace meta = kb::meta;

// Members this test never calls.  Their purpose is a window or a wait that
// no argument can shorten, so hostile arguments only prove that the dialog
// appeared.  Any other member that opens a window is dismissed and reported.
const wchar_t* const kSkip[] = {
    L"cmn_Browse4Folder",          // the folder browser
    L"cmn_AboutBox",               // the about box
    L"cmn_MultipleFileCmnDialog",  // the file-open dialog
    L"cmn_Sleep",                  // sleeps for its argument; -1 means for ever
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
  if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
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
  HRESULT hr = g_lib.getClassObject(cls.clsid, IID_IClassFactory,
                                    reinterpret_cast<void**>(factory.Out()));
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
  size_t Size() const { return entries_.size(); }

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
      if (e.named) s += "[" + (e.id == DISPID_PROPERTYPUT ? "PROPERTYPUT" : std::to_string(e.id)) + "]=";
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

SAFEARRAY* Vector(VARTYPE vt, LONG lbound, ULONG count) {
  return ::SafeArrayCreateVector(vt, lbound, count);
}

SAFEARRAY* VariantVector(LONG lbound) {
  SAFEARRAY* sa = Vector(VT_VARIANT, lbound, 5);
  VARIANT items[5];
  for (auto& v : items) ::VariantInit(&v);
  V_VT(&items[0]) = VT_I4;
  V_I4(&items[0]) = 7;
  V_VT(&items[1]) = VT_BSTR;
  V_BSTR(&items[1]) = ::SysAllocString(L"b;a");
  V_VT(&items[2]) = VT_NULL;
  V_VT(&items[3]) = VT_DISPATCH;
  V_DISPATCH(&items[3]) = &g_probe;
  g_probe.AddRef();
  V_VT(&items[4]) = VT_ERROR;
  V_ERROR(&items[4]) = DISP_E_PARAMNOTFOUND;
  for (LONG i = 0; i < 5; ++i) {
    LONG at = lbound + i;
    ::SafeArrayPutElement(sa, &at, &items[i]);
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

template <class F>
Kind Simple(std::string name, F fill) {
  return {std::move(name), [fill](ArgSet&, VARIANT& v) {
            ::VariantInit(&v);
            fill(v);
          }};
}

DECIMAL DecimalOf(double d) {
  DECIMAL dec{};
  ::VarDecFromR8(d, &dec);
  return dec;
}

DECIMAL MaxDecimal() {
  DECIMAL dec{};
  dec.Hi32 = 0xFFFFFFFF;
  dec.Lo64 = 0xFFFFFFFFFFFFFFFFull;
  return dec;
}

// Values passed by value: every automation type, its edges, and a few types
// that are not valid in a VARIANT at all.
std::vector<Kind> ValueKinds() {
  std::vector<Kind> k;
  auto add = [&](std::string name, auto fill) { k.push_back(Simple(std::move(name), fill)); };
  add("EMPTY", [](VARIANT&) {});
  add("NULL", [](VARIANT& v) { V_VT(&v) = VT_NULL; });
  for (SHORT n : {SHORT(0), SHORT(-1), SHORT(32767), SHORT(-32768)})
    add("I2 " + std::to_string(n), [n](VARIANT& v) { V_VT(&v) = VT_I2; V_I2(&v) = n; });
  for (LONG n : {LONG(0), LONG(1), LONG(2), LONG(-1), std::numeric_limits<LONG>::max(),
                 std::numeric_limits<LONG>::min()})
    add("I4 " + std::to_string(n), [n](VARIANT& v) { V_VT(&v) = VT_I4; V_I4(&v) = n; });
  for (float f : {1.5f, -0.0f, 3.4e38f, std::numeric_limits<float>::quiet_NaN()})
    add("R4 " + std::to_string(f), [f](VARIANT& v) { V_VT(&v) = VT_R4; V_R4(&v) = f; });
  for (double d : {0.5, 1e308, -1e308, std::numeric_limits<double>::quiet_NaN(),
                   -std::numeric_limits<double>::infinity()})
    add("R8 " + std::to_string(d), [d](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = d; });
  add("CY 1.2345", [](VARIANT& v) { V_VT(&v) = VT_CY; V_CY(&v).int64 = 12345; });
  add("CY max", [](VARIANT& v) {
    V_VT(&v) = VT_CY;
    V_CY(&v).int64 = std::numeric_limits<LONGLONG>::max();
  });
  for (double d : {0.0, 45000.5, -657434.0, 2958465.99, 1e10, -1e10})
    add("DATE " + std::to_string(d), [d](VARIANT& v) { V_VT(&v) = VT_DATE; V_DATE(&v) = d; });
  add("BSTR null", [](VARIANT& v) { V_VT(&v) = VT_BSTR; });
  add("BSTR \"\"", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = ::SysAllocString(L""); });
  add("BSTR 64 KiB", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = AllocText(LongText()); });
  add("BSTR \"1\"", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = ::SysAllocString(L"1"); });
  add("BSTR \"a;b\\0c\"", [](VARIANT& v) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocStringLen(L"a;b\0c", 5);
  });
  add("BSTR 3 bytes", [](VARIANT& v) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocStringByteLen("abc", 3);
  });
  add("DISPATCH null", [](VARIANT& v) { V_VT(&v) = VT_DISPATCH; });
  add("DISPATCH object", [](VARIANT& v) {
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = &g_probe;
    g_probe.AddRef();
  });
  for (SCODE e : {SCODE(DISP_E_PARAMNOTFOUND), SCODE(0), SCODE(E_FAIL), SCODE(0x800A0005)})
    add("ERROR " + Hex(e), [e](VARIANT& v) { V_VT(&v) = VT_ERROR; V_ERROR(&v) = e; });
  for (VARIANT_BOOL b : {VARIANT_TRUE, VARIANT_FALSE, VARIANT_BOOL(1)})
    add("BOOL " + std::to_string(b), [b](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = b; });
  add("UNKNOWN null", [](VARIANT& v) { V_VT(&v) = VT_UNKNOWN; });
  add("UNKNOWN automation object", [](VARIANT& v) {
    V_VT(&v) = VT_UNKNOWN;
    V_UNKNOWN(&v) = &g_probe;
    g_probe.AddRef();
  });
  add("UNKNOWN plain object", [](VARIANT& v) {
    V_VT(&v) = VT_UNKNOWN;
    V_UNKNOWN(&v) = &g_plain;
    g_plain.AddRef();
  });
  add("DECIMAL 1.5", [](VARIANT& v) {
    V_DECIMAL(&v) = DecimalOf(1.5);
    V_VT(&v) = VT_DECIMAL;
  });
  add("DECIMAL max", [](VARIANT& v) {
    V_DECIMAL(&v) = MaxDecimal();
    V_VT(&v) = VT_DECIMAL;
  });
  add("I1 -128", [](VARIANT& v) { V_VT(&v) = VT_I1; V_I1(&v) = -128; });
  add("UI1 255", [](VARIANT& v) { V_VT(&v) = VT_UI1; V_UI1(&v) = 255; });
  add("UI2 65535", [](VARIANT& v) { V_VT(&v) = VT_UI2; V_UI2(&v) = 65535; });
  add("UI4 max", [](VARIANT& v) { V_VT(&v) = VT_UI4; V_UI4(&v) = 0xFFFFFFFFu; });
  add("I8 min", [](VARIANT& v) {
    V_VT(&v) = VT_I8;
    V_I8(&v) = std::numeric_limits<LONGLONG>::min();
  });
  add("UI8 max", [](VARIANT& v) {
    V_VT(&v) = VT_UI8;
    V_UI8(&v) = std::numeric_limits<ULONGLONG>::max();
  });
  add("INT -1", [](VARIANT& v) { V_VT(&v) = VT_INT; V_INT(&v) = -1; });
  add("UINT max", [](VARIANT& v) { V_VT(&v) = VT_UINT; V_UINT(&v) = 0xFFFFFFFFu; });
  // Types a VARIANT must not carry.
  // VT_ILLEGAL has the reference and array bits set, so its value field
  // points at valid (empty) storage as well.
  for (VARTYPE bad : {VARTYPE(VT_VARIANT), VARTYPE(VT_VOID), VARTYPE(VT_HRESULT),
                      VARTYPE(VT_PTR), VARTYPE(15), VARTYPE(0x7F), VARTYPE(VT_ILLEGAL)})
    k.push_back({"invalid VT " + std::to_string(bad), [bad](ArgSet& set, VARIANT& v) {
                   ::VariantInit(&v);
                   V_VT(&v) = bad;
                   V_BYREF(&v) = &V_I4(set.Target());
                 }});
  add("RECORD without info", [](VARIANT& v) { V_VT(&v) = VT_RECORD; });
  // Arrays.
  add("ARRAY|VARIANT null", [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_VARIANT; });
  add("ARRAY|BSTR null", [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_BSTR; });
  add("ARRAY|VARIANT empty", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&v) = Vector(VT_VARIANT, 0, 0);
  });
  add("ARRAY|BSTR empty", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&v) = Vector(VT_BSTR, 0, 0);
  });
  add("ARRAY|VARIANT 1-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&v) = VariantVector(0);
  });
  add("ARRAY|VARIANT from -3", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&v) = VariantVector(-3);
  });
  add("ARRAY|BSTR 1-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&v) = TextVector(0);
  });
  add("ARRAY|BSTR from 5", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&v) = TextVector(5);
  });
  add("ARRAY|VARIANT 2-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&v) = VariantMatrix();
  });
  add("ARRAY|I4 1-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_I4;
    V_ARRAY(&v) = Vector(VT_I4, 1, 4);
  });
  add("ARRAY|DECIMAL 1-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_DECIMAL;
    V_ARRAY(&v) = Vector(VT_DECIMAL, 0, 2);
  });
  add("ARRAY|DISPATCH 1-D", [](VARIANT& v) {
    V_VT(&v) = VT_ARRAY | VT_DISPATCH;
    V_ARRAY(&v) = Vector(VT_DISPATCH, 0, 2);
    LONG at = 0;
    ::SafeArrayPutElement(V_ARRAY(&v), &at, static_cast<IDispatch*>(&g_probe));
  });
  return k;
}

// Typed references and references to variants holding each value above.
std::vector<Kind> ReferenceKinds(const std::vector<Kind>& values) {
  std::vector<Kind> k;
  // A typed reference: the target holds the value with its own type, and the
  // entry points at the target's value storage.
  auto typed = [&](std::string name, auto fill) {
    k.push_back({"BYREF " + name, [fill](ArgSet& set, VARIANT& v) {
                   VARIANT* t = set.Target();
                   fill(*t);
                   ::VariantInit(&v);
                   V_VT(&v) = VT_BYREF | V_VT(t);
                   V_BYREF(&v) = &V_I4(t);
                 }});
  };
  typed("I2", [](VARIANT& t) { V_VT(&t) = VT_I2; V_I2(&t) = -7; });
  typed("I4", [](VARIANT& t) { V_VT(&t) = VT_I4; V_I4(&t) = 1; });
  typed("I4 max", [](VARIANT& t) { V_VT(&t) = VT_I4; V_I4(&t) = 0x7FFFFFFF; });
  typed("R4", [](VARIANT& t) { V_VT(&t) = VT_R4; V_R4(&t) = 2.5f; });
  typed("R8 NaN", [](VARIANT& t) {
    V_VT(&t) = VT_R8;
    V_R8(&t) = std::numeric_limits<double>::quiet_NaN();
  });
  typed("CY", [](VARIANT& t) { V_VT(&t) = VT_CY; V_CY(&t).int64 = -5; });
  typed("DATE", [](VARIANT& t) { V_VT(&t) = VT_DATE; V_DATE(&t) = 45000.25; });
  typed("BSTR null", [](VARIANT& t) { V_VT(&t) = VT_BSTR; });
  typed("BSTR \"\"", [](VARIANT& t) { V_VT(&t) = VT_BSTR; V_BSTR(&t) = ::SysAllocString(L""); });
  typed("BSTR 64 KiB", [](VARIANT& t) { V_VT(&t) = VT_BSTR; V_BSTR(&t) = AllocText(LongText()); });
  typed("DISPATCH null", [](VARIANT& t) { V_VT(&t) = VT_DISPATCH; });
  typed("DISPATCH object", [](VARIANT& t) {
    V_VT(&t) = VT_DISPATCH;
    V_DISPATCH(&t) = &g_probe;
    g_probe.AddRef();
  });
  typed("ERROR missing", [](VARIANT& t) { V_VT(&t) = VT_ERROR; V_ERROR(&t) = DISP_E_PARAMNOTFOUND; });
  typed("BOOL", [](VARIANT& t) { V_VT(&t) = VT_BOOL; V_BOOL(&t) = VARIANT_TRUE; });
  typed("UNKNOWN null", [](VARIANT& t) { V_VT(&t) = VT_UNKNOWN; });
  typed("UNKNOWN plain object", [](VARIANT& t) {
    V_VT(&t) = VT_UNKNOWN;
    V_UNKNOWN(&t) = &g_plain;
    g_plain.AddRef();
  });
  typed("I1", [](VARIANT& t) { V_VT(&t) = VT_I1; V_I1(&t) = 'x'; });
  typed("UI1", [](VARIANT& t) { V_VT(&t) = VT_UI1; V_UI1(&t) = 200; });
  typed("UI2", [](VARIANT& t) { V_VT(&t) = VT_UI2; V_UI2(&t) = 40000; });
  typed("UI4", [](VARIANT& t) { V_VT(&t) = VT_UI4; V_UI4(&t) = 3000000000u; });
  typed("I8", [](VARIANT& t) { V_VT(&t) = VT_I8; V_I8(&t) = 1LL << 40; });
  typed("UI8", [](VARIANT& t) { V_VT(&t) = VT_UI8; V_UI8(&t) = 1ULL << 63; });
  typed("INT", [](VARIANT& t) { V_VT(&t) = VT_INT; V_INT(&t) = 3; });
  typed("UINT", [](VARIANT& t) { V_VT(&t) = VT_UINT; V_UINT(&t) = 4; });
  typed("ARRAY|VARIANT 1-D", [](VARIANT& t) {
    V_VT(&t) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&t) = VariantVector(0);
  });
  typed("ARRAY|VARIANT null", [](VARIANT& t) { V_VT(&t) = VT_ARRAY | VT_VARIANT; });
  typed("ARRAY|BSTR 1-D", [](VARIANT& t) {
    V_VT(&t) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&t) = TextVector(1);
  });
  // A DECIMAL fills the whole variant, type field included, so its target
  // lives apart.
  k.push_back({"BYREF DECIMAL", [](ArgSet& set, VARIANT& v) {
                 DECIMAL* d = set.DecimalTarget();
                 *d = DecimalOf(-2.75);
                 ::VariantInit(&v);
                 V_VT(&v) = VT_BYREF | VT_DECIMAL;
                 V_DECIMALREF(&v) = d;
               }});
  // A script variable: a variant holding any of the values above.
  for (const Kind& value : values) {
    if (value.name.rfind("invalid", 0) == 0 || value.name.rfind("RECORD", 0) == 0) continue;
    k.push_back({"BYREF VARIANT(" + value.name + ")", [make = value.make](ArgSet& set, VARIANT& v) {
                   VARIANT* t = set.Target();
                   make(set, *t);
                   ::VariantInit(&v);
                   V_VT(&v) = VT_BYREF | VT_VARIANT;
                   V_VARIANTREF(&v) = t;
                 }});
  }
  // A variant variable that itself holds a reference.
  k.push_back({"BYREF VARIANT(BYREF I4)", [](ArgSet& set, VARIANT& v) {
                 VARIANT* number = set.Target();
                 V_VT(number) = VT_I4;
                 V_I4(number) = 3;
                 VARIANT* t = set.Target();
                 V_VT(t) = VT_BYREF | VT_I4;
                 V_I4REF(t) = &V_I4(number);
                 ::VariantInit(&v);
                 V_VT(&v) = VT_BYREF | VT_VARIANT;
                 V_VARIANTREF(&v) = t;
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

// A value a well-behaved client would pass for a parameter.
Kind GoodValue(const meta::Param& p, bool asReference) {
  const meta::Type type = p.type.type;
  auto fill = [type](VARIANT& t) {
    ::VariantInit(&t);
    switch (type) {
      case meta::Type::Text:
      case meta::Type::Variant:
        V_VT(&t) = VT_BSTR;
        V_BSTR(&t) = AllocText(g_scratch + L"\\fuzz.txt");
        break;
      case meta::Type::Boolean: V_VT(&t) = VT_BOOL; V_BOOL(&t) = VARIANT_FALSE; break;
      case meta::Type::Integer: V_VT(&t) = VT_I2; V_I2(&t) = 1; break;
      case meta::Type::Long: V_VT(&t) = VT_I4; V_I4(&t) = 1; break;
      case meta::Type::Single: V_VT(&t) = VT_R4; V_R4(&t) = 1; break;
      case meta::Type::Double: V_VT(&t) = VT_R8; V_R8(&t) = 1; break;
      case meta::Type::Date: V_VT(&t) = VT_DATE; V_DATE(&t) = 45000; break;
      case meta::Type::Object:
        V_VT(&t) = VT_DISPATCH;
        V_DISPATCH(&t) = &g_probe;
        g_probe.AddRef();
        break;
      case meta::Type::VariantArray:
        V_VT(&t) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(&t) = VariantVector(0);
        break;
      case meta::Type::TextArray:
        V_VT(&t) = VT_ARRAY | VT_BSTR;
        V_ARRAY(&t) = TextVector(0);
        break;
      case meta::Type::Enum: V_VT(&t) = VT_I4; V_I4(&t) = 0; break;
    }
  };
  if (!asReference) return {"good", [fill](ArgSet&, VARIANT& v) { fill(v); }};
  if (type == meta::Type::Variant)
    return {"good BYREF VARIANT", [fill](ArgSet& set, VARIANT& v) {
              VARIANT* t = set.Target();
              fill(*t);
              ::VariantInit(&v);
              V_VT(&v) = VT_BYREF | VT_VARIANT;
              V_VARIANTREF(&v) = t;
            }};
  return {"good BYREF", [fill](ArgSet& set, VARIANT& v) {
            VARIANT* t = set.Target();
            fill(*t);
            ::VariantInit(&v);
            V_VT(&v) = VT_BYREF | V_VT(t);
            V_BYREF(&v) = &V_I4(t);
          }};
}

// A script variable of the parameter's type: what VBScript passes.
Kind GoodScriptVariable(const meta::Param& p) {
  Kind typed = GoodValue(p, false);
  return {"good BYREF VARIANT", [make = typed.make](ArgSet& set, VARIANT& v) {
            VARIANT* t = set.Target();
            make(set, *t);
            ::VariantInit(&v);
            V_VT(&v) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&v) = t;
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
  bool noParams = false;      // pass DISPPARAMS* = NULL
  bool noRgvarg = false;      // rgvarg = NULL with cArgs > 0
  bool noNamedIds = false;    // rgdispidNamedArgs = NULL with cNamedArgs > 0
  UINT extraNamed = 0;        // cNamedArgs beyond cArgs
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
  return (static_cast<unsigned long>(hr) & 0xFFFF0000ul) == 0x800A0000ul &&
         (hr & 0xFFFF) != 0;
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

HRESULT Drive(IDispatch* object, Call& c) {
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
  const HRESULT hr = object->Invoke(c.id, c.riid, c.lcid, c.flags, c.noParams ? nullptr : &dp,
                                    c.withResult ? &result : nullptr,
                                    c.withExcep ? &excep : nullptr,
                                    c.withArgErr ? &argErr : nullptr);
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
  const bool bound = hr == S_OK || hr == DISP_E_EXCEPTION || (!c.withExcep && !IsBindingFailure(hr));
  bool met = true;
  switch (c.expect) {
    case Expect::Survive: break;
    case Expect::Bind: met = bound; break;
    case Expect::BadCount: met = hr == DISP_E_BADPARAMCOUNT; break;
    case Expect::TooFew:
      met = hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND ||
            hr == DISP_E_PARAMNOTOPTIONAL;
      break;
    case Expect::NoMember: met = hr == DISP_E_MEMBERNOTFOUND; break;
    case Expect::BadName: met = hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_NONAMEDARGS; break;
    case Expect::InvalidArg: met = hr == E_INVALIDARG; break;
    case Expect::WrongInterface: met = hr == DISP_E_UNKNOWNINTERFACE; break;
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
    ::VariantClear(&result);
  } else {
    ::VariantClear(&result);
  }
  const size_t broken = c.args.FirstInvalidTarget();
  if (broken != ArgSet::kNone)
    problem("the variable behind a by-reference argument is invalid afterwards (target " +
            std::to_string(broken) + ")");

  if (!g_window.empty()) problem("opened a window: " + g_window);
  // A member may move the current folder; the next call starts where all do.
  ::SetCurrentDirectoryW(g_scratch.c_str());
  return hr;
}

// ---- building cases --------------------------------------------------------------

std::mt19937& Rng() {
  static std::mt19937 rng;
  return rng;
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

// A put passes its value as the named argument DISPID_PROPERTYPUT.
void AddGoodArgs(Call& c, size_t count, int style) {
  const meta::Member& m = *c.member;
  const bool put = m.kind == meta::Kind::PropertyPut;
  for (size_t i = 0; i < count && i < m.params.size(); ++i) {
    const meta::Param& p = m.params[i];
    Kind k = style == 0   ? GoodValue(p, false)
             : style == 1 ? GoodValue(p, p.byRef)
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

class FuzzEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::SetUnhandledExceptionFilter(OnUnhandled);
    ::AddVectoredExceptionHandler(1, OnFirstChance);
    std::signal(SIGABRT, OnAbort);
    std::set_terminate(OnTerminate);
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::CloseHandle(::CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

    unsigned seed = 20240611;
    if (const char* s = std::getenv("KITBAG_FUZZ_SEED")) seed = std::strtoul(s, nullptr, 0);
    Rng().seed(seed);
    std::printf("fuzz: seed %u (KITBAG_FUZZ_SEED repeats a run)\n", seed);

    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    g_hook = ::SetWindowsHookExW(WH_CBT, OnCbt, nullptr, ::GetCurrentThreadId());

    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    startFolder_ = cwd;
    g_scratch = startFolder_ + L"\\fuzz-scratch";
    DeleteFolder(g_scratch);
    ::CreateDirectoryW(g_scratch.c_str(), nullptr);
    ::SetCurrentDirectoryW(g_scratch.c_str());

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
    ::SetCurrentDirectoryW(startFolder_.c_str());
    DeleteFolder(g_scratch);
    if (g_hook) ::UnhookWindowsHookEx(g_hook);
    ::CoUninitialize();
  }

 private:
  std::wstring startFolder_;
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

  long Calls() const { return findings_.calls; }

 private:
  Findings findings_;
  std::chrono::steady_clock::time_point started_;
};

// ---- the tests --------------------------------------------------------------------

TEST_F(Fuzz, WellFormedArgumentListsReachTheMember) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    for (int style = 0; style < 3; ++style) {
      Call all(t, "every parameter, style " + std::to_string(style), Expect::Bind);
      AddGoodArgs(all, m.params.size(), style);
      Drive(t.object.Get(), all);
    }
    if (m.kind == meta::Kind::PropertyPut) return;
    Call required(t, "required parameters only", Expect::Bind);
    AddGoodArgs(required, RequiredCount(m), 0);
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

TEST_F(Fuzz, EveryCombinationOfInvokeFlags) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    for (WORD flags = 0; flags <= 0x1F; ++flags) {
      const WORD sent = flags & 0x10 ? WORD(0x8000 | (flags & 0xF)) : flags;
      Call c(t, "flags " + FlagsText(sent),
                       FlagsFit(m, sent) ? Expect::Bind : Expect::NoMember);
      c.flags = sent;
      AddGoodArgs(c, m.params.size(), 0);
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
      for (size_t i = 0; i < n + extra; ++i) AddKind(c, i < n ? GoodValue(m.params[i], false) : Filler());
      if (!put) Drive(t.object.Get(), c);
    }
    const size_t required = RequiredCount(m);
    if (required > 0 && !put) {
      Call none(t, "no arguments", Expect::TooFew);
      Drive(t.object.Get(), none);
      Call fewer(t, "one required argument short", Expect::TooFew);
      AddGoodArgs(fewer, required - 1, 0);
      Drive(t.object.Get(), fewer);
      // The first parameter by name only.
      if (required > 1) {
        Call c(t, "only the first parameter, by name", Expect::TooFew);
        AddKind(c, GoodValue(m.params[0], false), true, 0);
        Drive(t.object.Get(), c);
      }
    }
    const DISPID bad[] = {static_cast<DISPID>(n), 100, -1, DISPID_UNKNOWN, 0x7FFFFFFF,
                          put ? DISPID(-7) : DISPID_PROPERTYPUT};
    for (DISPID id : bad) {
      Call c(t, "named dispid " + std::to_string(id), Expect::BadName);
      AddGoodArgs(c, put ? n : 0, 0);
      AddKind(c, Filler(), true, id);
      Drive(t.object.Get(), c);
    }
    if (n > 0 && !put) {
      Call twice(t, "the same parameter named twice", Expect::BadName);
      AddKind(twice, GoodValue(m.params[0], false), true, 0);
      AddKind(twice, GoodValue(m.params[0], false), true, 0);
      Drive(t.object.Get(), twice);
      Call both(t, "a parameter given by position and by name", Expect::BadName);
      AddGoodArgs(both, n, 0);
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
      AddGoodArgs(two, n, 0);
      AddGoodArgs(two, n, 0);
      Drive(t.object.Get(), two);
    }
  });
}

TEST_F(Fuzz, NullPartsOfTheCall) {
  ForEachMember([](Target& t) {
    const meta::Member& m = *t.member;
    for (int mask = 0; mask < 8; ++mask) {
      Call c(t, "null pointers " + std::to_string(mask), Expect::Bind);
      AddGoodArgs(c, m.params.size(), 0);
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
      AddGoodArgs(c, m.params.size(), 0);
      Drive(t.object.Get(), c);
    }
  });
}

TEST_F(Fuzz, SeededRandomArgumentLists) {
  long rounds = 120;
  if (const char* s = std::getenv("KITBAG_FUZZ_ROUNDS")) rounds = std::strtol(s, nullptr, 0);
  const auto& kinds = AllKinds();
  const LCID lcids[] = {LOCALE_USER_DEFAULT, 0, 0x0409, 0x0406, 0xFFFF, 0x7FFFFFFF};
  const WORD flagChoices[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                              DISPATCH_PROPERTYPUTREF, 0, 0xF, 0xFFFF};
  ForEachMember([&](Target& t) {
    const meta::Member& m = *t.member;
    const size_t n = m.params.size();
    for (long round = 0; round < rounds; ++round) {
      Call c(t, "random round " + std::to_string(round), Expect::Survive);
      const size_t count = Pick(static_cast<unsigned>(n + 3));
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
    std::vector<DISPID> ids = {0, DISPID_VALUE, DISPID_UNKNOWN, DISPID_NEWENUM, DISPID_EVALUATE,
                               DISPID_PROPERTYPUT, 0x60030000 + 999, 0x68030000 + 999,
                               0x7FFFFFFF, static_cast<DISPID>(0x80000000)};
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
      EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names.data(),
                                            static_cast<UINT>(names.size()), 0, ids.data()))
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
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, g_lib.getClassObject(IID_IDispatch, IID_IClassFactory,
                                                            &factory));
  EXPECT_EQ(nullptr, factory);
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
}

}  // namespace
