// Stand-ins for the office applications the library drives, an in-process
// server of the test suite registered under their programmatic identifiers
// ("Excel.Sheet", "Word.Application").  They carry just the members the
// library reaches and write every call they receive, with its arguments, into
// one journal per process.  The journal is itself an automation object
// ("KitbagTest.OfficeJournal"): tests read it, note their own objects' calls
// in it so the whole sequence lies in one place, and choose a step at which
// the stand-ins fail.
//
// Steps are counted over creations and calls of the stand-ins (not the
// tests' notes); the failing step is journalled with a trailing " !" and
// raises the spreadsheet's own "application-defined" error 1004, or refuses
// the creation.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/shell/journal_text.h"
#include "tests/support/dispatch_object.h"

namespace {

using kb::support::DispatchError;
using kb::support::DispatchObject;
using kb::support::Invocation;
using kb::support::Make;

// {0D7BB6A1-5B8E-4E55-9B1E-6C1F2E0A9B01}
constexpr CLSID kSheetClass = {
    0x0d7bb6a1, 0x5b8e, 0x4e55, {0x9b, 0x1e, 0x6c, 0x1f, 0x2e, 0x0a, 0x9b, 0x01}};
// {0D7BB6A1-5B8E-4E55-9B1E-6C1F2E0A9B02}
constexpr CLSID kWordClass = {
    0x0d7bb6a1, 0x5b8e, 0x4e55, {0x9b, 0x1e, 0x6c, 0x1f, 0x2e, 0x0a, 0x9b, 0x02}};
// {0D7BB6A1-5B8E-4E55-9B1E-6C1F2E0A9B03}
constexpr CLSID kJournalClass = {
    0x0d7bb6a1, 0x5b8e, 0x4e55, {0x9b, 0x1e, 0x6c, 0x1f, 0x2e, 0x0a, 0x9b, 0x03}};

constexpr long kStandInFailure = 1004;

HMODULE g_module = nullptr;

struct Journal {
  std::vector<std::wstring> entries;
  long failAt = 0;  // 0: no step fails
  long steps = 0;
  long live = 0;  // stand-in objects alive now
};
Journal g_journal;

// Counts a step; the chosen one fails.
void Step(const std::wstring& entry) {
  const bool fails = ++g_journal.steps == g_journal.failAt;
  g_journal.entries.push_back(fails ? entry + L" !" : entry);
  if (fails)
    kb::support::RaiseRuntimeError(kStandInFailure,
                                   L"Stand-in failure at step " + std::to_wstring(g_journal.steps));
}

using kb::support::JournalText;

std::wstring Arguments(const Invocation& call) {
  std::wstring text = L"(";
  for (size_t i = 0; i < call.Count(); ++i) {
    if (i) text += L", ";
    if (call.IsRef(i)) text += L"ByRef ";
    text += call.Has(i) ? JournalText(call.Arg(i)) : L"Missing";
  }
  return text + L")";
}

class StandIn : public DispatchObject {
 protected:
  explicit StandIn(std::wstring typeName) : DispatchObject(std::move(typeName)) {
    ++g_journal.live;
  }
  ~StandIn() override { --g_journal.live; }

  // A property that hands out a new object, journalled as "Type.Name".
  template <class T, class... A>
  void Child(const std::wstring& name, A... args) {
    Property(name, [this, name, args...](Invocation& call) {
      Step(TypeName() + L"." + name);
      call.ReturnObject(Make<T>(args...)->Disp());
    });
  }
};

// ---- the spreadsheet: a workbook whose active sheet has cells ------------

using Cells = std::map<std::wstring, kb::Variant>;

class Range : public StandIn {
 public:
  Range(std::shared_ptr<Cells> cells, std::wstring address) : StandIn(L"Range") {
    Property(
        L"Value",
        [cells, address](Invocation& call) {
          Step(L"Range.Value get");
          call.ReturnVariant(*(*cells)[address].Get());
        },
        [cells, address](Invocation& call) {
          Step(L"Range.Value = " + JournalText(call.Value()));
          // The spreadsheet keeps no empty texts: such a cell reads Empty.
          kb::Variant value;
          if (V_VT(&call.Value()) != VT_BSTR || ::SysStringLen(V_BSTR(&call.Value())) > 0)
            ::VariantCopy(value.Get(), const_cast<VARIANT*>(&call.Value()));
          (*cells)[address] = std::move(value);
        });
  }
};

class Worksheet : public StandIn {
 public:
  explicit Worksheet(std::shared_ptr<Cells> cells) : StandIn(L"Worksheet") {
    Property(
        L"Range",
        [cells](Invocation& call) {
          Step(L"Worksheet.Range" + Arguments(call));
          call.ReturnObject(Make<Range>(cells, call.Text(0))->Disp());
        },
        {}, 1);
    // The checker knows one misspelling.
    Method(L"CheckSpelling", {0, 3}, [cells](Invocation& call) {
      Step(L"Worksheet.CheckSpelling" + Arguments(call));
      for (auto& [address, value] : *cells) {
        if (V_VT(value.Get()) != VT_BSTR) continue;
        std::wstring text(kb::View(V_BSTR(value.Get())));
        for (size_t at; (at = text.find(L"teh")) != std::wstring::npos;)
          text.replace(at, 3, L"the");
        value = kb::Variant::FromText(kb::Bstr(text));
      }
    });
  }
};

class Workbook;

class SheetApplication : public StandIn {
 public:
  explicit SheetApplication(std::shared_ptr<Cells> cells) : StandIn(L"Application") {
    Child<Workbook>(L"ActiveWorkbook", cells);
  }
};

// What "Excel.Sheet" creates.
class Workbook : public StandIn {
 public:
  explicit Workbook(std::shared_ptr<Cells> cells) : StandIn(L"Workbook") {
    Child<SheetApplication>(L"Application", cells);
    Child<Worksheet>(L"ActiveSheet", cells);
  }
};

// ---- the word processor --------------------------------------------------

class Document : public StandIn {
 public:
  Document() : StandIn(L"Document") {}
};

class Documents : public StandIn {
 public:
  Documents() : StandIn(L"Documents") {
    Method(L"Add", {0, 4}, [](Invocation& call) {
      Step(L"Documents.Add" + Arguments(call));
      call.ReturnObject(Make<Document>()->Disp());
    });
  }
};

class Selection : public StandIn {
 public:
  Selection() : StandIn(L"Selection") {
    Method(L"TypeText", {1, 1},
           [](Invocation& call) { Step(L"Selection.TypeText" + Arguments(call)); });
  }
};

// What "Word.Application" creates; its Application is itself.
class WordApplication : public StandIn {
 public:
  WordApplication() : StandIn(L"Application") {
    Property(L"Application", [this](Invocation& call) {
      Step(L"Application.Application");
      call.ReturnObject(this);
    });
    Child<Documents>(L"Documents");
    Child<Selection>(L"Selection");
    Property(
        L"Visible", [this](Invocation& call) { call.ReturnBool(visible_); },
        [this](Invocation& call) {
          Step(L"Application.Visible = " + JournalText(call.Value()));
          visible_ = call.ValueBool();
        });
  }

 private:
  bool visible_ = false;
};

// ---- the journal ---------------------------------------------------------

class JournalObject : public DispatchObject {
 public:
  JournalObject() : DispatchObject(L"OfficeJournal") {
    Property(L"Count",
             [](Invocation& call) { call.ReturnI4(static_cast<long>(g_journal.entries.size())); });
    // Entry(i), 1-based.
    Property(
        L"Entry",
        [](Invocation& call) {
          const long i = call.Long(0);
          if (i < 1 || i > static_cast<long>(g_journal.entries.size()))
            kb::support::RaiseRuntimeError(9, L"Subscript out of range");
          call.ReturnText(g_journal.entries[static_cast<size_t>(i - 1)]);
        },
        {}, 1);
    Property(L"Text", [](Invocation& call) {
      std::wstring text;
      for (const std::wstring& e : g_journal.entries) text += (text.empty() ? L"" : L" | ") + e;
      call.ReturnText(text);
    });
    Property(
        L"FailAt", [](Invocation& call) { call.ReturnI4(g_journal.failAt); },
        [](Invocation& call) { g_journal.failAt = call.ValueLong(); });
    Property(L"Live", [](Invocation& call) { call.ReturnI4(g_journal.live); });
    Method(L"Note", {1, 1}, [](Invocation& call) { g_journal.entries.push_back(call.Text(0)); });
    Method(L"Clear", {0, 0}, [](Invocation&) {
      g_journal.entries.clear();
      g_journal.steps = 0;
      g_journal.failAt = 0;
    });
  }
};

// ---- the server ----------------------------------------------------------

struct ClassEntry {
  const CLSID& clsid;
  const wchar_t* progId;
  // Journalled as the creation step; null for the journal itself.
  const wchar_t* creation;
  IDispatch* (*create)();
};

// Each creator hands its one reference to the factory.
template <class T>
IDispatch* New() {
  return Make<T>().Detach();
}
IDispatch* NewWorkbook() { return Make<Workbook>(std::make_shared<Cells>()).Detach(); }

const ClassEntry kClasses[] = {
    {kSheetClass, L"Excel.Sheet", L"create Excel.Sheet", &NewWorkbook},
    {kWordClass, L"Word.Application", L"create Word.Application", &New<WordApplication>},
    {kJournalClass, L"KitbagTest.OfficeJournal", nullptr, &New<JournalObject>},
};

class Factory : public IClassFactory {
 public:
  explicit Factory(const ClassEntry& entry) : entry_(entry) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      if (entry_.creation) Step(entry_.creation);
      kb::ComPtr<IDispatch> object = kb::ComPtr<IDispatch>::Attach(entry_.create());
      return object->QueryInterface(iid, out);
    } catch (const DispatchError&) {
      return CO_E_SERVER_EXEC_FAILURE;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  const ClassEntry& entry_;
};

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

bool SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr))
    return false;
  const LONG status =
      ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// The class a programmatic identifier names in the registry, if any.
std::wstring RegisteredClass(const wchar_t* progId) {
  wchar_t text[64] = {};
  LONG size = sizeof text;
  const std::wstring path = std::wstring(progId) + L"\\CLSID";
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, path.c_str(), text, &size)) return {};
  return text;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  static Factory factories[] = {Factory(kClasses[0]), Factory(kClasses[1]), Factory(kClasses[2])};
  for (size_t i = 0; i < std::size(kClasses); ++i)
    if (clsid == kClasses[i].clsid) return factories[i].QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

// The journal lives as long as the process.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(g_module, path, MAX_PATH);
  for (const ClassEntry& c : kClasses) {
    const std::wstring clsid = GuidText(c.clsid);
    const std::wstring classKey = L"CLSID\\" + clsid;
    if (!SetValue(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID", nullptr, clsid) ||
        !SetValue(HKEY_CLASSES_ROOT, classKey, nullptr, c.progId) ||
        !SetValue(HKEY_CLASSES_ROOT, classKey + L"\\ProgID", nullptr, c.progId) ||
        !SetValue(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", nullptr, path) ||
        !SetValue(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel",
                  L"Apartment"))
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

// Removes only what names these stand-ins, never another server's entries.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const ClassEntry& c : kClasses) {
    const std::wstring clsid = GuidText(c.clsid);
    if (RegisteredClass(c.progId) == clsid) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  }
  return S_OK;
}

}  // extern "C"
