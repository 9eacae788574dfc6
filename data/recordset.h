// Recordset, Fields and Field: the rows of a query.
//
// A forward-only recordset reads its rows from the engine one at a time, so
// reading a large table takes no more memory than one row; the scrollable
// cursor types (keyset, dynamic, static) count their records and move both
// ways over rows that scroll_rows.h describes.  A recordset keeps its
// database open for as long as it lives, also after its connection closes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/automation.h"
#include "data/data_layer.h"
#include "data/engine.h"
#include "data/scroll_rows.h"
#include "data/values.h"

namespace kb::data {

enum CursorType : long { kForwardOnly = 0, kKeyset = 1, kDynamic = 2, kStatic = 3 };
enum LockType : long { kReadOnly = 1, kPessimistic = 2, kOptimistic = 3, kBatchOptimistic = 4 };

class Recordset : public AutoObject, public RowSource {
 public:
  Recordset();
  static Recordset* Of(IDispatch* object);
  // A forward-only, read-only recordset over a statement that gives rows.
  static ComPtr<Recordset> Over(ComPtr<IDispatch> connection, std::unique_ptr<Statement> statement);

  // RowSource
  bool AtEnd() override;
  long FieldCount() override;
  Bstr FieldName(long index) override;
  Variant FieldValue(long index) override;
  void MoveNext() override;

  // What Fields and Field objects reach.
  long IndexOf(const VARIANT& index);
  void SetValue(long index, const VARIANT& value);
  void AppendChunk(long index, const VARIANT& data);
  Variant GetChunk(long index, long length);
  long TypeOf(long index);
  long ActualSize(long index);
  long DefinedSize(long index);

 protected:
  Variant Run(DISPID id, WORD flags, const CallArgs& args) override;
  void* Extra(REFIID iid) override;

 private:
  void Open(const CallArgs& args);
  void Start(ComPtr<IDispatch> connection, std::unique_ptr<Statement> statement, long cursor,
             long lock);
  void Close();
  void CheckOpen() const;
  void CheckCurrent() const;
  const Column& ColumnAt(long index) const;
  const Column& CheckSettable(long index) const;
  bool Scrollable() const { return cursor_ != kForwardOnly; }
  void MoveFirst();
  void MoveLast();
  void MovePrevious();
  void AddNew();
  void Update();
  void CancelUpdate() { pending_.reset(); }
  void Fetched();              // after the forward-only statement moved
  void Arrive(long position);  // a scrollable recordset moved
  void AppendInserted(sqlite3_int64 rowid);
  Variant FieldsObject();
  ComPtr<IDispatch> ConnectionFor(const VARIANT& given);

  bool open_ = false;
  long cursor_ = kForwardOnly;
  long lock_ = kReadOnly;
  ComPtr<IDispatch> connection_;
  std::shared_ptr<Database> db_;
  std::wstring source_;
  std::unique_ptr<Statement> statement_;
  std::vector<Column> columns_;
  std::string table_;  // the one table whose rows it may add; empty when none
  // Scrollable: the rows, and the position in them (-1 before the first).
  std::unique_ptr<ScrollRows> scroll_;
  long position_ = 0;
  bool bof_ = true;
  bool eof_ = true;
  // The record being added: one value per field, unset ones get the database's defaults.
  std::optional<std::vector<std::optional<Cell>>> pending_;
  // How far GetChunk has read each field of the current record.
  std::vector<size_t> chunkRead_;
};

}  // namespace kb::data
