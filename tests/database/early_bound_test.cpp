// Every clsDataBase routine through the vtable, as a compiled client calls
// it: by-reference arguments of the declared types and the result slot.
#include "tests/database/database_test.h"
#include "tests/database/picture_files.h"
#include "tests/support/forms.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/picture_box.h"

namespace {

using namespace databasetest;
using kb::Bstr;

class EarlyBound : public DataBaseTest {};

TEST_F(EarlyBound, EveryRoutineThroughTheVtable) {
  kb::_clsDataBase* db = early_;
  Bstr file(file_.Path()), user(L"admin"), password(L"");
  long slot = 1, zero = 0, cursor = 0, lock = 1, n = 0;
  ASSERT_EQ(S_OK, db->lpVtbl->dB_OpendB(db, file.Ref(), user.Ref(), password.Ref(), &slot));

  Bstr table(L"Kunder"), id(L"Id"), none(L""), where(L"Id < 3");
  ASSERT_EQ(S_OK, db->lpVtbl->dB_SQLMaxPlus(db, table.Ref(), id.Ref(), where.Ref(), &slot, &n));
  EXPECT_EQ(3, n);
  ASSERT_EQ(S_OK, db->lpVtbl->dB_GetSumFromRs(db, table.Ref(), id.Ref(), &slot, &n));
  EXPECT_EQ(6, n);

  Bstr path(L"C:\\Pics\\b.bmp"), note(L"Note");
  ASSERT_EQ(S_OK, db->lpVtbl->dB_SavePictureInRs(db, path.Ref(), table.Ref(), note.Ref(), &slot));
  EXPECT_EQ(L"C:\\Pics\\b.bmp", ScalarText(file_.Path(), L"SELECT Note FROM Kunder WHERE Id = 4"));

  ScratchFile picture(TestName() + L".bmp");
  WriteBitmap(picture.Path(), 5, 4);
  Execute(OpenConnection(file_.Path()).Get(),
          L"UPDATE Kunder SET Note = '" + picture.Path() + L"' WHERE Id = 4");
  kb::support::Form form;
  auto box = form.Add<kb::support::PictureBox>(L"picKunde", kb::support::PictureBoxOptions{});
  IDispatch* boxObject = box.Get();
  Bstr idFour(L"Id = 4");
  ASSERT_EQ(S_OK, db->lpVtbl->dB_GetPictureFromRs(db, &boxObject, table.Ref(), note.Ref(),
                                                  idFour.Ref(), &slot));
  EXPECT_EQ(5, box->PictureSize().cx);

  auto combo = form.Add<kb::support::ComboBox>(L"cboKunder", kb::support::ComboBoxOptions{});
  Bstr names(L"SELECT Navn FROM Kunder WHERE Id <= 3 ORDER BY Id");
  VARIANT comboValue;
  V_VT(&comboValue) = VT_DISPATCH;
  V_DISPATCH(&comboValue) = combo.Get();
  ASSERT_EQ(S_OK, db->lpVtbl->dB_SQLComboText(db, names.Ref(), &comboValue, &slot));
  EXPECT_EQ(3, Get(combo.Get(), L"ListCount").Long());

  VARIANT value;
  V_VT(&value) = VT_NULL;
  Bstr text;
  ASSERT_EQ(S_OK, db->lpVtbl->dB_NotNull(db, &value, text.Out()));
  EXPECT_EQ(L"", text.View());
  EXPECT_NE(nullptr, text.Get());  // an empty text, not a missing one

  ASSERT_EQ(S_OK, db->lpVtbl->dB_DeleteRs(db, table.Ref(), idFour.Ref(), &slot));
  EXPECT_EQ(3, Count(file_.Path(), L"Kunder"));

  ScratchFile written(TestName() + L".csv");
  Bstr sql(L"SELECT Id FROM Kunder WHERE Id = 2"), csv(written.Path()), semicolon(L";");
  ComPtr<IDispatch> rs;
  ASSERT_EQ(S_OK, db->lpVtbl->dB_OpenRs(db, sql.Ref(), &cursor, &lock, &slot, rs.Out()));
  IDispatch* records = rs.Get();
  ASSERT_EQ(S_OK, db->lpVtbl->dB_RsToCSVFile(db, &records, csv.Ref(), semicolon.Ref()));
  EXPECT_EQ(rs.Get(), records);  // the export leaves the caller's variable alone
  EXPECT_EQ("\"Id\"\r\n\"2\"\r\n", written.Bytes());
  records->AddRef();
  ASSERT_EQ(S_OK, db->lpVtbl->dB_CloseRs(db, &records));
  EXPECT_EQ(nullptr, records);

  ASSERT_EQ(S_OK, db->lpVtbl->dB_ClosedB(db, &slot));
  EXPECT_NE(S_OK, db->lpVtbl->dB_ClosedB(db, &slot));  // error 91, checked late bound elsewhere
  ASSERT_EQ(S_OK, db->lpVtbl->dB_ClosedB(db, &zero));
}

}  // namespace
