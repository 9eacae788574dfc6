// Stand-ins for the platform's data access objects and their database
// providers: an in-process server of the test suite.  While a test has it
// registered it serves the system's Connection and Recordset classes (the
// system's own entries are kept aside in the same keys and put back when it
// is unregistered), and the provider names the test chooses are registered
// as in-process classes of their own.
//
// Every call the stand-ins receive is written, with its arguments, into one
// journal per process; a test reads it, chooses the steps that fail and with
// which error, and sets the rows every recordset opened afterwards holds.
// Recordsets, their Fields and Field objects answer the early-bound
// interfaces too, journalled with " (early)"; a test can switch that off.
// A test reaches all of this through the exported StandIn* functions.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/ado_interfaces.h"
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
namespace ado = kb::data::ado;

constexpr HRESULT kAdoError = static_cast<HRESULT>(0x800A0000);
constexpr HRESULT kWrongArguments = kAdoError | 3001;
constexpr HRESULT kNoCurrentRecord = kAdoError | 3021;
constexpr HRESULT kItemNotFound = kAdoError | 3265;
constexpr HRESULT kClosed = kAdoError | 3704;
constexpr HRESULT kAlreadyOpen = kAdoError | 3705;
constexpr HRESULT kNoProvider = kAdoError | 3706;

// {6A1C2F40-7E0B-4C52-A1D3-5B8E9F0C2D10} and up: the providers, in kProviders order.
constexpr GUID ProviderClass(unsigned char n) {
  return {0x6a1c2f40, 0x7e0b, 0x4c52, {0xa1, 0xd3, 0x5b, 0x8e, 0x9f, 0x0c, 0x2d, n}};
}
constexpr const wchar_t* kProviders[] = {L"Microsoft.Jet.OLEDB.4.0", L"Microsoft.Jet.OLEDB.3.51",
                                         L"Microsoft.ACE.OLEDB.16.0", L"Microsoft.ACE.OLEDB.12.0"};
// Where the system's own server of a class waits while the stand-in serves it.
constexpr wchar_t kSavedServer[] = L"KitbagTestSavedServer";
constexpr wchar_t kSavedThreading[] = L"KitbagTestSavedThreading";
constexpr wchar_t kNoServer[] = L"-";

using Row = std::vector<kb::Variant>;
struct Journal {
  std::vector<std::wstring> entries;
  std::map<long, std::pair<HRESULT, std::wstring>> failures;  // by step
  long steps = 0;
  std::vector<std::wstring> names;  // the fields of every recordset opened
  std::vector<Row> rows;
  std::vector<Row> added;  // rows stored by AddNew and Update
  bool early = true;
};
Journal g;

// Counts a step; a chosen one fails with its error.
void Step(const std::wstring& entry) {
  const auto failure = g.failures.find(++g.steps);
  g.entries.push_back(failure == g.failures.end() ? entry : entry + L" !");
  if (failure != g.failures.end())
    throw DispatchError::Described(failure->second.first, failure->second.second);
}

[[noreturn]] void Fail(HRESULT hr, const wchar_t* text) {
  throw DispatchError::Described(hr, text);
}

std::wstring ArgText(const VARIANT& v);

std::wstring Arguments(const Invocation& call) {
  std::wstring text = L"(";
  for (size_t i = 0; i < call.Count(); ++i)
    text += (i ? L", " : L"") + (call.Has(i) ? ArgText(call.Arg(i)) : std::wstring(L"Missing"));
  return text + L")";
}

// An early-bound call: its failure is described as the system's objects do.
template <class F>
HRESULT Early(F&& f) {
  try {
    f();
    return S_OK;
  } catch (const DispatchError& e) {
    kb::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(create.Out()))) {
      create->SetDescription(const_cast<wchar_t*>(e.Description().c_str()));
      ::SetErrorInfo(0, create.As<IErrorInfo>(IID_IErrorInfo).Get());
    }
    return e.Hr();
  }
}

#define STANDIN_FORWARD_IDISPATCH                                                                 \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {                     \
    if (out && g.early && iid == EarlyIid()) {                                                    \
      *out = EarlySelf();                                                                         \
      AddRef();                                                                                   \
      return S_OK;                                                                                \
    }                                                                                             \
    return DispatchObject::QueryInterface(iid, out);                                              \
  }                                                                                               \
  ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }                  \
  ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }                \
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {                                  \
    return DispatchObject::GetTypeInfoCount(n);                                                   \
  }                                                                                               \
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {                 \
    return DispatchObject::GetTypeInfo(i, l, t);                                                  \
  }                                                                                               \
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d)       \
      override {                                                                                  \
    return DispatchObject::GetIDsOfNames(r, n, c, l, d);                                          \
  }                                                                                               \
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, \
                                   EXCEPINFO* e, UINT* a) override {                              \
    return DispatchObject::Invoke(d, r, l, f, p, v, e, a);                                        \
  }
#define STANDIN_UNUSED(n) \
  HRESULT STDMETHODCALLTYPE Unused##n() override { return E_NOTIMPL; }

// ---- the connection --------------------------------------------------------

// {6A1C2F40-7E0B-4C52-A1D3-5B8E9F0C2DFF}: asks a stand-in connection for itself.
constexpr IID kIidSelf = ProviderClass(0xff);

bool ProviderRegistered(const std::wstring& name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (name + L"\\CLSID").c_str(), 0, KEY_READ, &key))
    return false;
  ::RegCloseKey(key);
  return true;
}

class Connection : public DispatchObject {
 public:
  Connection() : DispatchObject(L"Connection") {
    Property(
        L"Provider", [this](Invocation& call) { call.ReturnText(provider_); },
        [this](Invocation& call) {
          Step(L"Connection.Provider = " + ArgText(call.Value()));
          provider_ = call.ValueText();
        });
    Property(L"State", [this](Invocation& call) { call.ReturnI4(open_ ? 1 : 0); });
    Method(L"Open", {0, 4}, [this](Invocation& call) {
      Step(L"Connection.Open" + Arguments(call));
      if (open_) Fail(kAlreadyOpen, L"Operation is not allowed when the object is open.");
      if (!ProviderRegistered(provider_))
        Fail(kNoProvider, L"Provider cannot be found. It may not be properly installed.");
      open_ = true;
    });
    Method(L"Close", {0, 0}, [this](Invocation&) {
      Step(L"Connection.Close");
      RequireOpen();
      open_ = false;
    });
    for (const wchar_t* name : {L"BeginTrans", L"CommitTrans", L"RollbackTrans"})
      Method(name, {0, 0}, [this, name](Invocation&) {
        Step(L"Connection." + std::wstring(name));
        RequireOpen();
      });
    Method(L"Execute", {1, 3}, [this](Invocation& call) {
      Step(L"Connection.Execute" + Arguments(call));
      RequireOpen();
    });
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out && iid == kIidSelf) {
      *out = this;  // no reference: the caller holds one
      return S_OK;
    }
    return DispatchObject::QueryInterface(iid, out);
  }
  void RequireOpen() const {
    if (!open_) Fail(kClosed, L"Operation is not allowed when the object is closed.");
  }

 private:
  std::wstring provider_ = L"MSDASQL";
  bool open_ = false;
};

Connection* StandInConnection(IDispatch* object) {
  void* self = nullptr;
  if (!object || FAILED(object->QueryInterface(kIidSelf, &self))) return nullptr;
  return static_cast<Connection*>(self);
}

std::wstring ArgText(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_I2: return std::to_wstring(V_I2(&v));
    case VT_I4: return std::to_wstring(V_I4(&v));
    case VT_DISPATCH:
      if (!V_DISPATCH(&v)) return L"Nothing";
      return StandInConnection(V_DISPATCH(&v)) ? L"Connection" : L"Object";
    default: return kb::support::JournalText(v);
  }
}

// ---- the recordset ---------------------------------------------------------

// What a recordset's fields read and change.
struct Cursor {
  std::vector<Row> rows;
  size_t position = 0;
  bool open = false;
  bool adding = false;
  void RequireOpen() const {
    if (!open) Fail(kClosed, L"Operation is not allowed when the object is closed.");
  }
  bool AtEnd() const { return position >= rows.size(); }
  kb::Variant& Cell(size_t column) {
    RequireOpen();
    if (AtEnd())
      Fail(kNoCurrentRecord,
           L"Either BOF or EOF is True, or the current record has been deleted. Requested "
           L"operation requires a current record.");
    return rows[position][column];
  }
};

class Field : public DispatchObject, public ado::Field20 {
 public:
  Field(std::shared_ptr<Cursor> cursor, size_t column)
      : DispatchObject(L"Field"), cursor_(std::move(cursor)), column_(column) {
    Property(L"Name", [this](Invocation& call) { call.ReturnText(Name(L"")); });
    Property(
        L"Value", [this](Invocation& call) { call.ReturnVariant(*Value(L"").Get()); },
        [this](Invocation& call) {
          Step(Entry(L"Value = " + ArgText(call.Value())));
          ::VariantCopy(cursor_->Cell(column_).Get(), const_cast<VARIANT*>(&call.Value()));
        });
    SetDefaultMember(L"Value");
    Method(L"AppendChunk", {1, 1}, [this](Invocation& call) {
      Step(Entry(L"AppendChunk" + Arguments(call)));
      kb::Variant& cell = cursor_->Cell(column_);
      const std::wstring text =
          (cell.Type() == VT_BSTR ? std::wstring(kb::View(V_BSTR(cell.Get()))) : std::wstring()) +
          call.Text(0);
      cell = kb::Variant::FromText(kb::Bstr(text));
    });
  }
  STANDIN_FORWARD_IDISPATCH
  STANDIN_UNUSED(0)
  STANDIN_UNUSED(1)
  STANDIN_UNUSED(2)
  STANDIN_UNUSED(3)
  STANDIN_UNUSED(4)
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    return Early([&] { *name = ::SysAllocString(Name(L" (early)").c_str()); });
  }
  HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) override {
    return Early([&] {
      ::VariantInit(value);
      ::VariantCopy(value, Value(L" (early)").Get());
    });
  }

 private:
  const IID& EarlyIid() const { return ado::kIidField20; }
  void* EarlySelf() { return static_cast<ado::Field20*>(this); }
  std::wstring Entry(const std::wstring& what) const {
    return L"Field(" + g.names[column_] + L")." + what;
  }
  std::wstring Name(const wchar_t* how) {
    Step(Entry(L"Name") + how);
    return g.names[column_];
  }
  kb::Variant Value(const wchar_t* how) {
    Step(Entry(L"Value") + how);
    kb::Variant copy;
    ::VariantCopy(copy.Get(), cursor_->Cell(column_).Get());
    return copy;
  }

  std::shared_ptr<Cursor> cursor_;
  size_t column_;
};

class Fields : public DispatchObject, public ado::Fields15 {
 public:
  explicit Fields(std::shared_ptr<Cursor> cursor)
      : DispatchObject(L"Fields"), cursor_(std::move(cursor)) {
    Property(L"Count", [this](Invocation& call) { call.ReturnI4(Count(L"")); });
    Property(
        L"Item", [this](Invocation& call) { call.ReturnObject(Item(call.Arg(0), L"")->Disp()); },
        {}, 1);
    SetDefaultMember(L"Item");
  }
  STANDIN_FORWARD_IDISPATCH
  STANDIN_UNUSED(0)
  STANDIN_UNUSED(1)
  HRESULT STDMETHODCALLTYPE get_Count(long* count) override {
    return Early([&] { *count = Count(L" (early)"); });
  }
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, ado::Field20** field) override {
    return Early([&] { *field = static_cast<ado::Field20*>(Item(index, L" (early)").Detach()); });
  }

 private:
  const IID& EarlyIid() const { return ado::kIidFields15; }
  void* EarlySelf() { return static_cast<ado::Fields15*>(this); }
  long Count(const wchar_t* how) {
    Step(std::wstring(L"Fields.Count") + how);
    cursor_->RequireOpen();
    return static_cast<long>(g.names.size());
  }
  kb::ComPtr<Field> Item(const VARIANT& index, const wchar_t* how) {
    Step(L"Fields.Item(" + ArgText(index) + L")" + how);
    cursor_->RequireOpen();
    size_t column = g.names.size();
    if (V_VT(&index) == VT_BSTR) {
      for (size_t i = 0; i < g.names.size(); ++i)
        if (::lstrcmpiW(g.names[i].c_str(), V_BSTR(&index)) == 0) column = i;
    } else {
      column = static_cast<size_t>(kb::support::AsLong(index));
    }
    if (column >= g.names.size())
      Fail(kItemNotFound,
           L"Item cannot be found in the collection corresponding to the requested name or "
           L"ordinal.");
    return Make<Field>(cursor_, column);
  }

  std::shared_ptr<Cursor> cursor_;
};

class Recordset : public DispatchObject, public ado::Recordset15 {
 public:
  Recordset() : DispatchObject(L"Recordset") {
    Method(L"Open", {0, 5}, [this](Invocation& call) {
      Step(L"Recordset.Open" + Arguments(call));
      if (cursor_->open) Fail(kAlreadyOpen, L"Operation is not allowed when the object is open.");
      Connection* connection = call.Has(1) ? StandInConnection(call.Object(1).Get()) : nullptr;
      if (!connection)
        Fail(kWrongArguments,
             L"Arguments are of the wrong type, are out of acceptable range, or are in conflict "
             L"with one another.");
      connection->RequireOpen();
      cursor_->rows.clear();
      for (const Row& row : g.rows) {
        Row& copy = cursor_->rows.emplace_back(row.size());
        for (size_t i = 0; i < row.size(); ++i)
          ::VariantCopy(copy[i].Get(), const_cast<VARIANT*>(row[i].Get()));
      }
      cursor_->position = 0;
      cursor_->open = true;
    });
    Property(L"EOF", [this](Invocation& call) { call.ReturnBool(AtEnd(L"")); });
    Property(L"Fields", [this](Invocation& call) { call.ReturnObject(FieldsOf(L"")->Disp()); });
    Method(L"MoveNext", {0, 0}, [this](Invocation&) { MoveNext(L""); });
    Method(L"AddNew", {0, 2}, [this](Invocation& call) {
      Step(L"Recordset.AddNew" + Arguments(call));
      cursor_->RequireOpen();
      cursor_->rows.emplace_back(g.names.size());
      cursor_->position = cursor_->rows.size() - 1;
      cursor_->adding = true;
    });
    Method(L"Update", {0, 2}, [this](Invocation& call) {
      Step(L"Recordset.Update" + Arguments(call));
      cursor_->RequireOpen();
      if (cursor_->adding) g.added.push_back(std::move(cursor_->rows.back()));
      cursor_->adding = false;
    });
    Method(L"Close", {0, 0}, [this](Invocation&) {
      Step(L"Recordset.Close");
      cursor_->RequireOpen();
      cursor_->open = false;
    });
  }
  STANDIN_FORWARD_IDISPATCH
  STANDIN_UNUSED(0)
  STANDIN_UNUSED(1)
  STANDIN_UNUSED(2)
  STANDIN_UNUSED(3)
  STANDIN_UNUSED(4)
  STANDIN_UNUSED(5)
  STANDIN_UNUSED(6)
  STANDIN_UNUSED(7)
  STANDIN_UNUSED(8)
  STANDIN_UNUSED(9)
  STANDIN_UNUSED(10)
  STANDIN_UNUSED(11)
  STANDIN_UNUSED(12)
  STANDIN_UNUSED(13)
  STANDIN_UNUSED(14)
  STANDIN_UNUSED(15)
  STANDIN_UNUSED(16)
  STANDIN_UNUSED(17)
  STANDIN_UNUSED(18)
  STANDIN_UNUSED(19)
  STANDIN_UNUSED(20)
  STANDIN_UNUSED(21)
  STANDIN_UNUSED(22)
  STANDIN_UNUSED(23)
  STANDIN_UNUSED(24)
  STANDIN_UNUSED(25)
  STANDIN_UNUSED(26)
  HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) override {
    return Early([&] { *eof = AtEnd(L" (early)") ? VARIANT_TRUE : VARIANT_FALSE; });
  }
  HRESULT STDMETHODCALLTYPE get_Fields(ado::Fields15** fields) override {
    return Early([&] { *fields = static_cast<ado::Fields15*>(FieldsOf(L" (early)").Detach()); });
  }
  HRESULT STDMETHODCALLTYPE MoveNext() override {
    return Early([&] { MoveNext(L" (early)"); });
  }

 private:
  const IID& EarlyIid() const { return ado::kIidRecordset15; }
  void* EarlySelf() { return static_cast<ado::Recordset15*>(this); }
  bool AtEnd(const wchar_t* how) {
    Step(std::wstring(L"Recordset.EOF") + how);
    cursor_->RequireOpen();
    return cursor_->AtEnd();
  }
  kb::ComPtr<Fields> FieldsOf(const wchar_t* how) {
    Step(std::wstring(L"Recordset.Fields") + how);
    return Make<Fields>(cursor_);
  }
  void MoveNext(const wchar_t* how) {
    Step(std::wstring(L"Recordset.MoveNext") + how);
    cursor_->RequireOpen();
    if (cursor_->AtEnd())
      Fail(kNoCurrentRecord, L"Either BOF or EOF is True, or the current record has been deleted.");
    ++cursor_->position;
  }

  std::shared_ptr<Cursor> cursor_ = std::make_shared<Cursor>();
};

// ---- the server ------------------------------------------------------------

IDispatch* NewConnection() {
  Step(L"create Connection");
  return Make<Connection>().Detach();
}
IDispatch* NewRecordset() {
  Step(L"create Recordset");
  return static_cast<DispatchObject*>(Make<Recordset>().Detach());
}
const StandInClass kClasses[] = {
    {ado::kConnectionClass, &NewConnection},
    {ado::kRecordsetClass, &NewRecordset},
};

bool ServeClass(const CLSID& clsid, const std::wstring& path) {
  const std::wstring server = L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32";
  // Kept aside once: registering again must not save the stand-in over the system's entry.
  if (ReadClassesValue(server, kSavedServer).empty()) {
    const std::wstring system = ReadClassesValue(server, nullptr);
    if (!SetClassesValue(server, kSavedServer, system.empty() ? kNoServer : system) ||
        !SetClassesValue(server, kSavedThreading, ReadClassesValue(server, L"ThreadingModel")))
      return false;
  }
  return SetClassesValue(server, nullptr, path) &&
         SetClassesValue(server, L"ThreadingModel", L"Apartment");
}

void RestoreClass(const CLSID& clsid) {
  const std::wstring key = L"CLSID\\" + GuidText(clsid);
  const std::wstring server = key + L"\\InprocServer32";
  const std::wstring saved = ReadClassesValue(server, kSavedServer);
  if (saved.empty()) return;
  if (saved == kNoServer) {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return;
  }
  SetClassesValue(server, nullptr, saved);
  SetClassesValue(server, L"ThreadingModel", ReadClassesValue(server, kSavedThreading));
  ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), kSavedServer);
  ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), kSavedThreading);
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  static StandInFactory factories[] = {StandInFactory(kClasses[0]), StandInFactory(kClasses[1])};
  for (size_t i = 0; i < std::size(kClasses); ++i)
    if (clsid == kClasses[i].clsid) return factories[i].QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

// The journal lives as long as the process.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

// Puts back the system's classes and removes the stand-in providers.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const StandInClass& c : kClasses) RestoreClass(c.clsid);
  for (unsigned char i = 0; i < std::size(kProviders); ++i) {
    const std::wstring clsid = GuidText(ProviderClass(i));
    if (ReadClassesValue(std::wstring(kProviders[i]) + L"\\CLSID", nullptr) == clsid)
      ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProviders[i]);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  }
  return S_OK;
}

// Serves the system's classes and registers the providers named in
// `providers` (separated by ";"), and only those of the four.
HRESULT STDAPICALLTYPE StandInRegister(const wchar_t* providers) {
  DllUnregisterServer();
  const std::wstring path = ThisModulePath();
  for (const StandInClass& c : kClasses)
    if (!ServeClass(c.clsid, path)) return SELFREG_E_CLASS;
  const std::wstring chosen = std::wstring(L";") + providers + L";";
  for (unsigned char i = 0; i < std::size(kProviders); ++i) {
    if (chosen.find(L";" + std::wstring(kProviders[i]) + L";") == std::wstring::npos) continue;
    const std::wstring clsid = GuidText(ProviderClass(i));
    if (!SetClassesValue(std::wstring(kProviders[i]) + L"\\CLSID", nullptr, clsid) ||
        !SetClassesValue(L"CLSID\\" + clsid + L"\\InprocServer32", nullptr, path))
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT STDAPICALLTYPE DllRegisterServer() { return StandInRegister(kProviders[0]); }

// A fresh journal: no entries, no failures, no rows, early binding offered.
void STDAPICALLTYPE StandInReset() { g = Journal{}; }

void STDAPICALLTYPE StandInFailAt(long step, HRESULT hr, const wchar_t* description) {
  g.failures[step] = {hr, description};
}

void STDAPICALLTYPE StandInOfferEarlyBinding(BOOL offer) { g.early = offer != FALSE; }

// The rows every recordset opened from now on holds: `columns` field names,
// then the values row by row.
void STDAPICALLTYPE StandInSetRows(const VARIANT* cells, long columns, long count) {
  g.names.clear();
  g.rows.clear();
  for (long i = 0; i < columns; ++i) g.names.emplace_back(kb::View(V_BSTR(&cells[i])));
  for (long i = columns; i < count; ++i) {
    if ((i - columns) % columns == 0) g.rows.emplace_back();
    ::VariantCopy(g.rows.back().emplace_back().Get(), const_cast<VARIANT*>(&cells[i]));
  }
}

// The journal, one entry a line.
BSTR STDAPICALLTYPE StandInJournal() {
  std::wstring text;
  for (const std::wstring& e : g.entries) text += e + L"\n";
  return ::SysAllocString(text.c_str());
}

// The rows AddNew and Update stored, one a line, fields separated by "|".
BSTR STDAPICALLTYPE StandInAddedRows() {
  std::wstring text;
  for (const Row& row : g.added) {
    for (size_t i = 0; i < row.size(); ++i)
      text +=
          (i ? L"|" : L"") + (row[i].Type() == VT_EMPTY ? L"" : kb::support::AsText(*row[i].Get()));
    text += L"\n";
  }
  return ::SysAllocString(text.c_str());
}

}  // extern "C"
