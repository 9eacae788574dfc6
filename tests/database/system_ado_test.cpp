// The database routines on the platform's own data access objects, stood in
// for by tests/database/ado_standin.cpp: which connection a file gets, the
// calls each routine makes on the system's objects and their arguments, and
// the embedded engine's slots beside them.
#include <string>
#include <vector>

#include "data/ado_interfaces.h"
#include "tests/database/database_test.h"
#include "tests/database/picture_files.h"
#include "tests/support/forms.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/picture_box.h"

namespace {

using namespace databasetest;
using kb::support::MsgBoxRecorder;

constexpr wchar_t kJet[] = L"Microsoft.Jet.OLEDB.4.0";
constexpr HRESULT kGeneric = E_FAIL;
constexpr HRESULT kBadCommand = static_cast<HRESULT>(0x80040E14);
constexpr wchar_t kOpenFailedTitle[] = L"Fejl under \u00E5bningen af dBfilen";

kb::Variant Cell(long value) {
  kb::Variant v;
  V_VT(v.Get()) = VT_I4;
  V_I4(v.Get()) = value;
  return v;
}
kb::Variant Cell(int value) { return Cell(static_cast<long>(value)); }
kb::Variant Cell(const std::wstring& text) { return kb::Variant::FromText(kb::Bstr(text)); }
kb::Variant Cell(const wchar_t* text) { return Cell(std::wstring(text)); }

// The stand-ins, registered while the object lives, with a fresh journal.
class StandIns {
 public:
  explicit StandIns(const wchar_t* providers) : module_(::LoadLibraryW(L"ado_standin.dll")) {
    Register(providers);
  }
  StandIns(const StandIns&) = delete;
  StandIns& operator=(const StandIns&) = delete;
  ~StandIns() {
    Unregister();
    ::FreeLibrary(module_);
  }
  void Register(const wchar_t* providers) {
    EXPECT_EQ(S_OK, Fn<HRESULT(STDAPICALLTYPE*)(const wchar_t*)>("StandInRegister")(providers));
    Reset();
  }
  void Unregister() { Fn<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer")(); }
  void Reset() { Fn<void(STDAPICALLTYPE*)()>("StandInReset")(); }
  void FailAt(long step, HRESULT hr, const wchar_t* text) {
    Fn<void(STDAPICALLTYPE*)(long, HRESULT, const wchar_t*)>("StandInFailAt")(step, hr, text);
  }
  void OfferEarlyBinding(bool offer) {
    Fn<void(STDAPICALLTYPE*)(BOOL)>("StandInOfferEarlyBinding")(offer);
  }
  // Field names, then the values row by row.
  template <class... A>
  void Rows(long columns, const A&... cells) {
    std::vector<kb::Variant> all;
    (all.push_back(Cell(cells)), ...);
    Rows(columns, all);
  }
  void Rows(long columns, const std::vector<kb::Variant>& cells) {
    std::vector<VARIANT> raw;
    for (const kb::Variant& c : cells) raw.push_back(*c.Get());
    Fn<void(STDAPICALLTYPE*)(const VARIANT*, long, long)>("StandInSetRows")(
        raw.data(), columns, static_cast<long>(raw.size()));
  }
  std::vector<std::wstring> Journal() { return Lines("StandInJournal"); }
  std::vector<std::wstring> Added() { return Lines("StandInAddedRows"); }
  // Whether the journal holds `entries` in this order, others between them.
  bool Shows(const std::vector<std::wstring>& entries) {
    const auto journal = Journal();
    auto at = journal.begin();
    for (const std::wstring& e : entries)
      if ((at = std::find(at, journal.end(), e)) == journal.end()) return false;
    return true;
  }

 private:
  template <class F>
  F Fn(const char* name) {
    const auto fn = reinterpret_cast<F>(::GetProcAddress(module_, name));
    if (!fn) throw std::runtime_error(name);
    return fn;
  }
  std::vector<std::wstring> Lines(const char* source) {
    const kb::Bstr text = kb::Bstr::Attach(Fn<BSTR(STDAPICALLTYPE*)()>(source)());
    std::vector<std::wstring> lines;
    std::wstring_view rest = text.View();
    for (size_t end; (end = rest.find(L'\n')) != rest.npos; rest.remove_prefix(end + 1))
      lines.emplace_back(rest.substr(0, end));
    return lines;
  }
  HMODULE module_;
};

// Slot 0 holds the engine's database (Kunder); slot 1 a client's own file.
class SystemAdo : public DataBaseTest {
 protected:
  CallResult OpenClientFile() { return Db(L"dB_OpendB", {mdb_, L"admin", L"", 1}); }

  StandIns ado_{kJet};
  // Not there at all: a new file is nobody's own and goes to the provider.
  std::wstring mdb_ = L"C:\\Data\\" + TestName() + L".mdb";
};

TEST_F(SystemAdo, AClientsFileOpensOnTheSystemObjectsBesideAnEngineSlot) {
  ScratchFile jetFile(TestName() + L".jet.mdb");
  jetFile.Write("\x00\x01\x00\x00Standard Jet DB" + std::string(100, '\0'));
  for (const std::wstring& file : {mdb_, jetFile.Path()}) {
    ado_.Reset();
    ASSERT_TRUE(Db(L"dB_OpendB", {file, L"admin", L"", 1}).Ok());
    ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Ordrer", 1);
    ASSERT_TRUE(Db(L"dB_CloseRs", {rs.Get()}).Ok());
    ASSERT_TRUE(Db(L"dB_ClosedB", {1}).Ok());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"create Connection",
                  L"Connection.Provider = \"Microsoft.Jet.OLEDB.4.0\"",
                  L"Connection.Open(\"" + file + L"\", \"admin\", \"\", -1)",
                  L"create Recordset",
                  L"Recordset.Open(\"SELECT * FROM Ordrer\", Connection, 0, 1, -1)",
                  L"Recordset.Close",
                  L"Connection.Close",
              }),
              ado_.Journal());
  }
  // The engine's own files, an empty one among them, stay the engine's.
  ScratchFile empty(TestName() + L".empty.db");
  empty.Write("");
  ado_.Reset();
  ASSERT_TRUE(Db(L"dB_OpendB", {empty.Path(), L"admin", L"", 2}).Ok());
  EXPECT_EQ(1, FieldValue(Rs(L"SELECT 1", 2).Get(), 0).Long());
  EXPECT_EQ(L"Hansen", FieldValue(Rs(L"SELECT Navn FROM Kunder WHERE Id = 1").Get(), 0).Text());
  EXPECT_TRUE(ado_.Journal().empty());
}

TEST_F(SystemAdo, TheSecondGenericFailureShowsTheBoxAfterTheOtherProvider) {
  struct Case {
    const wchar_t* registered;
    const wchar_t* first;
    const wchar_t* second;
  } cases[] = {
      {kJet, kJet, L"Microsoft.Jet.OLEDB.3.51"},
      // Where Jet is missing (64-bit processes), ACE takes both attempts.
      {L"Microsoft.ACE.OLEDB.16.0;Microsoft.ACE.OLEDB.12.0", L"Microsoft.ACE.OLEDB.16.0",
       L"Microsoft.ACE.OLEDB.12.0"},
      {L"Microsoft.ACE.OLEDB.12.0", L"Microsoft.ACE.OLEDB.12.0", L"Microsoft.ACE.OLEDB.12.0"},
  };
  for (const Case& c : cases) {
    ado_.Register(c.registered);
    ado_.FailAt(3, kGeneric, L"Ukendt format");
    ado_.FailAt(5, kGeneric, L"Filen er i brug");
    MsgBoxRecorder boxes;
    ASSERT_TRUE(OpenClientFile().Ok());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"create Connection",
                  L"Connection.Provider = \"" + std::wstring(c.first) + L"\"",
                  L"Connection.Open(\"" + mdb_ + L"\", \"admin\", \"\", -1) !",
                  L"Connection.Provider = \"" + std::wstring(c.second) + L"\"",
                  L"Connection.Open(\"" + mdb_ + L"\", \"admin\", \"\", -1) !",
                  L"Connection.Close",
              }),
              ado_.Journal())
        << kb::support::Utf8(c.registered);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Filen er i brug", boxes.Last().text);
    EXPECT_EQ(kOpenFailedTitle, boxes.Last().title);
    EXPECT_EQ(91, ErrorOf(Db(L"dB_ClosedB", {1})));
  }
  // Any other first failure: no retry, no box, the unopened connection stays.
  ado_.Reset();
  ado_.FailAt(3, kBadCommand, L"Ugyldig adgangskode");
  MsgBoxRecorder boxes;
  ASSERT_TRUE(OpenClientFile().Ok());
  EXPECT_EQ(0u, boxes.Count());
  EXPECT_EQ(3u, ado_.Journal().size());
  EXPECT_EQ(3704, ErrorOf(Db(L"dB_OpenRs", {L"SELECT 1", 0, 1, 1})));
}

TEST_F(SystemAdo, WithoutAProviderTheEngineServesEvenWithThePlatformsOwnObjects) {
  ado_.Unregister();
  MsgBoxRecorder boxes;
  ASSERT_TRUE(OpenClientFile().Ok());
  // Both attempts were the engine's: it fails a missing file with the
  // generic failure code and says so.
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_NE(std::wstring::npos, boxes.Last().text.find(L"does not exist"))
      << kb::support::Utf8(boxes.Last().text);
  EXPECT_TRUE(ado_.Journal().empty());
  // The platform's own recordset, read early bound: the members sit where
  // the reader calls them (a closed, empty recordset at its end, no fields).
  ComPtr<IDispatch> platform;
  ASSERT_EQ(S_OK, ::CoCreateInstance(kb::data::ado::kRecordsetClass, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, reinterpret_cast<void**>(platform.Out())));
  const auto rows = kb::data::EarlyBoundRowsOf(platform.Get());
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->AtEnd());
  EXPECT_EQ(0, rows->FieldCount());
}

TEST_F(SystemAdo, StatementHelpersDriveTheSystemObjects) {
  ASSERT_TRUE(OpenClientFile().Ok());
  ado_.Reset();
  ado_.Rows(1, L"Expr1000", 7);
  EXPECT_EQ(8, Db(L"dB_SQLMaxPlus", {L"Kunder", L"Id", L"Navn = 'x'", 1}).Long());
  EXPECT_TRUE(
      ado_.Shows({L"Recordset.Open(\"SELECT MAX(Id) FROM Kunder WHERE Navn = 'x'\", "
                  L"Connection, 0, 1, -1)",
                  L"Fields.Item(0)", L"Field(Expr1000).Value"}));
  ado_.Reset();
  ado_.Rows(1, L"NumField", 41);
  EXPECT_EQ(41, Db(L"dB_GetSumFromRs", {L"Kunder", L"Beloeb", 1}).Long());
  EXPECT_TRUE(
      ado_.Shows({L"Recordset.Open(\"SELECT SUM(Beloeb) AS[NumField] FROM Kunder\", "
                  L"Connection, 0, 1, -1)",
                  L"Fields.Item(\"NumField\")", L"Recordset.Close"}));
  ado_.Reset();
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder", L"Id = 2", 1}).Ok());
  EXPECT_EQ((std::vector<std::wstring>{
                L"Connection.BeginTrans",
                L"Connection.Execute(\"DELETE * FROM Kunder Where Id = 2\", Missing, -1)",
                L"Connection.CommitTrans"}),
            ado_.Journal());
  ado_.Reset();
  ado_.FailAt(2, kBadCommand, L"Syntaksfejl");
  EXPECT_EQ(static_cast<long>(kBadCommand), ErrorOf(Db(L"dB_DeleteRs", {L"Kunder", L"", 1})));
  EXPECT_EQ(L"Connection.RollbackTrans", ado_.Journal().back());

  ado_.Reset();
  ado_.Rows(1, L"Navn", L"Hansen", L"Jensen");
  kb::support::Form form;
  auto combo = form.Add<kb::support::ComboBox>(L"cboKunder", kb::support::ComboBoxOptions{});
  ASSERT_TRUE(Db(L"dB_SQLComboText", {L"SELECT Navn FROM Kunder", combo.Get(), 1}).Ok());
  ASSERT_EQ(2, Get(combo.Get(), L"ListCount").Long());
  EXPECT_EQ(L"Jensen", Get(combo.Get(), L"List", {1}).Text());
}

TEST_F(SystemAdo, CsvExportWritesTheSameBytesFromEitherKindOfRecordset) {
  ASSERT_TRUE(OpenClientFile().Ok());
  // The stand-in holds the engine's own rows, value types and all.
  ComPtr<IDispatch> engine = Rs(L"SELECT * FROM Kunder ORDER BY Id");
  const long columns = Get(Get(engine.Get(), L"Fields").Object().Get(), L"Count").Long();
  std::vector<kb::Variant> cells;
  for (long i = 0; i < columns; ++i) {
    const ComPtr<IDispatch> field = Get(engine.Get(), L"Fields", {i}).Object();
    cells.push_back(Cell(Get(field.Get(), L"Name").Text().c_str()));
  }
  for (; !Get(engine.Get(), L"EOF").Bool(); CallMethod(engine.Get(), L"MoveNext"))
    for (long i = 0; i < columns; ++i)
      cells.push_back(std::move(FieldValue(engine.Get(), i).value));
  ado_.Rows(columns, cells);

  ScratchFile own(TestName() + L".own.csv"), early(TestName() + L".early.csv"),
      late(TestName() + L".late.csv");
  ASSERT_TRUE(
      Db(L"dB_RsToCSVFile", {Rs(L"SELECT * FROM Kunder ORDER BY Id").Get(), own.Path(), L";"})
          .Ok());
  for (const bool offer : {true, false}) {
    ado_.Reset();
    ado_.Rows(columns, cells);
    ado_.OfferEarlyBinding(offer);
    ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder", 1);
    ASSERT_TRUE(Db(L"dB_RsToCSVFile", {rs.Get(), (offer ? early : late).Path(), L";"}).Ok());
    const auto journal = ado_.Journal();
    EXPECT_EQ(offer,
              std::find(journal.begin(), journal.end(), L"Recordset.EOF (early)") != journal.end());
  }
  const std::string bytes = own.Bytes();
  EXPECT_EQ(4, std::count(bytes.begin(), bytes.end(), '\n')) << bytes;
  EXPECT_EQ(bytes, early.Bytes());
  EXPECT_EQ(bytes, late.Bytes());
}

TEST_F(SystemAdo, PictureRoutinesDriveTheSystemObjects) {
  ASSERT_TRUE(OpenClientFile().Ok());
  ado_.Reset();
  ado_.Rows(2, L"Nr", L"Sti");
  ASSERT_TRUE(Db(L"dB_SavePictureInRs", {L"C:\\Pics\\a.bmp", L"Billeder", L"Sti", 1}).Ok());
  EXPECT_EQ((std::vector<std::wstring>{
                L"create Recordset",
                L"Recordset.Open(\"SELECT * FROM Billeder Where 1=2\", Connection, 2, 2, -1)",
                L"Recordset.AddNew()", L"Recordset.Fields", L"Fields.Item(\"Sti\")",
                L"Field(Sti).AppendChunk(\"C:\\Pics\\a.bmp\")", L"Recordset.Update()"}),
            ado_.Journal());
  EXPECT_EQ(std::vector<std::wstring>{L"|C:\\Pics\\a.bmp"}, ado_.Added());

  ScratchFile small(TestName() + L".small.bmp"), large(TestName() + L".large.bmp");
  WriteBitmap(small.Path(), 3, 3);
  WriteBitmap(large.Path(), 9, 4);
  ado_.Reset();
  ado_.Rows(1, L"Sti", small.Path().c_str(), large.Path().c_str());
  kb::support::Form form;
  auto picture = form.Add<kb::support::PictureBox>(L"picBillede", kb::support::PictureBoxOptions{});
  ASSERT_TRUE(Db(L"dB_GetPictureFromRs", {picture.Get(), L"Billeder", L"Sti", L"Nr > 0", 1}).Ok());
  EXPECT_EQ(2, picture->Assignments());
  EXPECT_EQ(9, picture->PictureSize().cx);
  EXPECT_TRUE(
      ado_.Shows({L"Recordset.Open(\"SELECT Sti FROM Billeder WHERE Nr > 0\", "
                  L"Connection, 0, 1, -1)",
                  L"Field(Sti).Value", L"Recordset.MoveNext", L"Field(Sti).Value",
                  L"Recordset.MoveNext", L"Recordset.EOF", L"Recordset.Close"}));
}

}  // namespace
