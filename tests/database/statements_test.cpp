// The SQL statement helpers: dB_SQLMaxPlus, dB_GetSumFromRs, dB_DeleteRs,
// dB_SQLComboText, dB_NotNull.
#include "tests/database/database_test.h"
#include "tests/support/forms.h"
#include "tests/support/locale_pins.h"

namespace {

using namespace databasetest;
using kb::support::VNull;

constexpr long kBadCommand = static_cast<long>(0x80040E14);

class Statements : public DataBaseTest {
 protected:
  void Numbers(const std::vector<std::wstring>& values) {
    ComPtr<IDispatch> connection = OpenConnection(file_.Path());
    Execute(connection.Get(), L"CREATE TABLE Tal (Nr INTEGER, V, Gruppe INTEGER)");
    for (const auto& v : values)
      Execute(connection.Get(),
              L"INSERT INTO Tal (Nr, V, Gruppe) VALUES (" + v + L", " + v + L", 1)");
  }
};

TEST_F(Statements, SqlMaxPlusIsTheNextFreeNumber) {
  struct Case {
    std::vector<std::wstring> rows;
    const wchar_t* field;
    const wchar_t* where;
    long result, error;
  } cases[] = {
      {{}, L"Nr", L"", 1, 0},
      {{L"7", L"41", L"NULL"}, L"Nr", L"", 42, 0},
      {{L"7", L"41"}, L"Nr", L"Nr < 10", 8, 0},
      {{L"7", L"41"}, L"Nr", L"Gruppe = 2", 1, 0},
      {{L"'41'"}, L"V", L"", 42, 0},  // a text that reads as a number
      {{L"'abc'"}, L"V", L"", 0, 13},
      {{L"1.5"}, L"V", L"", 2, 0},  // 2.5 goes to the even neighbour
      {{L"2.5"}, L"V", L"", 4, 0},  // 3.5 as well
      {{L"2147483647"}, L"Nr", L"", 0, 6},
      {{L"NULL"}, L"Nr", L"", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.result << " " << c.error);
    Numbers(c.rows);
    const CallResult r = Db(L"dB_SQLMaxPlus", {L"Tal", c.field, c.where});
    EXPECT_EQ(c.error, ErrorOf(r)) << r;
    if (r.Ok()) EXPECT_EQ(c.result, r.Long());
    Execute(OpenConnection(file_.Path()).Get(), L"DROP TABLE Tal");
  }
  EXPECT_EQ(4, Db(L"dB_SQLMaxPlus", {L"Kunder", L"Id"}).Long());
  EXPECT_EQ(kBadCommand, ErrorOf(Db(L"dB_SQLMaxPlus", {L"Kunder", L"Id", L"Nr ="})));
  EXPECT_EQ(9, ErrorOf(Db(L"dB_SQLMaxPlus", {L"Kunder", L"Id", L"", 1})));
}

TEST_F(Statements, SumFromRsAddsAColumnAndFailsOnANullSum) {
  Numbers({L"2", L"3", L"5"});
  EXPECT_EQ(10, Db(L"dB_GetSumFromRs", {L"Tal", L"Nr"}).Long());
  EXPECT_EQ(54, Db(L"dB_GetSumFromRs", {L"Kunder", L"Beloeb"}).Long());  // 53.5 to even
  Execute(OpenConnection(file_.Path()).Get(), L"UPDATE Tal SET V = NULL");
  EXPECT_EQ(94, ErrorOf(Db(L"dB_GetSumFromRs", {L"Tal", L"V"})));
  Execute(OpenConnection(file_.Path()).Get(), L"DELETE FROM Tal");
  EXPECT_EQ(94, ErrorOf(Db(L"dB_GetSumFromRs", {L"Tal", L"Nr"})));
  EXPECT_EQ(kBadCommand, ErrorOf(Db(L"dB_GetSumFromRs", {L"Ingen", L"Nr"})));
}

TEST_F(Statements, DeleteRsDeletesInATransactionThatAFailureEnds) {
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder", L"Navn = 'Jensen'"}).Ok());
  EXPECT_EQ(2, Count(file_.Path(), L"Kunder"));
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder", L"Id = 99"}).Ok());
  const CallResult bad = Db(L"dB_DeleteRs", {L"Kunder", L"Ukendt = 1"});
  EXPECT_EQ(kBadCommand, ErrorOf(bad));
  EXPECT_NE(std::wstring::npos, bad.description.find(L"Ukendt")) << bad;
  // Left open, the failed transaction would swallow this delete: other
  // connections would never see it.
  ASSERT_TRUE(Db(L"dB_DeleteRs", {L"Kunder"}).Ok());
  EXPECT_EQ(0, Count(file_.Path(), L"Kunder"));
  ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path(), L"admin", L"", 2}).Ok());
  ASSERT_TRUE(Db(L"dB_ClosedB", {2}).Ok());
  EXPECT_EQ(91, ErrorOf(Db(L"dB_DeleteRs", {L"Kunder", L"", 2})));
  EXPECT_EQ(9, ErrorOf(Db(L"dB_DeleteRs", {L"Kunder", L"", 3})));
}

TEST_F(Statements, SqlComboTextFillsAComboOrListBoxWithTheFirstColumn) {
  kb::support::Form form;
  auto combo = form.Add<kb::support::ComboBox>(L"cboKunder", kb::support::ComboBoxOptions{});
  auto list = form.AddListBox(L"lstKunder", {.sorted = true});
  for (IDispatch* box :
       {static_cast<IDispatch*>(combo.Get()), static_cast<IDispatch*>(list.Get())}) {
    ASSERT_TRUE(CallMethod(box, L"AddItem", {L"gammel"}).Ok());
    ASSERT_TRUE(
        Db(L"dB_SQLComboText", {L"SELECT Navn, Id FROM Kunder ORDER BY Id DESC", box}).Ok());
    std::vector<std::wstring> items;
    const long n = Get(box, L"ListCount").Long();
    for (long i = 0; i < n; ++i) items.push_back(Get(box, L"List", {i}).Text());
    const bool sorted = box == list.Get();
    EXPECT_EQ(sorted ? (std::vector<std::wstring>{L"Hansen", L"Jensen", L"\u00D8rsted"})
                     : (std::vector<std::wstring>{L"\u00D8rsted", L"Jensen", L"Hansen"}),
              items);
    ASSERT_TRUE(Db(L"dB_SQLComboText", {L"SELECT Navn FROM Kunder WHERE 1=2", box}).Ok());
    EXPECT_EQ(0, Get(box, L"ListCount").Long());
    // A Null first column fails at its row; the rows before it stay.
    EXPECT_EQ(13,
              ErrorOf(Db(L"dB_SQLComboText", {L"SELECT Note FROM Kunder ORDER BY Id DESC", box})));
    EXPECT_EQ(0, Get(box, L"ListCount").Long());
    EXPECT_EQ(
        13, ErrorOf(Db(L"dB_SQLComboText", {L"SELECT Note FROM Kunder ORDER BY Note DESC", box})));
    EXPECT_EQ(1, Get(box, L"ListCount").Long());
  }
  EXPECT_EQ(424, ErrorOf(Db(L"dB_SQLComboText", {L"SELECT Navn FROM Kunder", L"cboKunder"})));
  EXPECT_EQ(91, ErrorOf(Db(L"dB_SQLComboText",
                           {L"SELECT Navn FROM Kunder", static_cast<IDispatch*>(nullptr)})));
  auto label = form.AddLabel(L"lblKunde");
  EXPECT_EQ(438, ErrorOf(Db(L"dB_SQLComboText", {L"SELECT Navn FROM Kunder", label.Get()})));
}

TEST_F(Statements, NotNullGivesTextForAnyValue) {
  kb::support::LocalePins pins;
  ASSERT_TRUE(kb::support::LocalePins::PinNumberSeparators());
  SYSTEMTIME st{2024, 1, 0, 31, 0, 0, 0, 0};
  DATE date = 0;
  ::SystemTimeToVariantTime(&st, &date);
  VARIANT dateValue;
  V_VT(&dateValue) = VT_DATE;
  V_DATE(&dateValue) = date;
  kb::Variant dateText;
  ::VariantChangeTypeEx(dateText.Get(), &dateValue, LOCALE_USER_DEFAULT, 0, VT_BSTR);
  const bool danish = PRIMARYLANGID(::GetUserDefaultLCID()) == LANG_DANISH;
  struct Case {
    Arg value;
    std::wstring text;
    long error;
  } cases[] = {
      {Arg::ByVal(VNull()), L"", 0},
      {7, L"7", 0},
      {L"", L"", 0},
      {Arg::ByVal(kb::Variant()), L"", 0},
      {2.5, danish ? L"2,5" : L"2.5", 0},
      {Arg::ByVal(dateValue), std::wstring(kb::View(V_BSTR(dateText.Get()))), 0},
      {L"\u00E6\u00F8\u00E5", L"\u00E6\u00F8\u00E5", 0},
  };
  for (auto& c : cases) {
    const CallResult r = Db(L"dB_NotNull", {c.value});
    EXPECT_EQ(c.error, ErrorOf(r)) << r;
    EXPECT_EQ(c.text, r.Text());
  }
  ComPtr<IDispatch> rs = Rs(L"SELECT Beloeb, Note FROM Kunder WHERE Id = 1");
  ComPtr<IDispatch> fields = Get(rs.Get(), L"Fields").Object();
  EXPECT_EQ(danish ? L"12,5" : L"12.5",
            Db(L"dB_NotNull", {Get(fields.Get(), L"Item", {0}).Object().Get()}).Text());
  EXPECT_EQ(L"", Db(L"dB_NotNull", {Get(fields.Get(), L"Item", {1}).Object().Get()}).Text());
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT arrayValue;
  V_VT(&arrayValue) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&arrayValue) = array;
  EXPECT_EQ(13, ErrorOf(Db(L"dB_NotNull", {Arg::ByVal(arrayValue)})));
  ::VariantClear(&arrayValue);
}

}  // namespace
