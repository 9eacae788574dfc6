// The data layer's automation objects against real database files.
#include <cmath>

#include "data/engine.h"
#include "data/jet_sql.h"
#include "data/row_keys.h"
#include "runtime/errors.h"
#include "tests/data/data_test.h"

namespace {

using namespace datatest;
using kb::support::CallId;
using kb::support::CallMethod;
using kb::support::Enumerate;
using kb::support::Get;
using kb::support::Put;

kb::support::Apartment apartment;

constexpr long kGeneric = static_cast<long>(0x80004005);
constexpr long kBadCommand = static_cast<long>(0x80040E14);
constexpr long kIntegrity = static_cast<long>(0x80040E2F);

class DataLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDatabase(file_.Path(),
                 {L"CREATE TABLE Kunder (Id INTEGER PRIMARY KEY, Navn VARCHAR(20) NOT NULL, "
                  L"Beloeb DOUBLE, Oprettet DATETIME, Aktiv YESNO, Note MEMO, Data LONGBINARY, "
                  L"Antal LONG DEFAULT 7)",
                  L"INSERT INTO Kunder (Id, Navn, Beloeb, Oprettet, Aktiv) VALUES "
                  L"(1, 'Hansen', 12.5, '2024-01-31 10:30:00', -1)",
                  L"INSERT INTO Kunder (Id, Navn, Oprettet, Aktiv) VALUES (2, 'Jensen', "
                  L"'2024-02-01', 0)",
                  L"INSERT INTO Kunder (Id, Navn) VALUES (3, 'Ørsted')"});
    connection_ = OpenConnection(file_.Path());
  }

  CallResult Open(const std::wstring& sql, long cursor = 0, long lock = 1) {
    ComPtr<IDispatch> rs = kb::data::NewRecordset();
    CallResult r = CallMethod(rs.Get(), L"Open", {sql, connection_.Get(), cursor, lock, -1});
    if (r.Ok()) r.value = kb::support::VObject(rs.Get());
    return r;
  }
  ComPtr<IDispatch> Rs(const std::wstring& sql, long cursor = 0, long lock = 1) {
    CallResult r = Open(sql, cursor, lock);
    EXPECT_TRUE(r.Ok()) << r;
    return r.Ok() ? r.Object() : nullptr;
  }

  ScratchFile file_{TestName() + L".db"};
  ComPtr<IDispatch> connection_;
};

TEST(Connection, OpenFailuresTellTheGenericCodeFromTheOthers) {
  ScratchFile db(TestName() + L".db"), text(TestName() + L".txt");
  MakeDatabase(db.Path(), {L"CREATE TABLE t (a INTEGER)"});
  text.Write(
      "Dette er ingen database, men en tekst paa mere end hundrede tegn, saa motoren kan "
      "se at hovedet ikke passer.");
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  struct Case {
    const wchar_t* provider;
    std::wstring connectionString;
    long error;
  } cases[] = {
      {L"Microsoft.Jet.OLEDB.4.0", db.Path(), 0},
      {L"Microsoft.Jet.OLEDB.3.51", L"Data Source=" + db.Path() + L";Persist Security Info=False",
       0},
      {L"Microsoft.Jet.OLEDB.4.0",
       L"Provider=Microsoft.Jet.OLEDB.3.51; Data Source=\"" + db.Path() + L"\"", 0},
      {L"Microsoft.Jet.OLEDB.4.0", db.Path() + L".missing", kGeneric},
      {L"Microsoft.Jet.OLEDB.4.0", folder, kGeneric},
      {L"Microsoft.Jet.OLEDB.4.0", text.Path(), kGeneric},
      {L"SQLOLEDB", db.Path(), 3706},
      {L"Microsoft.Jet.OLEDB.4.0", L"", 3001},
      {L"Microsoft.Jet.OLEDB.4.0", L"Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin", 3001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kb::support::Utf8(c.connectionString));
    ComPtr<IDispatch> connection = kb::data::NewConnection();
    ASSERT_TRUE(Put(connection.Get(), L"Provider", c.provider).Ok());
    const CallResult r =
        CallMethod(connection.Get(), L"Open", {c.connectionString, L"admin", L"", -1});
    EXPECT_EQ(c.error, ErrorOf(r)) << r;
    if (!r.Ok()) EXPECT_FALSE(r.description.empty());
    EXPECT_EQ(c.error == 0 ? 1 : 0, Get(connection.Get(), L"State").Long());
  }
}

TEST_F(DataLayer, OpenAndCloseOnlyOnce) {
  EXPECT_EQ(3705, ErrorOf(CallMethod(connection_.Get(), L"Open", {file_.Path()})));
  EXPECT_EQ(3705, ErrorOf(Put(connection_.Get(), L"Provider", L"Microsoft.Jet.OLEDB.3.51")));
  EXPECT_TRUE(CallMethod(connection_.Get(), L"Close").Ok());
  EXPECT_EQ(3704, ErrorOf(CallMethod(connection_.Get(), L"Close")));
  EXPECT_EQ(3704, ErrorOf(CallMethod(connection_.Get(), L"Execute", {L"SELECT 1"})));
  EXPECT_EQ(3704, ErrorOf(Open(L"SELECT 1")));
}

TEST_F(DataLayer, ValuesBecomeAutomationTypes) {
  Execute(connection_.Get(),
          L"UPDATE Kunder SET Data = X'00FF10', Antal = 3000000000 WHERE Id = 1");
  ComPtr<IDispatch> rs =
      Rs(L"SELECT Id, Navn, Beloeb, Oprettet, Aktiv, Note, Data, Antal, "
         L"Id * 2 AS Dobbelt, 'x' || Navn AS Udtryk FROM Kunder ORDER BY Id");
  struct Case {
    const wchar_t* field;
    VARTYPE type;
    long adoType;
  } first[] = {{L"Id", VT_I4, 3},
               {L"Navn", VT_BSTR, 202},
               {L"Beloeb", VT_R8, 5},
               {L"Oprettet", VT_DATE, 7},
               {L"Aktiv", VT_BOOL, 11},
               {L"Note", VT_NULL, 203},
               {L"Data", VT_ARRAY | VT_UI1, 205},
               {L"Antal", VT_R8, 3},
               {L"Dobbelt", VT_I4, 3},
               {L"Udtryk", VT_BSTR, 202}};
  for (const auto& c : first) {
    SCOPED_TRACE(kb::support::Utf8(c.field));
    const CallResult v = FieldValue(rs.Get(), c.field);
    ASSERT_TRUE(v.Ok()) << v;
    EXPECT_EQ(c.type, v.value.Type());
    EXPECT_EQ(c.adoType, Get(Get(rs.Get(), L"Fields", {c.field}).Object().Get(), L"Type").Long());
  }
  EXPECT_EQ(3000000000.0, FieldValue(rs.Get(), L"Antal").Double());
  SYSTEMTIME st{2024, 1, 0, 31, 10, 30, 0, 0};
  DATE expected = 0;
  ::SystemTimeToVariantTime(&st, &expected);
  EXPECT_DOUBLE_EQ(expected, V_DATE(FieldValue(rs.Get(), L"Oprettet").value.Get()));
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(FieldValue(rs.Get(), L"Aktiv").value.Get()));
  const CallResult data = FieldValue(rs.Get(), L"Data");
  SAFEARRAY* bytes = V_ARRAY(data.value.Get());
  ASSERT_EQ(3u, bytes->rgsabound[0].cElements);
  EXPECT_EQ(0xFF, static_cast<unsigned char*>(bytes->pvData)[1]);
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  EXPECT_EQ(VARIANT_FALSE, V_BOOL(FieldValue(rs.Get(), L"Aktiv").value.Get()));
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  EXPECT_EQ(L"\u00D8rsted", FieldValue(rs.Get(), 1).Text());
  EXPECT_EQ(7, FieldValue(rs.Get(), L"Antal").Long());
}

TEST(JetDialect, StatementsBecomeTheEnginesDialect) {
  struct Case {
    const wchar_t* jet;
    const char* engine;
  } cases[] = {
      {L"DELETE * FROM Orders Where CustNo = 7", "DELETE FROM Orders Where CustNo = 7"},
      {L"delete   *   from [Order Lines]", "delete   from [Order Lines]"},
      {L"SELECT SUM(a) AS[NumField] FROM t", "SELECT SUM(a) AS[NumField] FROM t"},
      {L"SELECT TOP 3 * FROM t ORDER BY a;", "SELECT * FROM t ORDER BY a LIMIT 3;"},
      {L"SELECT DISTINCT TOP 2 a FROM t", "SELECT DISTINCT a FROM t LIMIT 2"},
      {L"SELECT * FROM t WHERE a IN (SELECT TOP 1 b FROM u ORDER BY b) ORDER BY a",
       "SELECT * FROM t WHERE a IN (SELECT b FROM u ORDER BY b LIMIT 1) ORDER BY a"},
      {L"SELECT * FROM t WHERE d >= #1/31/2024# AND d < #2024-02-01 10:30#",
       "SELECT * FROM t WHERE d >= '2024-01-31' AND d < '2024-02-01 10:30:00'"},
      {L"SELECT \"it's\" & 'x' & \"a\"\"b\" FROM t", "SELECT 'it''s' || 'x' || 'a\"b' FROM t"},
      {L"SELECT * FROM t WHERE Aktiv = True OR Slettet = false",
       "SELECT * FROM t WHERE Aktiv = -1 OR Slettet = 0"},
      {L"SELECT * FROM t WHERE Navn LIKE 'H*n?' AND Note = 'H*'",
       "SELECT * FROM t WHERE Navn LIKE 'H%n_' AND Note = 'H*'"},
      {L"SELECT [True], `#x#` FROM t", "SELECT [True], `#x#` FROM t"},
      {L"CREATE TABLE t (Id COUNTER PRIMARY KEY, Nr AUTOINCREMENT(1, 1), a TEXT(10))",
       "CREATE TABLE t (Id INTEGER PRIMARY KEY, Nr INTEGER PRIMARY KEY AUTOINCREMENT, a TEXT(10))"},
      {L"CREATE TABLE t (Id INTEGER PRIMARY KEY AUTOINCREMENT)",
       "CREATE TABLE t (Id INTEGER PRIMARY KEY AUTOINCREMENT)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.engine, kb::data::ToEngineSql(c.jet)) << c.engine;
  for (const wchar_t* bad :
       {L"SELECT TOP 10 PERCENT * FROM t", L"SELECT * FROM t WHERE d = #1/2/2024",
        L"SELECT * FROM t WHERE d = #31/31/2024#", L"SELECT 'open FROM t",
        L"SELECT TOP x FROM t"}) {
    try {
      kb::data::ToEngineSql(bad);
      ADD_FAILURE() << kb::support::Utf8(bad);
    } catch (const kb::Error& error) {
      EXPECT_EQ(static_cast<HRESULT>(kBadCommand), error.Hresult());
      EXPECT_FALSE(error.Description().empty());
    }
  }
}

TEST_F(DataLayer, JetStatementsRunOnTheEngine) {
  EXPECT_EQ(L"Hansen",
            FieldValue(Rs(L"select top 1 navn from KUNDER order by ID").Get(), 0).Text());
  EXPECT_EQ(2,
            FieldValue(
                Rs(L"SELECT COUNT(*) AS[NumField] FROM Kunder WHERE Oprettet >= #1/31/2024#").Get(),
                L"NumField")
                .Long());
  EXPECT_EQ(1, FieldValue(Rs(L"SELECT COUNT(*) FROM Kunder WHERE Aktiv = True").Get(), 0).Long());
  EXPECT_EQ(L"HANSEN-hansen-6", FieldValue(Rs(L"SELECT UCase(Navn) & '-' & LCase(Navn) & '-' & "
                                              L"Len(Navn) FROM Kunder WHERE Navn LIKE \"H*\"")
                                               .Get(),
                                           0)
                                    .Text());
  EXPECT_EQ(L"ans|en|H", FieldValue(Rs(L"SELECT Mid(Navn, 2, 3) & '|' & Right(Navn, 2) & '|' & "
                                       L"Left(Navn, 1) FROM Kunder WHERE Id = 1")
                                        .Get(),
                                    0)
                             .Text());
  EXPECT_EQ(L"0", FieldValue(Rs(L"SELECT Nz(Note, '0') FROM Kunder WHERE Id = 1").Get(), 0).Text());
  Execute(connection_.Get(), L"DELETE * FROM Kunder WHERE Id = 3");
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
  const CallResult bad = Open(L"SELECT Nothing FROM Kunder");
  EXPECT_EQ(kBadCommand, ErrorOf(bad));
  EXPECT_NE(std::wstring::npos, bad.description.find(L"Nothing")) << bad;
  EXPECT_EQ(kBadCommand, ErrorOf(Open(L"SELECT 1; DELETE FROM Kunder")));
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
}

TEST_F(DataLayer, ExecuteCountsTheRowsItChanged) {
  VARIANT affected;
  ::VariantInit(&affected);
  CallResult r =
      CallMethod(connection_.Get(), L"Execute",
                 {L"UPDATE Kunder SET Beloeb = 1 WHERE Id > 1", Arg::ByRef(&affected), -1});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(VT_I4, V_VT(&affected));
  EXPECT_EQ(2, V_I4(&affected));
  EXPECT_EQ(0, Get(r.Object().Get(), L"State").Long());  // no rows: a closed recordset
}

TEST_F(DataLayer, ForwardOnlyRecordsetsReadOnceAndStartAgainByQuerying) {
  ComPtr<IDispatch> rs = Rs(L"SELECT Id FROM Kunder ORDER BY Id");
  EXPECT_EQ(-1, Get(rs.Get(), L"RecordCount").Long());
  EXPECT_FALSE(Get(rs.Get(), L"BOF").Bool());
  std::vector<long> ids;
  while (!Get(rs.Get(), L"EOF").Bool()) {
    ids.push_back(FieldValue(rs.Get(), 0).Long());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  }
  EXPECT_EQ((std::vector<long>{1, 2, 3}), ids);
  EXPECT_EQ(3021, ErrorOf(CallMethod(rs.Get(), L"MoveNext")));
  EXPECT_EQ(3021, ErrorOf(FieldValue(rs.Get(), 0)));
  EXPECT_EQ(3251, ErrorOf(CallMethod(rs.Get(), L"MovePrevious")));
  Execute(connection_.Get(), L"INSERT INTO Kunder (Id, Navn) VALUES (0, 'Først')");
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveFirst").Ok());
  EXPECT_EQ(0, FieldValue(rs.Get(), 0).Long());
  ComPtr<IDispatch> empty = Rs(L"SELECT * FROM Kunder WHERE 1=2");
  EXPECT_TRUE(Get(empty.Get(), L"EOF").Bool());
  EXPECT_TRUE(Get(empty.Get(), L"BOF").Bool());
}

TEST_F(DataLayer, ScrollableRecordsetsCountAndMoveBothWays) {
  for (long cursor : {1L, 2L, 3L}) {
    ComPtr<IDispatch> rs = Rs(L"SELECT Id FROM Kunder ORDER BY Id", cursor);
    EXPECT_EQ(3, Get(rs.Get(), L"RecordCount").Long());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MoveLast").Ok());
    EXPECT_EQ(3, FieldValue(rs.Get(), 0).Long());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MovePrevious").Ok());
    EXPECT_EQ(2, FieldValue(rs.Get(), 0).Long());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MovePrevious").Ok());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MovePrevious").Ok());
    EXPECT_TRUE(Get(rs.Get(), L"BOF").Bool());
    EXPECT_EQ(3021, ErrorOf(CallMethod(rs.Get(), L"MovePrevious")));
    ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
    EXPECT_EQ(1, FieldValue(rs.Get(), 0).Long());
  }
}

// The current record as "value|value|...".
std::string Record(IDispatch* rs) {
  std::string record;
  const long fields = Get(Get(rs, L"Fields").Object().Get(), L"Count").Long();
  for (long i = 0; i < fields; ++i)
    record += (i ? "|" : "") + kb::support::VariantText(*FieldValue(rs, i).value.Get());
  return record;
}

// Every record from the current one to the end.
std::vector<std::string> Records(IDispatch* rs) {
  std::vector<std::string> out;
  while (!Get(rs, L"EOF").Bool()) {
    out.push_back(Record(rs));
    if (!CallMethod(rs, L"MoveNext").Ok()) break;
  }
  return out;
}

// Every record, read from the last one back to the first.
std::vector<std::string> RecordsBackwards(IDispatch* rs) {
  std::vector<std::string> out;
  if (!CallMethod(rs, L"MoveLast").Ok()) return out;
  while (!Get(rs, L"BOF").Bool()) {
    out.insert(out.begin(), Record(rs));
    if (!CallMethod(rs, L"MovePrevious").Ok()) break;
  }
  return out;
}

TEST(RowKeys, OnlyRowsThatStandForOneRowOfEachTableAreKeyed) {
  ScratchFile file(TestName() + L".db");
  MakeDatabase(file.Path(),
               {L"CREATE TABLE Kunder (Id INTEGER PRIMARY KEY, Navn TEXT)",
                L"CREATE TABLE Ordrer (Nr INTEGER, KundeId INTEGER)",
                L"CREATE TABLE Par (a INTEGER, b INTEGER, PRIMARY KEY (a, b)) WITHOUT ROWID",
                L"CREATE TABLE Skjult (rowid TEXT, x INTEGER)",
                L"CREATE VIEW Aktive AS SELECT * FROM Kunder"});
  auto db = kb::data::Database::Open(file.Path());
  struct Case {
    const char* sql;
    int keys;  // row numbers a record; 0 when not keyed
  } cases[] = {
      {"SELECT * FROM Kunder", 1},
      {"select Id, Navn || 'x' AS n FROM [Kunder] k WHERE Id > 1 ORDER BY 2 DESC LIMIT 2;", 1},
      {"SELECT k.Navn, o.Nr FROM Kunder AS k INNER JOIN Ordrer o ON o.KundeId = k.Id", 2},
      {"SELECT * FROM Kunder, \"Ordrer\" -- a comment\n WHERE Nr > 0", 2},
      {"SELECT *, (SELECT COUNT(*) FROM Ordrer GROUP BY Nr) FROM main.Kunder", 1},
      {"SELECT DISTINCT Navn FROM Kunder", 0},
      {"SELECT Navn FROM Kunder GROUP BY Navn", 0},
      {"SELECT Id FROM Kunder UNION SELECT Nr FROM Ordrer", 0},
      {"SELECT * FROM Kunder LEFT JOIN Ordrer ON KundeId = Id", 0},
      {"SELECT * FROM Kunder NATURAL JOIN Ordrer", 0},
      {"SELECT * FROM (SELECT * FROM Kunder)", 0},
      {"SELECT * FROM Aktive", 0},
      {"SELECT * FROM Par", 0},
      {"SELECT * FROM Skjult", 0},
      {"SELECT Id, row_number() OVER (ORDER BY Id) FROM Kunder", 0},
      {"SELECT * FROM json_each('[1]')", 0},
  };
  for (const auto& c : cases) {
    const auto keys = kb::data::KeysOf(db->Handle(), c.sql);
    EXPECT_EQ(c.keys, keys ? keys->count : 0) << c.sql;
    if (!keys) continue;
    // Both queries the keys give are queries the engine takes.
    for (const std::string& sql : {keys->keys, keys->fetch})
      EXPECT_NO_THROW(kb::data::Statement(db, sql)) << sql;
  }
}

TEST_F(DataLayer, ScrollableRecordsetsGiveTheRowsOfEveryKindOfQuery) {
  Execute(connection_.Get(), L"CREATE TABLE Ordrer (Nr INTEGER, KundeId INTEGER, Antal LONG)");
  Execute(connection_.Get(),
          L"INSERT INTO Ordrer VALUES (10, 1, 2), (11, 1, 5), (12, 3, 1), (13, 9, 4)");
  Execute(connection_.Get(), L"CREATE VIEW Store AS SELECT * FROM Ordrer WHERE Antal > 1");
  Execute(connection_.Get(), L"CREATE TEMP TABLE Midlertidig (x INTEGER)");
  Execute(connection_.Get(), L"INSERT INTO Midlertidig VALUES (5), (6)");
  for (const wchar_t* sql : {
           L"SELECT * FROM Kunder ORDER BY Id",
           L"SELECT Navn, Id * 2 AS Dobbelt FROM Kunder WHERE Id <> 2 ORDER BY 2 DESC",
           L"SELECT TOP 2 Navn FROM Kunder ORDER BY Navn",
           L"SELECT k.Navn, o.Nr, o.Antal FROM Kunder k INNER JOIN Ordrer o ON o.KundeId = k.Id "
           L"ORDER BY o.Nr",
           L"SELECT Navn, Nr FROM Kunder, Ordrer WHERE KundeId = Id ORDER BY Nr DESC;",
           L"SELECT Navn, (SELECT SUM(Antal) FROM Ordrer WHERE KundeId = Id) FROM Kunder "
           L"ORDER BY Id",
           L"SELECT COUNT(*), MAX(Id) FROM Kunder",
           L"SELECT KundeId, SUM(Antal) FROM Ordrer GROUP BY KundeId ORDER BY 1",
           L"SELECT DISTINCT KundeId FROM Ordrer ORDER BY KundeId",
           L"SELECT Id FROM Kunder UNION SELECT Nr FROM Ordrer ORDER BY 1",
           L"SELECT Navn, Nr FROM Kunder LEFT JOIN Ordrer ON KundeId = Id ORDER BY Id, Nr",
           L"SELECT * FROM Store ORDER BY Nr",
           L"SELECT * FROM (SELECT Nr FROM Ordrer) ORDER BY Nr",
           L"SELECT x FROM Midlertidig ORDER BY x",
           L"SELECT * FROM Kunder WHERE 1=2",
       }) {
    SCOPED_TRACE(kb::support::Utf8(sql));
    const std::vector<std::string> expected = Records(Rs(sql).Get());
    EXPECT_FALSE(expected.empty() &&
                 std::wstring_view(sql).find(L"1=2") == std::wstring_view::npos);
    for (long cursor : {1L, 2L, 3L}) {
      ComPtr<IDispatch> rs = Rs(sql, cursor);
      EXPECT_EQ(static_cast<long>(expected.size()), Get(rs.Get(), L"RecordCount").Long());
      EXPECT_EQ(expected, Records(rs.Get()));
      EXPECT_EQ(expected, RecordsBackwards(rs.Get()));
    }
  }
}

TEST_F(DataLayer, ScrollableRecordsetsSeeTheDatabaseAsItWasWhenTheyOpened) {
  ComPtr<IDispatch> other = OpenConnection(file_.Path());
  for (long cursor : {1L, 2L, 3L}) {
    ComPtr<IDispatch> rs = Rs(L"SELECT Id, Navn FROM Kunder ORDER BY Id", cursor, 3);
    EXPECT_EQ(3, Get(rs.Get(), L"CursorType").Long());
    // The open recordset keeps neither this connection nor another from writing.
    Execute(other.Get(), L"UPDATE Kunder SET Navn = 'Ændret' WHERE Id = 2");
    Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id = 3");
    Execute(other.Get(), L"INSERT INTO Kunder (Id, Navn) VALUES (9, 'Ny')");
    const std::vector<std::string> before = {"VT_I4 1|VT_BSTR \"Hansen\"",
                                             "VT_I4 2|VT_BSTR \"Jensen\"",
                                             "VT_I4 3|VT_BSTR \"\xC3\x98rsted\""};
    EXPECT_EQ(3, Get(rs.Get(), L"RecordCount").Long());
    EXPECT_EQ(before, RecordsBackwards(rs.Get()));
    // Its own new records join it.
    ASSERT_TRUE(CallMethod(rs.Get(), L"AddNew", {L"Navn", L"Egen"}).Ok());
    ASSERT_TRUE(CallMethod(rs.Get(), L"Update").Ok());
    EXPECT_EQ(4, Get(rs.Get(), L"RecordCount").Long());
    EXPECT_EQ(L"Egen", FieldValue(rs.Get(), L"Navn").Text());
    ASSERT_TRUE(CallMethod(rs.Get(), L"MovePrevious").Ok());
    EXPECT_EQ(3, FieldValue(rs.Get(), L"Id").Long());
    Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id > 3");
    Execute(connection_.Get(), L"UPDATE Kunder SET Navn = 'Jensen' WHERE Id = 2");
    Execute(connection_.Get(), L"INSERT INTO Kunder (Id, Navn) VALUES (3, 'Ørsted')");
  }
  EXPECT_EQ(L"ok", ScalarText(file_.Path(), L"PRAGMA integrity_check"));
}

TEST_F(DataLayer, ScrollableRecordsetsInsideATransactionSeeItsWork) {
  ASSERT_TRUE(CallMethod(connection_.Get(), L"BeginTrans").Ok());
  Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id = 1");
  ComPtr<IDispatch> rs = Rs(L"SELECT Id FROM Kunder ORDER BY Id", 1);
  ASSERT_TRUE(CallMethod(connection_.Get(), L"RollbackTrans").Ok());
  EXPECT_EQ((std::vector<std::string>{"VT_I4 2", "VT_I4 3"}), RecordsBackwards(rs.Get()));
  EXPECT_EQ(3, Get(Rs(L"SELECT Id FROM Kunder", 1).Get(), L"RecordCount").Long());
}

TEST_F(DataLayer, FieldsByNamePositionDefaultMemberAndForEach) {
  ComPtr<IDispatch> rs = Rs(L"SELECT Id, Navn AS [Kundens navn] FROM Kunder ORDER BY Id");
  ComPtr<IDispatch> fields = Get(rs.Get(), L"Fields").Object();
  EXPECT_EQ(2, Get(fields.Get(), L"Count").Long());
  // rs("kundens NAVN") and rs(0): the recordset's default member is Fields.
  CallResult byName =
      CallId(rs.Get(), DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {L"kundens NAVN"});
  ASSERT_TRUE(byName.Ok()) << byName;
  EXPECT_EQ(L"Hansen", byName.Text());  // a field stands for its value
  EXPECT_EQ(1, CallId(rs.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {0}).Long());
  EXPECT_EQ(L"Kundens navn", Get(Get(fields.Get(), L"Item", {1}).Object().Get(), L"Name").Text());
  for (Arg missing : {Arg(L"Adresse"), Arg(2), Arg(-1)})
    EXPECT_EQ(3265, ErrorOf(CallId(rs.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {missing})));
  HRESULT hr = S_OK;
  std::vector<std::wstring> names;
  for (auto& f : Enumerate(fields.Get(), &hr))
    names.push_back(Get(V_DISPATCH(f.Get()), L"Name").Text());
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ((std::vector<std::wstring>{L"Id", L"Kundens navn"}), names);
  // A field object follows the recordset's current record.
  ComPtr<IDispatch> id = Get(fields.Get(), L"Item", {0}).Object();
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  EXPECT_EQ(2, Get(id.Get(), L"Value").Long());
}

TEST_F(DataLayer, AddNewInsertsOnUpdateWithTheDatabasesDefaults) {
  ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder Where 1=2", 2, 2);
  ASSERT_TRUE(CallMethod(rs.Get(), L"AddNew").Ok());
  EXPECT_FALSE(Get(rs.Get(), L"EOF").Bool());
  ASSERT_TRUE(Put(rs.Get(), L"Fields", L"Ny kunde", {L"Navn"}).Ok());
  ASSERT_TRUE(Put(Get(rs.Get(), L"Fields", {L"Beloeb"}).Object().Get(), L"Value", L"1.5").Ok());
  ASSERT_TRUE(
      Put(Get(rs.Get(), L"Fields", {L"Oprettet"}).Object().Get(), L"Value", L"2024-03-01").Ok());
  EXPECT_EQ(L"Ny kunde", FieldValue(rs.Get(), L"Navn").Text());
  ASSERT_TRUE(CallMethod(rs.Get(), L"Update").Ok());
  EXPECT_EQ(4, Count(file_.Path(), L"Kunder"));
  EXPECT_EQ(7, FieldValue(rs.Get(), L"Antal").Long());  // re-read with the default
  EXPECT_EQ(4, FieldValue(rs.Get(), L"Id").Long());
  EXPECT_EQ(L"2024-03-01",
            ScalarText(file_.Path(), L"SELECT CAST(Oprettet AS TEXT) FROM Kunder WHERE Id = 4"));
}

TEST_F(DataLayer, RejectedRowsLeaveTheDatabaseUnchanged) {
  struct Case {
    const wchar_t* field;
    Arg value;
    long onAssign, onUpdate;
  } cases[] = {
      {L"Antal", L"mange", 3421, 0},
      {L"Oprettet", L"ikke en dato", 3421, 0},
      {L"Navn", L"et navn der er meget længere end tyve tegn", 3421, 0},
      {L"Data", L"tekst", 3421, 0},
      {L"Beloeb", 2.5, 0, kIntegrity},  // Navn NOT NULL is left empty
      {L"Id", 1, 0, kIntegrity},        // a key that exists
  };
  for (auto& c : cases) {
    SCOPED_TRACE(kb::support::Utf8(c.field));
    ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder Where 1=2", 2, 2);
    ASSERT_TRUE(CallMethod(rs.Get(), L"AddNew").Ok());
    if (std::wstring_view(c.field) == L"Id") {
      ASSERT_TRUE(Put(rs.Get(), L"Fields", L"x", {L"Navn"}).Ok());
    }
    EXPECT_EQ(c.onAssign, ErrorOf(Put(rs.Get(), L"Fields", c.value, {c.field})));
    if (c.onUpdate) {
      const CallResult r = CallMethod(rs.Get(), L"Update");
      EXPECT_EQ(c.onUpdate, ErrorOf(r)) << r;
      ASSERT_TRUE(CallMethod(rs.Get(), L"CancelUpdate").Ok());
    }
    EXPECT_EQ(3, Count(file_.Path(), L"Kunder"));
  }
}

TEST_F(DataLayer, OnlyUpdatableRecordsetsAddRecords) {
  EXPECT_EQ(3251, ErrorOf(CallMethod(Rs(L"SELECT * FROM Kunder").Get(), L"AddNew")));
  Execute(connection_.Get(), L"CREATE TABLE Ordrer (Nr INTEGER, KundeId INTEGER)");
  EXPECT_EQ(3251, ErrorOf(CallMethod(
                      Rs(L"SELECT k.Id, o.Nr FROM Kunder k, Ordrer o WHERE 1=2", 2, 2).Get(),
                      L"AddNew")));
  ComPtr<IDispatch> rs = Rs(L"SELECT Id, Navn, Id + 1 AS Next FROM Kunder Where 1=2", 3, 3);
  ASSERT_TRUE(CallMethod(rs.Get(), L"AddNew").Ok());
  EXPECT_EQ(3251, ErrorOf(Put(rs.Get(), L"Fields", 5, {L"Next"})));
  ComPtr<IDispatch> stored = Rs(L"SELECT * FROM Kunder", 3, 3);
  EXPECT_EQ(3251, ErrorOf(Put(stored.Get(), L"Fields", L"Nyt navn", {L"Navn"})));
}

TEST_F(DataLayer, ChunksAppendToLongFieldsAndReadBackInPieces) {
  ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder Where 1=2", 2, 2);
  ASSERT_TRUE(CallMethod(rs.Get(), L"AddNew").Ok());
  ASSERT_TRUE(Put(rs.Get(), L"Fields", L"Chunk", {L"Navn"}).Ok());
  ComPtr<IDispatch> note = Get(rs.Get(), L"Fields", {L"Note"}).Object();
  ASSERT_TRUE(CallMethod(note.Get(), L"AppendChunk", {L"C:\\Pics\\"}).Ok());
  ASSERT_TRUE(CallMethod(note.Get(), L"AppendChunk", {L"a.bmp"}).Ok());
  EXPECT_EQ(3251, ErrorOf(CallMethod(Get(rs.Get(), L"Fields", {L"Navn"}).Object().Get(),
                                     L"AppendChunk", {L"x"})));
  ASSERT_TRUE(CallMethod(rs.Get(), L"Update").Ok());
  EXPECT_EQ(L"C:\\Pics\\a.bmp",
            ScalarText(file_.Path(), L"SELECT Note FROM Kunder WHERE Navn = 'Chunk'"));
  EXPECT_EQ(13, Get(note.Get(), L"ActualSize").Long());
  EXPECT_EQ(0x7FFFFFFF, Get(note.Get(), L"DefinedSize").Long());
  EXPECT_EQ(20, Get(Get(rs.Get(), L"Fields", {L"Navn"}).Object().Get(), L"DefinedSize").Long());
  std::wstring pieces;
  for (CallResult piece;
       (piece = CallMethod(note.Get(), L"GetChunk", {5})).value.Type() == VT_BSTR;)
    pieces += piece.Text() + L"|";
  EXPECT_EQ(L"C:\\Pi|cs\\a.|bmp|", pieces);
}

TEST_F(DataLayer, TransactionsNestAndRollBack) {
  EXPECT_EQ(3219, ErrorOf(CallMethod(connection_.Get(), L"CommitTrans")));
  EXPECT_EQ(1, CallMethod(connection_.Get(), L"BeginTrans").Long());
  Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id = 1");
  EXPECT_EQ(2, CallMethod(connection_.Get(), L"BeginTrans").Long());
  Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id = 2");
  ASSERT_TRUE(CallMethod(connection_.Get(), L"RollbackTrans").Ok());
  ASSERT_TRUE(CallMethod(connection_.Get(), L"CommitTrans").Ok());
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
  ASSERT_TRUE(CallMethod(connection_.Get(), L"BeginTrans").Ok());
  Execute(connection_.Get(), L"DELETE FROM Kunder");
  ASSERT_TRUE(CallMethod(connection_.Get(), L"Close").Ok());  // never committed: undone
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
}

TEST_F(DataLayer, RecordsetsOutliveTheirConnectionAndClosedOnesRefuse) {
  ComPtr<IDispatch> rs = Rs(L"SELECT Navn FROM Kunder ORDER BY Id");
  ComPtr<IDispatch> scroll = Rs(L"SELECT Navn FROM Kunder ORDER BY Id", 3);
  ASSERT_TRUE(CallMethod(connection_.Get(), L"Close").Ok());
  connection_ = nullptr;
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  EXPECT_EQ(L"Jensen", FieldValue(rs.Get(), 0).Text());
  EXPECT_EQ(3, Get(scroll.Get(), L"RecordCount").Long());
  ASSERT_TRUE(CallMethod(rs.Get(), L"Close").Ok());
  for (const wchar_t* member :
       {L"EOF", L"BOF", L"MoveNext", L"MoveFirst", L"Fields", L"RecordCount", L"Close", L"AddNew"})
    EXPECT_EQ(3704, ErrorOf(CallMethod(rs.Get(), member))) << kb::support::Utf8(member);
  EXPECT_EQ(0, Get(rs.Get(), L"State").Long());
  // Read-only properties take no value.
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(rs.Get(), L"EOF", true).hr);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(kb::data::NewConnection().Get(), L"State", 1).hr);
}

TEST_F(DataLayer, TwoConnectionsToOneFileStayConsistent) {
  ComPtr<IDispatch> other = OpenConnection(file_.Path());
  ComPtr<IDispatch> reading = Rs(L"SELECT Id FROM Kunder ORDER BY Id");
  // A recordset being read on one connection leaves the other free to write.
  for (int i = 10; i < 20; ++i)
    Execute(other.Get(),
            L"INSERT INTO Kunder (Id, Navn) VALUES (" + std::to_wstring(i) + L", 'x')");
  long seen = 0;
  while (!Get(reading.Get(), L"EOF").Bool()) {
    ++seen;
    ASSERT_TRUE(CallMethod(reading.Get(), L"MoveNext").Ok());
  }
  EXPECT_EQ(3, seen);  // the reader keeps the rows it started with
  EXPECT_EQ(13, FieldValue(Rs(L"SELECT COUNT(*) FROM Kunder").Get(), 0).Long());
  Execute(connection_.Get(), L"DELETE FROM Kunder WHERE Id >= 15");
  other = nullptr;  // released, not closed
  connection_ = nullptr;
  EXPECT_EQ(8, Count(file_.Path(), L"Kunder"));
  EXPECT_EQ(L"ok", ScalarText(file_.Path(), L"PRAGMA integrity_check"));
}

}  // namespace
