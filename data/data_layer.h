// The seam between the database routines and the data layer under them.
//
// The routines create connections and recordsets here and then use them as
// automation objects (Provider, Open, Execute, Fields, EOF, MoveNext, ...),
// exactly as they would use the platform's own data access objects; a build
// for machines with those providers replaces these two factories.  Recordsets
// of this layer also offer a direct row reader, which the CSV export uses
// to read every value without a late-bound call per value.
#pragma once

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::data {

ComPtr<IDispatch> NewConnection();
ComPtr<IDispatch> NewRecordset();

// Reads an open recordset from its current record on; the failures are those
// of the automation members of the same names (EOF, Fields.Count,
// Fields(i).Name, Fields(i).Value, MoveNext).
class RowSource {
 public:
  virtual bool AtEnd() = 0;
  virtual long FieldCount() = 0;
  virtual Bstr FieldName(long index) = 0;
  virtual Variant FieldValue(long index) = 0;
  virtual void MoveNext() = 0;

 protected:
  ~RowSource() = default;
};

// The row reader of a recordset of this layer; null for any other object.
// It lives as long as the caller keeps its reference to the recordset.
RowSource* RowsOf(IDispatch* recordset);

}  // namespace kb::data
