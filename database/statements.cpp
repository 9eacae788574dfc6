// SQL statement helpers: dB_SQLMaxPlus, dB_GetSumFromRs, dB_DeleteRs,
// dB_SQLComboText, dB_NotNull.
#include <string>

#include "database/recordsets.h"
#include "database/routines.h"
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::database {
namespace {

std::wstring Joined(std::initializer_list<std::wstring_view> parts) {
  std::wstring out;
  for (auto p : parts) out += p;
  return out;
}

// Calls a member of the connection in a slot, looked up afresh; an empty slot
// is an object variable that is not set.
void OnConnection(long slot, std::wstring_view member, std::initializer_list<VARIANT> args = {}) {
  const ComPtr<IDispatch> connection = SlotConnection(slot);
  if (!connection) Raise(kErrObjectNotSet);
  rt::Call(connection.Get(), member, args);
}

Variant Missing() {
  Variant v;
  V_VT(v.Get()) = VT_ERROR;
  V_ERROR(v.Get()) = DISP_E_PARAMNOTFOUND;
  return v;
}

}  // namespace

long SQLMaxPlus(frame::DataBase&, BSTR* Table, BSTR* Field, BSTR* Where, long* ConNumber) {
  std::wstring sql = Joined({L"SELECT MAX(", View(*Field), L") FROM ", View(*Table)});
  if (!View(*Where).empty()) sql += Joined({L" WHERE ", View(*Where)});
  const ComPtr<IDispatch> rs = OpenRecordset(sql, kForwardOnly, kReadOnly, *ConNumber);
  const Variant value = rt::ValueOf(*FieldValue(rs.Get(), *rt::FromLong(0).Get()).Get());
  if (value.Type() == VT_NULL) return 1;
  Variant next;
  rt::CheckAutomation(
      ::VarAdd(const_cast<VARIANT*>(value.Get()), rt::FromLong(1).Get(), next.Get()));
  return rt::ToLong(*next.Get());
}

long GetSumFromRs(frame::DataBase& self, BSTR* Table, BSTR* Field, long* ConNumber) {
  const std::wstring sql =
      Joined({L"SELECT SUM(", View(*Field), L") AS[NumField] FROM ", View(*Table)});
  ComPtr<IDispatch> rs = OpenRecordset(sql, kForwardOnly, kReadOnly, *ConNumber);
  const long sum = rt::ToLong(*FieldValue(rs.Get(), *rt::FromText(L"NumField").Get()).Get());
  OwnCloseRs(self, std::move(rs));
  return sum;
}

void DeleteRs(frame::DataBase&, BSTR* Table, BSTR* Where, long* ConNumber) {
  std::wstring sql = Joined({L"DELETE * FROM ", View(*Table)});
  if (!View(*Where).empty()) sql += Joined({L" Where ", View(*Where)});
  const long slot = *ConNumber;
  OnConnection(slot, L"BeginTrans");
  try {
    OnConnection(slot, L"Execute",
                 {*rt::FromText(sql).Get(), *Missing().Get(), *rt::FromLong(kUnspecified).Get()});
  } catch (...) {
    // A failed statement leaves no transaction open behind it.
    try {
      OnConnection(slot, L"RollbackTrans");
    } catch (...) {
      // The statement's own error is the one the caller needs.
    }
    throw;
  }
  OnConnection(slot, L"CommitTrans");
}

void SQLComboText(frame::DataBase&, BSTR* SQL, VARIANT* UseCombobox, long* ConNumber) {
  const ComPtr<IDispatch> rs = OpenRecordset(View(*SQL), kForwardOnly, kReadOnly, *ConNumber);
  const ComPtr<IDispatch> box = rt::ObjectOf(*UseCombobox);
  rt::Call(box.Get(), L"Clear");
  const Variant first = rt::FromLong(0);
  while (!AtEnd(rs.Get())) {
    // The field itself goes to the control, which takes its value as the item.
    const ComPtr<IDispatch> field = FieldOf(rs.Get(), *first.Get());
    rt::Call(box.Get(), L"AddItem", {*ObjectValue(field.Get()).Get()});
    MoveNext(rs.Get());
  }
}

Bstr NotNull(frame::DataBase&, VARIANT* sString) {
  const Variant value = rt::ValueOf(*sString);
  if (value.Type() == VT_NULL) return Bstr(L"");
  return rt::ToText(*value.Get());
}

}  // namespace kb::database
