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
#include "tests/support/standin_server.h"

namespace {

using kb::support::DispatchError;
using kb::support::DispatchObject;
using kb::support::GuidText;
using kb::support::Invocation;
using kb::support::Make;
using kb::support::ReadClassesValue;
using kb::support::SetClassesValue;
using kb::support::StandInClass;
using kb::support::StandInFactory;
using kb::support::ThisModulePath;

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

IDispatch* NewSheet() {
  Step(L"create Excel.Sheet");
  return Make<Workbook>(std::make_shared<Cells>()).Detach();
}
IDispatch* NewWord() {
  Step(L"create Word.Application");
  return Make<WordApplication>().Detach();
}
IDispatch* NewJournal() { return Make<JournalObject>().Detach(); }

struct ClassEntry {
  StandInClass served;
  const wchar_t* progId;
};
const ClassEntry kClasses[] = {
    {{kSheetClass, &NewSheet}, L"Excel.Sheet"},
    {{kWordClass, &NewWord}, L"Word.Application"},
    {{kJournalClass, &NewJournal}, L"KitbagTest.OfficeJournal"},
};

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  static StandInFactory factories[] = {StandInFactory(kClasses[0].served),
                                       StandInFactory(kClasses[1].served),
                                       StandInFactory(kClasses[2].served)};
  for (size_t i = 0; i < std::size(kClasses); ++i)
    if (clsid == kClasses[i].served.clsid) return factories[i].QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

// The journal lives as long as the process.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring path = ThisModulePath();
  for (const ClassEntry& c : kClasses) {
    const std::wstring clsid = GuidText(c.served.clsid);
    const std::wstring classKey = L"CLSID\\" + clsid;
    if (!SetClassesValue(std::wstring(c.progId) + L"\\CLSID", nullptr, clsid) ||
        !SetClassesValue(classKey, nullptr, c.progId) ||
        !SetClassesValue(classKey + L"\\ProgID", nullptr, c.progId) ||
        !SetClassesValue(classKey + L"\\InprocServer32", nullptr, path) ||
        !SetClassesValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"))
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

// Removes only what names these stand-ins, never another server's entries.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const ClassEntry& c : kClasses) {
    const std::wstring clsid = GuidText(c.served.clsid);
    if (ReadClassesValue(std::wstring(c.progId) + L"\\CLSID", nullptr) == clsid)
      ::RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  }
  return S_OK;
}

}  // extern "C"
