// The seam between the database routines and the data layer under them.
//
// The routines create connections and recordsets here and then use them as
// automation objects (Provider, Open, Execute, Fields, EOF, MoveNext, ...),
// exactly as they would use the platform's own data access objects.  Which
// of the two a connection is, the platform's or the embedded engine's, is
// decided here for each database file; a recordset is always of the same
// kind as the connection it is opened on.  Recordsets of the embedded engine
// also offer a direct row reader, and the platform's offer an early-bound
// one, which the CSV export uses to read every value without a late-bound
// call per value.
#pragma once

#include <oaidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace kb::data {

// The embedded engine's connection and recordset.
ComPtr<IDispatch> NewConnection();
ComPtr<IDispatch> NewRecordset();

// A new, closed connection for the database a connection string names, and
// the providers its first and second opening attempts name.
//
// The platform's data access objects serve the file when a provider for it
// is registered for this process's word size: the Jet 4.0 provider (then
// 3.51 on the second attempt), or else an installed ACE provider (16.0, then
// 12.0).  The embedded engine serves its own database files (known by their
// header), empty files (a new database of its own), and every file where no
// provider is registered.  A file that does not exist yet is nobody's own:
// it goes to the provider where there is one, which reports it missing.
struct NewConnectionFor {
  explicit NewConnectionFor(std::wstring_view connectionString);
  ComPtr<IDispatch> connection;
  std::wstring firstProvider;
  std::wstring secondProvider;
};

// A new, closed recordset of the kind of `connection` (the embedded
// engine's for Nothing, which its Open then refuses).
ComPtr<IDispatch> NewRecordsetFor(IDispatch* connection);

// Reads an open recordset from its current record on; the failures are those
// of the automation members of the same names (EOF, Fields.Count,
// Fields(i).Name, Fields(i).Value, MoveNext).
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual bool AtEnd() = 0;
  virtual long FieldCount() = 0;
  virtual Bstr FieldName(long index) = 0;
  virtual Variant FieldValue(long index) = 0;
  virtual void MoveNext() = 0;
};

// The row reader of a recordset of the embedded engine; null for any other
// object.  It lives as long as the caller keeps its reference to the
// recordset.
RowSource* RowsOf(IDispatch* recordset);

// A reader of a platform recordset through its early-bound interface; null
// for an object that does not offer it.
std::unique_ptr<RowSource> EarlyBoundRowsOf(IDispatch* recordset);

}  // namespace kb::data
