// dB_RsToCSVFile: the file byte for byte, from our recordsets and from any
// other automation recordset, and the message when it fails.
#include <functional>

#include "tests/database/database_test.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/locale_pins.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/window_station.h"

namespace {

using namespace databasetest;
using kb::support::DispatchObject;
using kb::support::Invocation;
using kb::support::MsgBoxRecorder;

constexpr wchar_t kTitle[] = L"Filen er ikke dannet";
constexpr wchar_t kPrefix[] = L"Der er indtruffet en fejl: ";

// A recordset of another data access library, as far as the export reads it.
class ModelField : public DispatchObject {
 public:
  ModelField(std::wstring name, std::function<const VARIANT&()> value) : DispatchObject(L"Field") {
    Property(L"Name", [name](Invocation& c) { c.ReturnText(name); });
    Property(L"Value", [value](Invocation& c) { c.ReturnVariant(value()); });
    SetDefaultMember(L"Value");
  }
};

class ModelRecordset : public DispatchObject {
 public:
  ModelRecordset(std::vector<std::wstring> names, std::vector<std::vector<kb::Variant>> rows,
                 size_t failAtRow)
      : DispatchObject(L"Recordset"), names_(std::move(names)), rows_(std::move(rows)) {
    Property(L"EOF", [this](Invocation& c) { c.ReturnBool(at_ >= rows_.size()); });
    Method(L"MoveNext", {0, 0}, [this, failAtRow](Invocation&) {
      if (++at_ == failAtRow)
        kb::support::RaiseRuntimeError(440, L"Forbindelsen til serveren er tabt");
    });
    Property(L"Fields", [this](Invocation& c) { c.ReturnObject(fields_.Get()); });
    fields_ = kb::support::Make<Fields>(this);
  }

 private:
  class Fields : public DispatchObject {
   public:
    explicit Fields(ModelRecordset* rs) : DispatchObject(L"Fields") {
      Property(L"Count", [rs](Invocation& c) { c.ReturnI4(static_cast<long>(rs->names_.size())); });
      Property(
          L"Item",
          [rs](Invocation& c) {
            const size_t i = static_cast<size_t>(c.Long(0));
            auto field = kb::support::Make<ModelField>(
                rs->names_.at(i),
                [rs, i]() -> const VARIANT& { return *rs->rows_.at(rs->at_)[i].Get(); });
            c.ReturnObject(field.Get());
          },
          {}, 1);
      SetDefaultMember(L"Item");
    }
  };
  std::vector<std::wstring> names_;
  std::vector<std::vector<kb::Variant>> rows_;
  size_t at_ = 0;
  ComPtr<Fields> fields_;
};

class CsvExport : public DataBaseTest {
 protected:
  CallResult Export(IDispatch* rs, const std::wstring& path, const wchar_t* delimiter = nullptr) {
    std::vector<Arg> args{rs, path};
    if (delimiter) args.emplace_back(delimiter);
    return Db(L"dB_RsToCSVFile", std::move(args));
  }
  std::string ExportBytes(const std::wstring& sql, const wchar_t* delimiter = nullptr) {
    MsgBoxRecorder boxes;
    EXPECT_TRUE(Export(Rs(sql).Get(), csv_.Path(), delimiter).Ok());
    EXPECT_EQ(0u, boxes.Count()) << kb::support::Utf8(boxes.Last().text);
    return csv_.Bytes();
  }
  ScratchFile csv_{TestName() + L".csv"};
};

TEST_F(CsvExport, EveryFieldIsQuotedAndEveryLineEndsInCrLf) {
  EXPECT_EQ(std::string("\x22\x41\x22\x2C\x22\x42\x22\x0D\x0A\x22\x31\x22\x2C\x22\x22\x0D\x0A", 17),
            ExportBytes(L"SELECT 1 AS A, NULL AS B"));
}

TEST_F(CsvExport, DelimitersAndTextsGoOutUnchangedInTheAnsiCodePage) {
  struct Case {
    const wchar_t* delimiter;
    std::string expected;
  } cases[] = {
      {L",", "\"Id\",\"Navn\"\r\n\"3\",\"\xD8rsted\"\r\n"},
      {L";", "\"Id\";\"Navn\"\r\n\"3\";\"\xD8rsted\"\r\n"},
      {L"", "\"Id\"\"Navn\"\r\n\"3\"\"\xD8rsted\"\r\n"},
      {L" | ", "\"Id\" | \"Navn\"\r\n\"3\" | \"\xD8rsted\"\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, ExportBytes(L"SELECT Id, Navn FROM Kunder WHERE Id = 3", c.delimiter));
  EXPECT_EQ(
      "\"Tekst\"\r\n\"\xE6\xF8\xE5 \"citat\" \x80 ? a,b\r\nny linje\"\"\r\n",
      ExportBytes(L"SELECT '\u00E6\u00F8\u00E5 \"citat\" \u20AC \u03A9 a,b' || char(13, 10) || "
                  L"'ny linje\"' AS Tekst"));
}

TEST_F(CsvExport, NumbersAndDatesAreWrittenInTheUsersLocale) {
  kb::support::LocalePins pins;
  ASSERT_TRUE(kb::support::LocalePins::PinNumberSeparators());
  const bool danish = PRIMARYLANGID(::GetUserDefaultLCID()) == LANG_DANISH;
  ComPtr<IDispatch> rs = Rs(L"SELECT Oprettet FROM Kunder WHERE Id = 1");
  kb::Variant date = FieldValue(rs.Get(), 0).value, text;
  ASSERT_EQ(VT_DATE, date.Type());
  ::VariantChangeTypeEx(text.Get(), date.Get(), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  const std::string bytes = ExportBytes(L"SELECT Beloeb, Oprettet FROM Kunder WHERE Id = 1", L";");
  EXPECT_EQ(std::string("\"Beloeb\";\"Oprettet\"\r\n\"") + (danish ? "12,5" : "12.5") + "\";\"" +
                kb::support::Utf8(kb::View(V_BSTR(text.Get()))) + "\"\r\n",
            bytes);
}

TEST_F(CsvExport, TheFileStartsAtTheCurrentRecordAndTheRecordsetEndsAtItsEnd) {
  ComPtr<IDispatch> rs = Rs(L"SELECT Id FROM Kunder ORDER BY Id");
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  ASSERT_TRUE(CallMethod(rs.Get(), L"MoveNext").Ok());
  csv_.Write("an older and longer file that must not survive in any part");
  ASSERT_TRUE(Export(rs.Get(), csv_.Path()).Ok());
  EXPECT_EQ("\"Id\"\r\n\"3\"\r\n", csv_.Bytes());
  EXPECT_TRUE(Get(rs.Get(), L"EOF").Bool());
  ASSERT_TRUE(Export(rs.Get(), csv_.Path()).Ok());
  EXPECT_EQ("\"Id\"\r\n", csv_.Bytes());
}

TEST_F(CsvExport, FailuresShowTheMessageAndKeepWhatWasWritten) {
  struct Case {
    std::wstring path;
    ComPtr<IDispatch> rs;
    const wchar_t* description;
    bool fileStays;
  };
  ComPtr<IDispatch> closed = Rs(L"SELECT * FROM Kunder");
  ASSERT_TRUE(CallMethod(closed.Get(), L"Close").Ok());
  std::vector<Case> cases;
  cases.push_back(
      {csv_.Path() + L".missing\\out.csv", Rs(L"SELECT * FROM Kunder"), L"Path not found", false});
  cases.push_back({csv_.Path(), nullptr, L"Object variable or With block variable not set", true});
  cases.push_back({csv_.Path(), closed, nullptr, true});
  for (const auto& c : cases) {
    SCOPED_TRACE(kb::support::Utf8(c.path));
    ::DeleteFileW(c.path.c_str());
    MsgBoxRecorder boxes;
    EXPECT_TRUE(Export(c.rs.Get(), c.path).Ok());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(kTitle, boxes.Last().title);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Last().Style());
    EXPECT_EQ(0u, boxes.Last().text.find(kPrefix));
    if (c.description) EXPECT_EQ(kPrefix + std::wstring(c.description), boxes.Last().text);
    EXPECT_EQ(c.fileStays, ::GetFileAttributesW(c.path.c_str()) != INVALID_FILE_ATTRIBUTES);
    if (c.fileStays) EXPECT_EQ("", csv_.Bytes());
  }
}

TEST_F(CsvExport, NoErrorReachesTheCallerWhereTheBoxCannotBeShown) {
  const std::wstring path = csv_.Path() + L".missing\\out.csv";
  ComPtr<IDispatch> rs = Rs(L"SELECT * FROM Kunder");
  const kb::support::HiddenWindowStation station;
  if (!station.Hidden()) GTEST_SKIP() << "this platform makes every window station visible";
  CallResult r = Export(rs.Get(), path);
  EXPECT_TRUE(r.Ok()) << r;
}

TEST_F(CsvExport, AnyRecordsetGivesTheSameFileAndAFailureLeavesThePartialFile) {
  const std::string own =
      ExportBytes(L"SELECT Id, Navn, Beloeb, Oprettet FROM Kunder ORDER BY Id", L";");
  auto rowsOf = [&] {
    std::vector<std::vector<kb::Variant>> rows;
    ComPtr<IDispatch> rs = Rs(L"SELECT Id, Navn, Beloeb, Oprettet FROM Kunder ORDER BY Id");
    while (!Get(rs.Get(), L"EOF").Bool()) {
      rows.emplace_back();
      for (long i = 0; i < 4; ++i) rows.back().push_back(std::move(FieldValue(rs.Get(), i).value));
      CallMethod(rs.Get(), L"MoveNext");
    }
    return rows;
  };
  const std::vector<std::wstring> names{L"Id", L"Navn", L"Beloeb", L"Oprettet"};
  auto whole = kb::support::Make<ModelRecordset>(names, rowsOf(), 99);
  ASSERT_TRUE(Export(whole.Get(), csv_.Path(), L";").Ok());
  EXPECT_EQ(own, csv_.Bytes());

  auto failing = kb::support::Make<ModelRecordset>(names, rowsOf(), 2);
  MsgBoxRecorder boxes;
  ASSERT_TRUE(Export(failing.Get(), csv_.Path(), L";").Ok());
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ(std::wstring(kPrefix) + L"Forbindelsen til serveren er tabt", boxes.Last().text);
  const size_t thirdLine = own.find("\r\n", own.find("\r\n", own.find("\r\n") + 2) + 2) + 2;
  EXPECT_EQ(own.substr(0, thirdLine), csv_.Bytes());  // the header and two records
}

}  // namespace
