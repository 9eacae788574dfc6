#include "data/recordset.h"

#include <algorithm>
#include <cwctype>
#include <set>
#include <utility>

#include "data/connection.h"
#include "data/errors.h"
#include "data/jet_sql.h"
#include "runtime/text.h"

namespace kb::data {
namespace {

enum : DISPID {
  kFields = DISPID_VALUE,
  kOpen = 1,
  kClose,
  kState,
  kEof,
  kBof,
  kMoveNext,
  kMoveFirst,
  kRecordCount,
  kAddNew,
  kUpdate,
  kActiveConnection,
  kCursorType,
  kLockType,
  kCancelUpdate,
  kMoveLast,
  kMovePrevious,
  kSource,
};

constexpr MemberName kRecordsetMembers[] = {
    {L"Fields", kFields, true},
    {L"Open", kOpen},
    {L"Close", kClose},
    {L"State", kState},
    {L"EOF", kEof},
    {L"BOF", kBof},
    {L"MoveNext", kMoveNext},
    {L"MoveFirst", kMoveFirst},
    {L"RecordCount", kRecordCount},
    {L"AddNew", kAddNew},
    {L"Update", kUpdate},
    {L"ActiveConnection", kActiveConnection, true},
    {L"CursorType", kCursorType, true},
    {L"LockType", kLockType, true},
    {L"CancelUpdate", kCancelUpdate},
    {L"MoveLast", kMoveLast},
    {L"MovePrevious", kMovePrevious},
    {L"Source", kSource},
};

enum : DISPID { kItem = DISPID_VALUE, kCount = 1, kNewEnum = DISPID_NEWENUM };
constexpr MemberName kFieldsMembers[] = {
    {L"Item", kItem, true}, {L"Count", kCount}, {L"_NewEnum", kNewEnum}};

enum : DISPID {
  kValue = DISPID_VALUE,
  kName = 1,
  kType,
  kActualSize,
  kAppendChunk,
  kGetChunk,
  kDefinedSize
};
constexpr MemberName kFieldMembers[] = {
    {L"Value", kValue, true},
    {L"Name", kName},
    {L"Type", kType},
    {L"ActualSize", kActualSize},
    {L"AppendChunk", kAppendChunk},
    {L"GetChunk", kGetChunk},
    {L"DefinedSize", kDefinedSize},
};

// {5B0E3C1A-6D3F-4C1B-9E55-2A7C0B61D402}
constexpr GUID kIidRecordset = {
    0x5b0e3c1a, 0x6d3f, 0x4c1b, {0x9e, 0x55, 0x2a, 0x7c, 0x0b, 0x61, 0xd4, 0x02}};

[[noreturn]] void RecordsetFails(long number, std::wstring text) {
  Fail(number, std::move(text), kRecordsetSource);
}

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// A source that is one name is a table: all its rows.
std::wstring SqlOf(std::wstring_view source, long options) {
  const std::wstring_view trimmed = rt::Trim(source);
  bool oneWord = !trimmed.empty();
  for (wchar_t c : trimmed) oneWord = oneWord && !std::iswspace(c) && c != L'(';
  const bool table = options == 2 || (options != 1 && oneWord);
  if (!table) return std::wstring(source);
  if (trimmed.front() == L'[') return L"SELECT * FROM " + std::wstring(trimmed);
  return L"SELECT * FROM [" + std::wstring(trimmed) + L"]";
}

class Fields : public AutoObject {
 public:
  explicit Fields(Recordset* owner)
      : AutoObject(kFieldsMembers, kRecordsetSource), hold_(owner), owner_(owner) {}

 protected:
  Variant Run(DISPID id, WORD flags, const CallArgs& args) override;

 private:
  ComPtr<IDispatch> hold_;
  Recordset* owner_;
};

class Field : public AutoObject {
 public:
  Field(Recordset* owner, long index)
      : AutoObject(kFieldMembers, kRecordsetSource), hold_(owner), owner_(owner), index_(index) {}

 protected:
  Variant Run(DISPID id, WORD flags, const CallArgs& args) override {
    switch (id) {
      case kValue:
        if (IsPut(flags)) {
          owner_->SetValue(index_, PutArg(args));
          return {};
        }
        return owner_->FieldValue(index_);
      case kName: return Variant::FromText(owner_->FieldName(index_));
      case kType: return FromLong(owner_->TypeOf(index_));
      case kActualSize: return FromLong(owner_->ActualSize(index_));
      case kDefinedSize: return FromLong(owner_->DefinedSize(index_));
      case kAppendChunk: owner_->AppendChunk(index_, args.At(0)); return {};
      case kGetChunk: return owner_->GetChunk(index_, LongArg(args, 0, 0));
      default: return {};
    }
  }

 private:
  ComPtr<IDispatch> hold_;
  Recordset* owner_;
  long index_;
};

Variant FieldObject(Recordset* owner, long index) {
  auto field = MakeObject<Field>(owner, index);
  return FromObject(field.Get());
}

Variant Fields::Run(DISPID id, WORD flags, const CallArgs& args) {
  switch (id) {
    case kItem: {
      const long index = owner_->IndexOf(args.At(0));
      if (IsPut(flags)) {
        owner_->SetValue(index, PutArg(args));
        return {};
      }
      return FieldObject(owner_, index);
    }
    case kCount: return FromLong(owner_->FieldCount());
    case kNewEnum: {
      std::vector<Variant> fields;
      const long n = owner_->FieldCount();
      for (long i = 0; i < n; ++i) fields.push_back(FieldObject(owner_, i));
      auto items = MakeEnumerator(std::move(fields));
      Variant v;
      V_VT(v.Get()) = VT_UNKNOWN;
      V_UNKNOWN(v.Get()) = items.Detach();
      return v;
    }
    default: return {};
  }
}

}  // namespace

Recordset::Recordset() : AutoObject(kRecordsetMembers, kRecordsetSource) {}

Recordset* Recordset::Of(IDispatch* object) {
  if (!object) return nullptr;
  void* own = nullptr;
  if (FAILED(object->QueryInterface(kIidRecordset, &own)) || !own) return nullptr;
  auto* recordset = static_cast<Recordset*>(own);
  recordset->Release();  // the caller holds its own reference
  return recordset;
}

void* Recordset::Extra(REFIID iid) {
  return iid == kIidRecordset ? static_cast<Recordset*>(this) : nullptr;
}

ComPtr<Recordset> Recordset::Over(ComPtr<IDispatch> connection,
                                  std::unique_ptr<Statement> statement) {
  auto rs = MakeObject<Recordset>();
  rs->Start(std::move(connection), std::move(statement), kForwardOnly, kReadOnly);
  return rs;
}

ComPtr<IDispatch> Recordset::ConnectionFor(const VARIANT& given) {
  const VARIANT& v = rt::Deref(given);
  const VARTYPE type = V_VT(&v) & ~VT_BYREF;
  if (type == VT_BSTR) {
    auto connection = MakeObject<Connection>();
    connection->Open(std::wstring(rt::ToText(v).View()));
    return ComPtr<IDispatch>(connection.Get());
  }
  IDispatch* object = nullptr;
  if (type == VT_DISPATCH) object = (V_VT(&v) & VT_BYREF) ? *V_DISPATCHREF(&v) : V_DISPATCH(&v);
  if (!object && (type == VT_DISPATCH || type == VT_EMPTY || type == VT_NULL || type == VT_ERROR))
    RecordsetFails(kErrNoConnection,
                   L"The recordset has no connection to run on: the connection is Nothing.");
  if (!Connection::Of(object))
    RecordsetFails(
        kErrArguments,
        L"The active connection must be a connection of this data layer or a connection string.");
  return ComPtr<IDispatch>(object);
}

void Recordset::Open(const CallArgs& args) {
  if (open_) RecordsetFails(kErrObjectOpen, L"The recordset is already open.");
  const Bstr source = TextArg(args, 0);
  ComPtr<IDispatch> connection = args.Has(1) ? ConnectionFor(args.At(1)) : connection_;
  if (!connection) ConnectionFor(VARIANT{});
  long cursor = LongArg(args, 2, cursor_);
  long lock = LongArg(args, 3, lock_);
  const long options = LongArg(args, 4, -1);
  if (cursor == -1) cursor = kForwardOnly;
  if (lock == -1) lock = kReadOnly;
  if (cursor < kForwardOnly || cursor > kStatic)
    RecordsetFails(kErrArguments,
                   L"The cursor type " + std::to_wstring(cursor) + L" is not one of 0 to 3.");
  if (lock < kReadOnly || lock > kBatchOptimistic)
    RecordsetFails(kErrArguments,
                   L"The lock type " + std::to_wstring(lock) + L" is not one of 1 to 4.");
  auto db = Connection::Of(connection.Get())->OpenDatabase();
  source_ = SqlOf(source.View(), options);
  auto statement = std::make_unique<Statement>(db, ToEngineSql(source_));
  if (statement->ColumnCount() == 0) {
    // A statement without rows is run; the recordset stays closed.
    while (statement->Step()) {
    }
    connection_ = std::move(connection);
    return;
  }
  Start(std::move(connection), std::move(statement), cursor, lock);
}

void Recordset::Start(ComPtr<IDispatch> connection, std::unique_ptr<Statement> statement,
                      long cursor, long lock) {
  sqlite3_stmt* stmt = statement->Get();
  std::vector<Column> columns(static_cast<size_t>(statement->ColumnCount()));
  std::set<std::string> tables;
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    Column& c = columns[i];
    auto* name = static_cast<const wchar_t*>(sqlite3_column_name16(stmt, i));
    c.name = name ? name : L"";
    const char* declared = sqlite3_column_decltype(stmt, i);
    c.kind = KindOf(declared ? declared : "", &c.size);
    const char* table = sqlite3_column_table_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    if (table && origin) {
      c.table = table;
      c.origin = origin;
      tables.insert(c.table);
    }
  }
  connection_ = std::move(connection);
  db_ = statement->SharedDb();
  columns_ = std::move(columns);
  table_ = lock != kReadOnly && tables.size() == 1 ? *tables.begin() : std::string();
  lock_ = lock;
  pending_.reset();
  scroll_.reset();
  chunkRead_.assign(columns_.size(), 0);
  if (cursor != kForwardOnly) {
    scroll_ = ReadRows(std::move(statement), columns_);
    // Every scrollable kind sees the database as it opened, and says so.
    cursor_ = kStatic;
    Arrive(0);
  } else {
    cursor_ = kForwardOnly;
    statement_ = std::move(statement);
    bof_ = false;
    eof_ = !statement_->Step();
    Fetched();
    bof_ = eof_;
  }
  open_ = true;
}

void Recordset::Fetched() {
  // At the end the statement lets go of the database, as a finished read does.
  if (eof_) statement_->Rewind();
  chunkRead_.assign(columns_.size(), 0);
}

void Recordset::Arrive(long position) {
  const long count = scroll_->Count();
  position_ = position;
  bof_ = position < 0 || count == 0;
  eof_ = position >= count;
  chunkRead_.assign(columns_.size(), 0);
}

void Recordset::Close() {
  CheckOpen();
  pending_.reset();
  statement_.reset();
  scroll_.reset();
  columns_.clear();
  db_.reset();
  open_ = false;
  bof_ = eof_ = true;
}

void Recordset::CheckOpen() const {
  if (!open_) RecordsetFails(kErrObjectClosed, L"The recordset is closed.");
}

void Recordset::CheckCurrent() const {
  CheckOpen();
  if (!pending_ && (bof_ || eof_))
    RecordsetFails(kErrNoCurrentRecord, L"There is no current record: BOF or EOF is True.");
}

const Column& Recordset::ColumnAt(long index) const {
  CheckOpen();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size())
    RecordsetFails(kErrItemNotFound,
                   L"The recordset has no field at position " + std::to_wstring(index) + L".");
  return columns_[static_cast<size_t>(index)];
}

bool Recordset::AtEnd() {
  CheckOpen();
  return eof_ && !pending_;
}

long Recordset::FieldCount() {
  CheckOpen();
  return static_cast<long>(columns_.size());
}

Bstr Recordset::FieldName(long index) { return Bstr(ColumnAt(index).name); }

Variant Recordset::FieldValue(long index) {
  const Column& column = ColumnAt(index);
  CheckCurrent();
  if (pending_) {
    const auto& cell = (*pending_)[static_cast<size_t>(index)];
    return cell ? ValueOf(*cell, column.kind) : ValueOf(Cell{}, column.kind);
  }
  if (!Scrollable()) return ReadCell(statement_->Get(), index, column.kind);
  Variant copy;
  const Variant& stored = scroll_->Row(position_)[static_cast<size_t>(index)];
  Check(::VariantCopy(copy.Get(), const_cast<VARIANT*>(stored.Get())));
  return copy;
}

void Recordset::MoveNext() {
  CheckOpen();
  if (pending_) Update();
  if (eof_) RecordsetFails(kErrNoCurrentRecord, L"The recordset is at its end (EOF is True).");
  if (Scrollable()) return Arrive(position_ + 1);
  bof_ = false;
  eof_ = !statement_->Step();
  Fetched();
}

void Recordset::MoveFirst() {
  CheckOpen();
  if (pending_) Update();
  if (Scrollable()) return Arrive(0);
  // A forward-only recordset starts again by running its query again.
  statement_->Rewind();
  eof_ = !statement_->Step();
  bof_ = eof_;
  Fetched();
}

void Recordset::MoveLast() {
  CheckOpen();
  if (!Scrollable())
    RecordsetFails(kErrNotSupported, L"A forward-only recordset cannot move to its last record.");
  if (pending_) Update();
  Arrive(std::max(0L, scroll_->Count() - 1));
}

void Recordset::MovePrevious() {
  CheckOpen();
  if (!Scrollable())
    RecordsetFails(kErrNotSupported, L"A forward-only recordset cannot move backwards.");
  if (pending_) Update();
  if (bof_) RecordsetFails(kErrNoCurrentRecord, L"The recordset is at its start (BOF is True).");
  Arrive(std::max(-1L, position_ - 1));
}

long Recordset::IndexOf(const VARIANT& index) {
  CheckOpen();
  Variant plain = PlainValue(index);
  if (plain.Type() == VT_BSTR) {
    const std::wstring_view name = View(V_BSTR(plain.Get()));
    for (size_t i = 0; i < columns_.size(); ++i)
      if (rt::SameName(columns_[i].name, name)) return static_cast<long>(i);
    RecordsetFails(kErrItemNotFound,
                   L"The recordset has no field named '" + std::wstring(name) + L"'.");
  }
  Variant number;
  if (FAILED(::VariantChangeTypeEx(number.Get(), plain.Get(), LOCALE_USER_DEFAULT, 0, VT_I4)))
    RecordsetFails(kErrItemNotFound, L"A field is named by its name or its position.");
  ColumnAt(V_I4(number.Get()));
  return V_I4(number.Get());
}

void Recordset::SetValue(long index, const VARIANT& value) {
  const Column& column = CheckSettable(index);
  (*pending_)[static_cast<size_t>(index)] = CellFor(value, column);
}

const Column& Recordset::CheckSettable(long index) const {
  const Column& column = ColumnAt(index);
  if (!pending_)
    RecordsetFails(kErrNotSupported,
                   L"Only a record being added with AddNew can be changed here; change stored "
                   L"records with an UPDATE statement.");
  if (column.table.empty() || column.table != table_)
    RecordsetFails(kErrNotSupported,
                   L"Field '" + column.name + L"' is computed and cannot be set.");
  return column;
}

void Recordset::AppendChunk(long index, const VARIANT& data) {
  const Column& column = ColumnAt(index);
  const bool longText = column.kind == Kind::LongText;
  const bool binary = column.kind == Kind::Binary;
  if (!longText && !binary && column.kind != Kind::Any)
    RecordsetFails(kErrNotSupported,
                   L"Field '" + column.name +
                       L"' does not take appended data; only long text and binary fields do.");
  Variant plain = PlainValue(data);
  const bool bytes = plain.Type() == (VT_ARRAY | VT_UI1);
  if (binary && !bytes)
    RecordsetFails(kErrDataConversion,
                   L"Field '" + column.name + L"' takes appended byte arrays only.");
  CheckSettable(index);
  Column loose = column;
  loose.kind = bytes ? Kind::Binary : Kind::LongText;
  Cell piece = CellFor(*plain.Get(), loose);
  auto& cell = (*pending_)[static_cast<size_t>(index)];
  if (cell) piece.bytes.insert(0, cell->bytes);
  cell = std::move(piece);
}

Variant Recordset::GetChunk(long index, long length) {
  if (length < 0) RecordsetFails(kErrArguments, L"GetChunk needs a length of 0 or more.");
  Variant value = FieldValue(index);
  size_t& read = chunkRead_[static_cast<size_t>(index)];
  if (value.Type() == VT_NULL) return value;
  if (value.Type() == (VT_ARRAY | VT_UI1)) {
    SAFEARRAY* all = V_ARRAY(value.Get());
    const size_t size = all->rgsabound[0].cElements;
    if (read >= size) return ValueOf(Cell{}, Kind::Any);
    const size_t n = std::min(size - read, static_cast<size_t>(length));
    Cell piece;
    piece.storage = SQLITE_BLOB;
    piece.bytes.assign(static_cast<const char*>(all->pvData) + read, n);
    read += n;
    return ValueOf(piece, Kind::Binary);
  }
  const Bstr text = rt::ToText(*value.Get());
  if (read >= text.Length()) return ValueOf(Cell{}, Kind::Any);
  const std::wstring_view piece = text.View().substr(read, static_cast<size_t>(length));
  read += piece.size();
  return FromText(piece);
}

long Recordset::TypeOf(long index) {
  const Column& column = ColumnAt(index);
  if (column.kind != Kind::Any) return TypeNumber(column.kind, SQLITE_NULL);
  if (!pending_ && (bof_ || eof_)) return TypeNumber(Kind::Any, SQLITE_NULL);
  const Variant value = FieldValue(index);
  switch (value.Type()) {
    case VT_I4: return TypeNumber(Kind::Any, SQLITE_INTEGER);
    case VT_R8: return TypeNumber(Kind::Any, SQLITE_FLOAT);
    case VT_BSTR: return TypeNumber(Kind::Any, SQLITE_TEXT);
    case VT_ARRAY | VT_UI1: return TypeNumber(Kind::Any, SQLITE_BLOB);
    default: return TypeNumber(Kind::Any, SQLITE_NULL);
  }
}

long Recordset::ActualSize(long index) {
  const Variant value = FieldValue(index);
  switch (value.Type()) {
    case VT_NULL: return 0;
    case VT_BSTR: return static_cast<long>(::SysStringLen(V_BSTR(value.Get())));
    case VT_ARRAY | VT_UI1: return static_cast<long>(V_ARRAY(value.Get())->rgsabound[0].cElements);
    case VT_BOOL: return 2;
    case VT_I4: return 4;
    default: return 8;
  }
}

// What the field can hold: characters of a sized text, bytes of the other kinds.
long Recordset::DefinedSize(long index) {
  const Column& column = ColumnAt(index);
  switch (column.kind) {
    case Kind::Text: return column.size > 0 ? column.size : 255;
    case Kind::Integer:
    case Kind::Any: return 4;
    case Kind::Bool: return 2;
    case Kind::Real:
    case Kind::Date: return 8;
    case Kind::LongText:
    case Kind::Binary: return 0x7FFFFFFF;
  }
  return 0;
}

void Recordset::AddNew() {
  CheckOpen();
  if (table_.empty())
    RecordsetFails(kErrNotSupported,
                   L"The recordset cannot add records: it is read-only (lock type 1) or its fields "
                   L"do not come from one table.");
  if (pending_) Update();
  pending_.emplace(columns_.size());
  chunkRead_.assign(columns_.size(), 0);
}

void Recordset::Update() {
  CheckOpen();
  if (!pending_) return;
  std::string names, marks;
  std::vector<const Cell*> values;
  std::set<std::string> seen;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const auto& cell = (*pending_)[i];
    if (!cell || !seen.insert(columns_[i].origin).second) continue;
    names += (names.empty() ? "" : ",") + Quoted(columns_[i].origin);
    marks += marks.empty() ? "?" : ",?";
    values.push_back(&*cell);
  }
  const std::string sql =
      "INSERT INTO " + Quoted(table_) +
      (values.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + marks + ")");
  Statement insert(db_, sql);
  for (size_t i = 0; i < values.size(); ++i)
    Bind(insert.Get(), static_cast<int>(i + 1), *values[i]);
  insert.Step();
  pending_.reset();
  if (Scrollable()) AppendInserted(sqlite3_last_insert_rowid(db_->Handle()));
}

// The new row joins the snapshot as the database stored it, defaults included.
void Recordset::AppendInserted(sqlite3_int64 rowid) {
  std::string list;
  for (const Column& c : columns_)
    list +=
        (list.empty() ? "" : ",") + (c.table == table_ ? Quoted(c.origin) : std::string("NULL"));
  try {
    Statement read(db_, "SELECT " + list + " FROM " + Quoted(table_) + " WHERE rowid = ?");
    sqlite3_bind_int64(read.Get(), 1, rowid);
    if (!read.Step()) return;
    scroll_->Add(ReadRow(read.Get(), KindsOf(columns_)));
    Arrive(scroll_->Count() - 1);
  } catch (const Error&) {
    // A table without row numbers: the row is stored, the snapshot just lacks it.
  }
}

Variant Recordset::FieldsObject() {
  CheckOpen();
  auto fields = MakeObject<Fields>(this);
  return FromObject(fields.Get());
}

Variant Recordset::Run(DISPID id, WORD flags, const CallArgs& args) {
  const bool put = IsPut(flags);
  switch (id) {
    case kFields: {
      if (args.Count() == 0 && !put) return FieldsObject();
      if (args.Count() == 0)
        RecordsetFails(kErrArguments, L"A value goes to a field named by its name or position.");
      const long index = IndexOf(args.At(0));
      if (put) {
        SetValue(index, PutArg(args));
        return {};
      }
      return FieldObject(this, index);
    }
    case kOpen: Open(args); return {};
    case kClose: Close(); return {};
    case kState: return FromLong(open_ ? 1 : 0);
    case kEof: return FromBool(AtEnd());
    case kBof: CheckOpen(); return FromBool(bof_ && !pending_);
    case kMoveNext: MoveNext(); return {};
    case kMoveFirst: MoveFirst(); return {};
    case kMoveLast: MoveLast(); return {};
    case kMovePrevious: MovePrevious(); return {};
    case kRecordCount: CheckOpen(); return FromLong(Scrollable() ? scroll_->Count() : -1);
    case kAddNew:
      AddNew();
      if (args.Has(0)) SetValue(IndexOf(args.At(0)), args.At(1));
      return {};
    case kUpdate:
      if (args.Has(0)) SetValue(IndexOf(args.At(0)), args.At(1));
      Update();
      return {};
    case kCancelUpdate:
      CheckOpen();
      CancelUpdate();
      return {};
    case kActiveConnection:
      if (!put) return FromObject(connection_.Get());
      if (open_) RecordsetFails(kErrObjectOpen, L"The recordset is open.");
      connection_ = ConnectionFor(PutArg(args));
      return {};
    case kCursorType:
    case kLockType: {
      long& value = id == kCursorType ? cursor_ : lock_;
      if (!put) return FromLong(value);
      if (open_) RecordsetFails(kErrObjectOpen, L"The recordset is open.");
      Variant n;
      if (FAILED(::VariantChangeTypeEx(n.Get(), const_cast<VARIANT*>(&PutArg(args)),
                                       LOCALE_USER_DEFAULT, 0, VT_I4)))
        RecordsetFails(kErrArguments, L"The cursor and lock types are numbers.");
      value = V_I4(n.Get());
      return {};
    }
    case kSource: return FromText(source_);
    default: return {};
  }
}

ComPtr<IDispatch> NewRecordset() { return ComPtr<IDispatch>(MakeObject<Recordset>().Get()); }

RowSource* RowsOf(IDispatch* recordset) { return Recordset::Of(recordset); }

}  // namespace kb::data
