// dB_RsToCSVFile: a recordset from its current record to its end as a
// delimited text file, every field in quotation marks.
#include <string>

#include "data/data_layer.h"
#include "database/recordsets.h"
#include "database/routines.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/file_numbers.h"
#include "runtime/late_bound.h"
#include "runtime/msgbox.h"
#include "runtime/text.h"
#include "runtime/value_texts.h"

namespace kb::database {
namespace {

constexpr wchar_t kFailurePrefix[] = L"Der er indtruffet en fejl: ";
constexpr wchar_t kFailureTitle[] = L"Filen er ikke dannet";

// Any recordset, read through its automation members.
class LateBoundRows : public data::RowSource {
 public:
  explicit LateBoundRows(IDispatch* rs) : rs_(rs) {}
  bool AtEnd() override { return database::AtEnd(rs_); }
  long FieldCount() override {
    const Variant fields = rt::Get(rs_, L"Fields");
    return rt::GetLong(rt::ObjectOf(*fields.Get()).Get(), L"Count");
  }
  Bstr FieldName(long index) override {
    return rt::GetText(FieldOf(rs_, *rt::FromLong(index).Get()).Get(), L"Name");
  }
  Variant FieldValue(long index) override {
    return database::FieldValue(rs_, *rt::FromLong(index).Get());
  }
  void MoveNext() override { database::MoveNext(rs_); }

 private:
  IDispatch* rs_;
};

// Field positions run in a 16-bit counter, as far as the field count goes.
short LastPosition(data::RowSource& rows) {
  return rt::CInt(static_cast<double>(rows.FieldCount()) - 1);
}

void AppendName(std::wstring& line, std::wstring_view name, std::wstring_view delimiter) {
  if (!line.empty()) line += delimiter;
  line += L'"';
  line += name;
  line += L'"';
}

// A Null value gives an empty field.
void AppendValue(std::wstring& line, const VARIANT& value, std::wstring_view delimiter,
                 rt::ValueTexts& texts) {
  if (!line.empty()) line += delimiter;
  line += L'"';
  if (V_VT(&value) != VT_NULL) texts.Append(value, line);
  line += L'"';
}

void Export(data::RowSource& rows, short file, std::wstring_view delimiter) {
  std::wstring line;
  for (short i = 0, last = LastPosition(rows); i <= last; i = rt::Add16(i, 1)) {
    AppendName(line, rows.FieldName(i).View(), delimiter);
    if (i == last) break;
  }
  rt::PrintLine(file, line);
  rt::ValueTexts texts;
  while (!rows.AtEnd()) {
    line.clear();
    for (short i = 0, last = LastPosition(rows); i <= last; i = rt::Add16(i, 1)) {
      AppendValue(line, *rows.FieldValue(i).Get(), delimiter, texts);
      if (i == last) break;
    }
    rt::PrintLine(file, line);
    rows.MoveNext();
  }
}

}  // namespace

void RsToCSVFile(frame::DataBase&, IDispatch** rs, BSTR* FileName, BSTR* Delimiter) {
  try {
    rt::OpenedFile output(View(*FileName), rt::FileMode::Output, rt::FreeFile());
    const short file = output.Number();
    IDispatch* recordset = rt::Require(rs);
    if (data::RowSource* own = data::RowsOf(recordset)) {
      Export(*own, file, View(*Delimiter));
    } else if (const auto early = data::EarlyBoundRowsOf(recordset)) {
      Export(*early, file, View(*Delimiter));
    } else {
      LateBoundRows rows(recordset);
      Export(rows, file, View(*Delimiter));
    }
    output.Close();
  } catch (...) {
    // What was written stays in the file; the file itself was closed on the way out.
    const Error e = CurrentError();
    // The export never fails towards its caller, not even where the box
    // itself cannot be shown (no interactive desktop).
    try {
      rt::MsgBox(kFailurePrefix + e.Description(), MB_OK, kFailureTitle);
    } catch (...) {
    }
  }
}

}  // namespace kb::database
