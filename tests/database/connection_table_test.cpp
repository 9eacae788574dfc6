// The per-thread connection table: dB_OpendB, dB_OpenRs, dB_CloseRs, dB_ClosedB.
#include <thread>

#include "tests/database/database_test.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/msgbox_recorder.h"

namespace {

using namespace databasetest;
using kb::support::MsgBoxRecorder;

constexpr long kGeneric = static_cast<long>(0x80004005);
constexpr wchar_t kOpenFailedTitle[] = L"Fejl under \u00E5bningen af dBfilen";

class ConnectionTable : public DataBaseTest {
 protected:
  // The connection object in a slot, seen through a recordset opened on it.
  ComPtr<IUnknown> ConnectionIn(long slot) {
    ComPtr<IDispatch> rs = Rs(L"SELECT 1", slot);
    if (!rs) return nullptr;
    return Get(rs.Get(), L"ActiveConnection").Object().As<IUnknown>(IID_IUnknown);
  }
  long OpenRsError(long slot) { return ErrorOf(Db(L"dB_OpenRs", {L"SELECT 1", 0, 1, slot})); }
};

TEST_F(ConnectionTable, OnlyAFileNameOpensSlotZeroForOpenRsWithOnlySql) {
  ComPtr<IDispatch> rs = Rs(L"SELECT Navn FROM Kunder ORDER BY Id");
  EXPECT_EQ(L"Hansen", FieldValue(rs.Get(), 0).Text());
  // Early bound, as a compiled client calls: the same table, the same slot.
  kb::Bstr sql(L"SELECT COUNT(*) FROM Kunder");
  long cursor = 3, lock = 1, slot = 0;
  ComPtr<IDispatch> counted;
  ASSERT_EQ(S_OK,
            early_->lpVtbl->dB_OpenRs(early_, sql.Ref(), &cursor, &lock, &slot, counted.Out()));
  EXPECT_EQ(3, FieldValue(counted.Get(), 0).Long());
  EXPECT_EQ(1, Get(counted.Get(), L"RecordCount").Long());
}

TEST_F(ConnectionTable, OpeningASlotKeepsLowerSlotsAndDropsHigherOnes) {
  for (long slot : {1L, 2L})
    ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", slot}).Ok());
  const ComPtr<IUnknown> zero = ConnectionIn(0), one = ConnectionIn(1);
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 1}).Ok());
  EXPECT_EQ(9, OpenRsError(2));
  EXPECT_EQ(zero.Get(), ConnectionIn(0).Get());
  const ComPtr<IUnknown> newOne = ConnectionIn(1);
  ASSERT_TRUE(newOne);
  EXPECT_NE(one.Get(), newOne.Get());
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path()}).Ok());
  EXPECT_EQ(9, OpenRsError(1));
}

TEST_F(ConnectionTable, SlotsBelowTheOpenedOneStartEmpty) {
  // A thread of its own starts without a table.
  std::thread fresh([&] {
    kb::support::Apartment apartment;
    ComPtr<IDispatch> db = kb::support::CreateLibraryObject(L"Kitbag.clsDataBase");
    auto call = [&](const wchar_t* routine, std::vector<Arg> args) {
      return ErrorOf(CallMethod(db.Get(), routine, std::move(args)));
    };
    EXPECT_EQ(9, call(L"dB_OpenRs", {L"SELECT 1", 0, 1}));
    EXPECT_EQ(9, call(L"dB_ClosedB", {}));
    EXPECT_EQ(0, call(L"dB_OpendB", {file_.Path(), L"admin", L"", 5}));
    EXPECT_EQ(3709, call(L"dB_OpenRs", {L"SELECT 1", 0, 1, 3}));
    EXPECT_EQ(91, call(L"dB_ClosedB", {3}));
    EXPECT_EQ(9, call(L"dB_ClosedB", {6}));
    EXPECT_EQ(0, call(L"dB_OpenRs", {L"SELECT 1", 0, 1, 5}));
    EXPECT_EQ(0, call(L"dB_OpendB", {park_.Path()}));
    EXPECT_EQ(0, call(L"dB_ClosedB", {}));
  });
  fresh.join();
  // This thread's table was not touched.
  EXPECT_EQ(9, OpenRsError(1));
  EXPECT_EQ(L"Hansen", FieldValue(Rs(L"SELECT Navn FROM Kunder WHERE Id = 1").Get(), 0).Text());
}

TEST_F(ConnectionTable, AFileNoProviderOpensShowsOneMessageAndEmptiesTheSlot) {
  ScratchFile text(TestName() + L".txt");
  text.Write(std::string(200, 'x'));
  for (const std::wstring& name : {file_.Path() + L".missing", text.Path()}) {
    MsgBoxRecorder boxes;
    ASSERT_TRUE(Db(L"dB_OpendB", {name}).Ok());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(kOpenFailedTitle, boxes.Last().title);
    EXPECT_NE(std::wstring::npos, boxes.Last().text.find(name))
        << kb::support::Utf8(boxes.Last().text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONHAND), boxes.Last().Style());
    EXPECT_EQ(3709, OpenRsError(0));  // the empty slot goes to the recordset as Nothing
    EXPECT_EQ(91, ErrorOf(Db(L"dB_ClosedB")));
  }
}

TEST_F(ConnectionTable, AnotherFirstFailureLeavesTheUnopenedConnectionWithoutAMessage) {
  MsgBoxRecorder boxes;
  ASSERT_TRUE(Db(L"dB_OpendB", {L"Provider=SQLOLEDB;Data Source=" + file_.Path()}).Ok());
  EXPECT_EQ(0u, boxes.Count());
  EXPECT_EQ(3704, OpenRsError(0));
  EXPECT_EQ(3704, ErrorOf(Db(L"dB_ClosedB")));
  EXPECT_EQ(3704, ErrorOf(Db(L"dB_ClosedB")));  // the slot keeps that connection
}

TEST_F(ConnectionTable, ANegativeOrImpossibleSlotChangesNothing) {
  MsgBoxRecorder boxes;
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", -1}).Ok());
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 2147483647L}).Ok());
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path() + L".missing", L"admin", L"", -3}).Ok());
  EXPECT_EQ(0u, boxes.Count());
  EXPECT_EQ(9, OpenRsError(-1));
  EXPECT_EQ(9, OpenRsError(1));
  EXPECT_EQ(0, OpenRsError(0));
}

TEST_F(ConnectionTable, ClosingASlotTwiceFailsAndKeepsTheTable) {
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 1}).Ok());
  ASSERT_TRUE(Db(L"dB_ClosedB", {1}).Ok());
  EXPECT_EQ(91, ErrorOf(Db(L"dB_ClosedB", {1})));
  EXPECT_EQ(3709, OpenRsError(1));
  EXPECT_EQ(0, OpenRsError(0));
}

TEST_F(ConnectionTable, CloseRsSurvivesAVariableClearedByTheRecordsetsClose) {
  // A recordset whose Close reaches code that clears the caller's variable,
  // the last reference to it.
  struct Recordset : kb::support::DispatchObject {
    IDispatch** variable = nullptr;
    bool closed = false;
    Recordset() : DispatchObject(L"Recordset") {
      Method(L"Close", {0, 0}, [this](kb::support::Invocation&) {
        closed = true;
        if (IDispatch* last = std::exchange(*variable, nullptr)) last->Release();
      });
    }
  };
  auto* rs = new Recordset;
  IDispatch* variable = rs->Disp();
  rs->variable = &variable;
  EXPECT_EQ(S_OK, early_->lpVtbl->dB_CloseRs(early_, &variable));
  EXPECT_EQ(nullptr, variable);
}

TEST_F(ConnectionTable, CloseRsSetsTheCallersVariableToNothing) {
  // Early bound: the caller's pointer.
  ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder");
  IDispatch* variable = rs.Get();
  variable->AddRef();
  ASSERT_EQ(S_OK, early_->lpVtbl->dB_CloseRs(early_, &variable));
  EXPECT_EQ(nullptr, variable);
  EXPECT_EQ(0, Get(rs.Get(), L"State").Long());
  // Again on the closed recordset: its own error, the variable untouched.
  variable = rs.Get();
  EXPECT_NE(S_OK, early_->lpVtbl->dB_CloseRs(early_, &variable));
  EXPECT_EQ(rs.Get(), variable);
  EXPECT_EQ(3704, ErrorOf(Db(L"dB_CloseRs", {rs.Get()})));
  // Late bound with a script's variable.
  VARIANT script;
  V_VT(&script) = VT_DISPATCH;
  V_DISPATCH(&script) = Rs(L"SELECT * FROM Kunder").Detach();
  ASSERT_TRUE(Db(L"dB_CloseRs", {Arg::ByRef(&script)}).Ok());
  EXPECT_EQ(VT_DISPATCH, V_VT(&script));
  EXPECT_EQ(nullptr, V_DISPATCH(&script));
  EXPECT_EQ(91, ErrorOf(Db(L"dB_CloseRs", {Arg::ByRef(&script)})));
  ::VariantClear(&script);
}

TEST_F(ConnectionTable, RecordsetsStayUsableAfterTheirSlotIsEmptiedOrDropped) {
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 1}).Ok());
  ComPtr<IDispatch> fromZero = Rs(L"SELECT Navn FROM Kunder ORDER BY Id", 0);
  ComPtr<IDispatch> fromOne = Rs(L"SELECT Navn FROM Kunder ORDER BY Id DESC", 1);
  ASSERT_TRUE(Db(L"dB_ClosedB", {0}).Ok());
  ASSERT_TRUE(Db(L"dB_OpendB", {park_.Path()}).Ok());  // drops slot 1
  ASSERT_TRUE(CallMethod(fromZero.Get(), L"MoveNext").Ok());
  EXPECT_EQ(L"Jensen", FieldValue(fromZero.Get(), 0).Text());
  EXPECT_EQ(L"\u00D8rsted", FieldValue(fromOne.Get(), 0).Text());
}

TEST_F(ConnectionTable, WorkCommittedOnADroppedConnectionIsKept) {
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 2}).Ok());
  ASSERT_TRUE(Db(L"dB_SavePictureInRs", {L"C:\\Pics\\a.bmp", L"Kunder", L"Note", 2}).Ok());
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder", L"Id = 1", 2}).Ok());
  ComPtr<IDispatch> connection = Get(Rs(L"SELECT 1", 2).Get(), L"ActiveConnection").Object();
  ASSERT_TRUE(
      CallMethod(connection.Get(), L"Execute", {L"UPDATE Kunder SET Navn = 'Nyt' WHERE Id = 2"})
          .Ok());
  connection = nullptr;
  ASSERT_TRUE(Db(L"dB_OpendB", {park_.Path()}).Ok());
  EXPECT_EQ(3, Count(file_.Path(), L"Kunder"));
  EXPECT_EQ(L"Nyt", ScalarText(file_.Path(), L"SELECT Navn FROM Kunder WHERE Id = 2"));
  EXPECT_EQ(L"C:\\Pics\\a.bmp", ScalarText(file_.Path(), L"SELECT Note FROM Kunder WHERE Id = 4"));
}

TEST(DataLayerLifetime, ObjectsKeptPastTheLastClassObjectKeepTheLibraryLoaded) {
  kb::support::Apartment apartment;
  ScratchFile file(L"lifetime.db");
  MakeDatabase(file.Path(), kCustomers);
  ComPtr<IDispatch> rs, field;
  ComPtr<IEnumVARIANT> fields;
  {
    ComPtr<IDispatch> db = kb::support::CreateLibraryObject(L"Kitbag.clsDataBase");
    ASSERT_TRUE(CallMethod(db.Get(), L"dB_OpendB", {file.Path()}).Ok());
    CallResult opened =
        CallMethod(db.Get(), L"dB_OpenRs", {L"SELECT Navn FROM Kunder ORDER BY Id", 3, 1});
    ASSERT_TRUE(opened.Ok()) << opened;
    rs = opened.Object();
    ComPtr<IDispatch> all = Get(rs.Get(), L"Fields").Object();
    field = CallMethod(all.Get(), L"Item", {0}).Object();
    kb::Variant e;
    DISPPARAMS none{};
    ASSERT_EQ(S_OK, all->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, e.Get(), nullptr,
                                nullptr));
    ASSERT_EQ(S_OK, V_UNKNOWN(e.Get())->QueryInterface(IID_IEnumVARIANT,
                                                       reinterpret_cast<void**>(fields.Out())));
  }
  // Every object of the classes is gone; the host frees what it may.
  ::CoFreeUnusedLibraries();
  ASSERT_NE(nullptr, ::GetModuleHandleW(L"Kitbag.dll")) << "unloaded under live objects";
  EXPECT_EQ(L"Hansen", Get(field.Get(), L"Value").Text());
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  EXPECT_EQ(L"Jensen", Get(field.Get(), L"Value").Text());
  VARIANT first;
  ULONG fetched = 0;
  EXPECT_EQ(S_OK, fields->Next(1, &first, &fetched));
  EXPECT_EQ(1u, fetched);
  ::VariantClear(&first);
}

TEST_F(ConnectionTable, TwoThreadsHaveTwoTables) {
  ScratchFile other(TestName() + L".other.db");
  MakeDatabase(other.Path(), {L"CREATE TABLE Kunder (Id INTEGER, Navn TEXT)",
                              L"INSERT INTO Kunder VALUES (1, 'Anden tr\u00E5d')"});
  std::wstring seen;
  std::thread second([&] {
    kb::support::Apartment apartment;
    ComPtr<IDispatch> db = kb::support::CreateLibraryObject(L"Kitbag.clsDataBase");
    EXPECT_TRUE(CallMethod(db.Get(), L"dB_OpendB", {other.Path()}).Ok());
    CallResult rs = CallMethod(db.Get(), L"dB_OpenRs", {L"SELECT Navn FROM Kunder", 0, 1});
    if (rs.Ok()) seen = FieldValue(rs.Object().Get(), 0).Text();
    // Both threads write to their files at the same time.
    EXPECT_TRUE(CallMethod(db.Get(), L"dB_DeleteRs", {L"Kunder"}).Ok());
    rs = CallMethod(db.Get(), L"dB_OpendB", {park_.Path()});
  });
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder", L"Id > 2"}).Ok());
  second.join();
  EXPECT_EQ(L"Anden tr\u00E5d", seen);
  EXPECT_EQ(L"Hansen", FieldValue(Rs(L"SELECT Navn FROM Kunder WHERE Id = 1").Get(), 0).Text());
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
  EXPECT_EQ(0, Count(other.Path(), L"Kunder"));
}

}  // namespace
