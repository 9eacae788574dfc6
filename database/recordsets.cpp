#include "database/recordsets.h"

#include "data/data_layer.h"
#include "frame/interfaces.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/thread_state.h"

namespace kb::database {

std::vector<ComPtr<IDispatch>>& ConnectionTable() {
  static rt::PerThread<std::vector<ComPtr<IDispatch>>> tables;
  return tables.Get();
}

namespace {

ComPtr<IDispatch>& Slot(long number) {
  auto& table = ConnectionTable();
  if (number < 0 || static_cast<size_t>(number) >= table.size()) Raise(kErrSubscript);
  return table[static_cast<size_t>(number)];
}

}  // namespace

Variant ObjectValue(IDispatch* object) {
  Variant v;
  V_VT(v.Get()) = VT_DISPATCH;
  V_DISPATCH(v.Get()) = object;
  if (object) object->AddRef();
  return v;
}

ComPtr<IDispatch> OwnOpenRs(frame::DataBase& self, const std::wstring& sql, long cursor, long lock,
                            long* slot) {
  _clsDataBase* me = self.Self();
  Bstr text(sql);
  ComPtr<IDispatch> rs;
  Check(me->lpVtbl->dB_OpenRs(me, text.Ref(), &cursor, &lock, slot, rs.Out()));
  return rs;
}

void OwnCloseRs(frame::DataBase& self, ComPtr<IDispatch> rs) {
  _clsDataBase* me = self.Self();
  IDispatch* variable = rs.Detach();
  const HRESULT hr = me->lpVtbl->dB_CloseRs(me, &variable);
  // Whatever dB_CloseRs left in the variable is given up here.
  ComPtr<IDispatch> left = ComPtr<IDispatch>::Attach(variable);
  Check(hr);
}

ComPtr<IDispatch> SlotConnection(long number) { return Slot(number); }

void SetSlot(long number, ComPtr<IDispatch> connection) {
  // The old connection is let go after the slot has changed, so whatever its
  // release runs sees the table as it now is.
  std::swap(Slot(number), connection);
}

ComPtr<IDispatch> OpenRecordset(std::wstring_view sql, long cursor, long lock, long slot) {
  const ComPtr<IDispatch> connection = SlotConnection(slot);
  ComPtr<IDispatch> rs = data::NewRecordsetFor(connection.Get());
  rt::Call(
      rs.Get(), L"Open",
      {*rt::FromText(sql).Get(), *ObjectValue(connection.Get()).Get(), *rt::FromLong(cursor).Get(),
       *rt::FromLong(lock).Get(), *rt::FromLong(kUnspecified).Get()});
  return rs;
}

ComPtr<IDispatch> FieldOf(IDispatch* rs, const VARIANT& index) {
  const Variant fields = rt::Get(rs, L"Fields");
  const ComPtr<IDispatch> collection = rt::ObjectOf(*fields.Get());
  const Variant field = rt::Get(collection.Get(), L"Item", {index});
  return rt::ObjectOf(*field.Get());
}

Variant FieldValue(IDispatch* rs, const VARIANT& index) {
  return rt::Get(FieldOf(rs, index).Get(), L"Value");
}

bool AtEnd(IDispatch* rs) {
  const Variant eof = rt::Get(rs, L"EOF");
  Variant flag;
  Check(::VariantChangeType(flag.Get(), const_cast<VARIANT*>(eof.Get()), 0, VT_BOOL));
  return V_BOOL(flag.Get()) != VARIANT_FALSE;
}

void MoveNext(IDispatch* rs) { rt::Call(rs, L"MoveNext"); }

}  // namespace kb::database
