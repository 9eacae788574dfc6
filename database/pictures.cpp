// Pictures referenced from records: dB_SavePictureInRs, dB_GetPictureFromRs.
// The records hold the paths of picture files; the files stay on disk.
#include <string>

#include "database/recordsets.h"
#include "database/routines.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace kb::database {
void SavePictureInRs(frame::DataBase& self, BSTR* PicFileName, BSTR* TableName, BSTR* FieldName,
                     long* ConNumber) {
  const std::wstring sql = L"SELECT * FROM " + std::wstring(View(*TableName)) + L" Where 1=2";
  const ComPtr<IDispatch> rs = OwnOpenRs(self, sql, kDynamic, kPessimistic, ConNumber);
  rt::Call(rs.Get(), L"AddNew");
  const ComPtr<IDispatch> field = FieldOf(rs.Get(), *rt::FromText(View(*FieldName)).Get());
  rt::Call(field.Get(), L"AppendChunk", {*rt::FromText(View(*PicFileName)).Get()});
  rt::Call(rs.Get(), L"Update");
}

void GetPictureFromRs(frame::DataBase& self, IDispatch** PicBox, BSTR* Table, BSTR* Field,
                      BSTR* Where, long* ConNumber) {
  const std::wstring sql = L"SELECT " + std::wstring(View(*Field)) + L" FROM " +
                           std::wstring(View(*Table)) + L" WHERE " + std::wstring(View(*Where));
  ComPtr<IDispatch> rs = OwnOpenRs(self, sql, kForwardOnly, kReadOnly, ConNumber);
  const Variant name = rt::FromText(View(*Field));
  while (!AtEnd(rs.Get())) {
    const Bstr path = rt::ToText(*rt::ValueOf(*FieldValue(rs.Get(), *name.Get()).Get()).Get());
    const ComPtr<IDispatch> picture = rt::LoadPicture(path.View());
    rt::PutValue(rt::Require(PicBox), *ObjectValue(picture.Get()).Get());
    MoveNext(rs.Get());
  }
  OwnCloseRs(self, std::move(rs));
}

}  // namespace kb::database
