// Pictures referenced from records: dB_SavePictureInRs and dB_GetPictureFromRs
// with real picture files and the client's picture box.
#include "tests/database/database_test.h"
#include "tests/database/picture_files.h"
#include "tests/support/picture_box.h"

namespace {

using namespace databasetest;
using kb::support::PictureBox;

constexpr long kBadCommand = static_cast<long>(0x80040E14);

class Pictures : public DataBaseTest {
 protected:
  void SetUp() override {
    DataBaseTest::SetUp();
    Execute(
        OpenConnection(file_.Path()).Get(),
        L"CREATE TABLE Billeder (Nr INTEGER PRIMARY KEY, Emne VARCHAR(20) DEFAULT 'x' NOT NULL, "
        L"Sti MEMO, Kort VARCHAR(10))");
    picture_ = form_.Add<PictureBox>(L"picBillede", kb::support::PictureBoxOptions{});
  }
  void Save(const std::wstring& path) {
    const CallResult r = Db(L"dB_SavePictureInRs", {path, L"Billeder", L"Sti"});
    ASSERT_TRUE(r.Ok()) << r;
  }
  CallResult Show(const std::wstring& where, IDispatch* box = nullptr) {
    return Db(L"dB_GetPictureFromRs", {box ? box : picture_.Get(), L"Billeder", L"Sti", where});
  }
  std::wstring Picture(const std::wstring& name) { return file_.Path() + L"." + name; }

  kb::support::Form form_;
  ComPtr<PictureBox> picture_;
  std::vector<std::unique_ptr<ScratchFile>> files_;
};

TEST_F(Pictures, SavingAddsOneRowHoldingThePathAsGiven) {
  Save(L"C:\\Pics\\a.bmp");  // need not exist
  Save(L"relativ\\sti med mellemrum og \u00E6\u00F8\u00E5.gif");
  EXPECT_EQ(2, Count(file_.Path(), L"Billeder"));
  EXPECT_EQ(L"C:\\Pics\\a.bmp", ScalarText(file_.Path(), L"SELECT Sti FROM Billeder WHERE Nr = 1"));
  EXPECT_EQ(L"relativ\\sti med mellemrum og \u00E6\u00F8\u00E5.gif",
            ScalarText(file_.Path(), L"SELECT Sti FROM Billeder WHERE Nr = 2"));
  EXPECT_EQ(L"x", ScalarText(file_.Path(), L"SELECT Emne FROM Billeder WHERE Nr = 1"));
}

TEST_F(Pictures, SavingIntoAFieldThatCannotTakeItStoresNothing) {
  struct Case {
    const wchar_t* table;
    const wchar_t* field;
    long slot, error;
  } cases[] = {
      {L"Billeder", L"Kort", 0, 3251},  // not a long text field
      {L"Billeder", L"Ukendt", 0, 3265},
      {L"Ukendt", L"Sti", 0, kBadCommand},
      {L"Billeder", L"Sti", 4, 9},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.error,
              ErrorOf(Db(L"dB_SavePictureInRs", {L"C:\\a.bmp", c.table, c.field, c.slot})));
  Execute(OpenConnection(file_.Path()).Get(),
          L"CREATE TABLE Streng (Sti MEMO, Krav TEXT NOT NULL)");
  EXPECT_EQ(static_cast<long>(0x80040E2F),
            ErrorOf(Db(L"dB_SavePictureInRs", {L"C:\\a.bmp", L"Streng", L"Sti"})));
  EXPECT_EQ(0, Count(file_.Path(), L"Billeder"));
  EXPECT_EQ(0, Count(file_.Path(), L"Streng"));
}

TEST_F(Pictures, EveryKindOfPictureFileReachesThePictureBox) {
  struct Case {
    const wchar_t* name;
    void (*write)(const std::wstring&);
    SIZE size;
  } cases[] = {
      {L"bmp", [](const std::wstring& p) { WriteBitmap(p, 12, 7); }, {12, 7}},
      {L"ico", [](const std::wstring& p) { WriteIcon(p, 16); }, {16, 16}},
      {L"wmf", [](const std::wstring& p) { WriteMetafile(p, 1440, 720); }, {96, 48}},
      {L"jpg", [](const std::wstring& p) { WriteJpeg(p, 20, 10); }, {20, 10}},
      {L"gif", [](const std::wstring& p) { WriteGif(p); }, {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kb::support::Utf8(c.name));
    files_.push_back(std::make_unique<ScratchFile>(TestName() + L"." + c.name));
    c.write(files_.back()->Path());
    Save(files_.back()->Path());
    const CallResult r = Show(L"Sti LIKE '*." + std::wstring(c.name) + L"'");
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(c.size.cx, picture_->PictureSize().cx);
    EXPECT_EQ(c.size.cy, picture_->PictureSize().cy);
  }
}

TEST_F(Pictures, TheLastMatchingRowsPictureStaysAndNoMatchTouchesNothing) {
  ScratchFile small(TestName() + L".small.bmp"), large(TestName() + L".large.bmp");
  WriteBitmap(small.Path(), 4, 3);
  WriteBitmap(large.Path(), 9, 5);
  Save(small.Path());
  Save(large.Path());
  ASSERT_TRUE(Show(L"Nr IN (1, 2)").Ok());
  EXPECT_EQ(2, picture_->Assignments());
  EXPECT_EQ(9, picture_->PictureSize().cx);
  ASSERT_TRUE(Show(L"Nr = 3").Ok());
  EXPECT_EQ(2, picture_->Assignments());
  // Without rows the picture box is not even looked at.
  EXPECT_TRUE(
      Db(L"dB_GetPictureFromRs", {static_cast<IDispatch*>(nullptr), L"Billeder", L"Sti", L"Nr = 3"})
          .Ok());
  EXPECT_EQ(91, ErrorOf(Db(L"dB_GetPictureFromRs",
                           {static_cast<IDispatch*>(nullptr), L"Billeder", L"Sti", L"Nr = 1"})));
}

TEST_F(Pictures, RowsThatNameNoPictureFail) {
  ScratchFile text(TestName() + L".txt"), bitmap(TestName() + L".bmp");
  text.Write("ikke et billede");
  WriteBitmap(bitmap.Path(), 6, 6);
  Save(bitmap.Path());
  Save(text.Path());
  Save(text.Path() + L".missing");
  Execute(OpenConnection(file_.Path()).Get(), L"INSERT INTO Billeder (Nr) VALUES (9)");
  struct Case {
    const wchar_t* where;
    long error;
  } cases[] = {{L"Nr = 2", 481}, {L"Nr = 3", 53}, {L"Nr = 9", 94}, {L"", kBadCommand}};
  for (const auto& c : cases)
    EXPECT_EQ(c.error, ErrorOf(Show(c.where))) << kb::support::Utf8(c.where);
  // The pictures of earlier rows were assigned before the failing one.
  EXPECT_EQ(481, ErrorOf(Show(L"Nr IN (1, 2)")));
  EXPECT_EQ(6, picture_->PictureSize().cx);
}

}  // namespace
