#include "data/scroll_rows.h"

#include <cstring>
#include <string>

#include "data/errors.h"
#include "data/row_keys.h"

namespace kb::data {
namespace {

// Aggregates give rows that stand for many rows, even where the statement
// shows no GROUP BY; the engine's program tells.
bool Aggregates(sqlite3_stmt* stmt) {
  if (sqlite3_stmt_explain(stmt, 1) != SQLITE_OK) return true;
  bool found = false;
  while (!found && sqlite3_step(stmt) == SQLITE_ROW) {
    const auto* op = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    found = op && (std::strncmp(op, "Agg", 3) == 0 || std::strcmp(op, "Count") == 0);
  }
  sqlite3_reset(stmt);
  sqlite3_stmt_explain(stmt, 0);
  return found;
}

class CopiedRows : public ScrollRows {
 public:
  CopiedRows(Statement& statement, const std::vector<Kind>& kinds) {
    while (statement.Step()) rows_.push_back(ReadRow(statement.Get(), kinds));
  }

 protected:
  long Stored() const override { return static_cast<long>(rows_.size()); }
  const std::vector<Variant>& StoredRow(long index) override {
    return rows_[static_cast<size_t>(index)];
  }

 private:
  std::vector<std::vector<Variant>> rows_;
};

class KeyedRows : public ScrollRows {
 public:
  KeyedRows(std::shared_ptr<Database> reader, std::vector<Kind> kinds)
      : reader_(std::move(reader)), kinds_(std::move(kinds)) {}

  // False when the result's rows are no rows of its tables after all.
  bool Read(const RowKeys& keys) {
    Statement all(reader_, keys.keys);
    if (Aggregates(all.Get())) return false;
    width_ = keys.count;
    while (all.Step())
      for (int k = 0; k < width_; ++k) keys_.push_back(sqlite3_column_int64(all.Get(), k));
    keys_.shrink_to_fit();
    fetch_ = std::make_unique<Statement>(reader_, keys.fetch);
    return fetch_->ColumnCount() == static_cast<int>(kinds_.size());
  }

 protected:
  long Stored() const override { return static_cast<long>(keys_.size() / width_); }
  const std::vector<Variant>& StoredRow(long index) override {
    if (loaded_ != index) Load(index);
    return row_;
  }

 private:
  void Load(long index) {
    sqlite3_stmt* stmt = fetch_->Get();
    const size_t at = static_cast<size_t>(index) * static_cast<size_t>(width_);
    for (int k = 0; k < width_; ++k) sqlite3_bind_int64(stmt, k + 1, keys_[at + k]);
    loaded_ = -1;
    const bool found = fetch_->Step();
    if (found) row_ = ReadRow(stmt, kinds_);
    fetch_->Rewind();
    // The read transaction keeps every row of the result; not finding one
    // means the engine read the query otherwise than its parse here did.
    if (!found) FailEngine(kGenericFailure, L"A record of the recordset could not be read again.");
    loaded_ = index;
  }

  std::shared_ptr<Database> reader_;
  std::vector<Kind> kinds_;
  int width_ = 1;
  std::vector<sqlite3_int64> keys_;  // width_ row numbers a row
  std::unique_ptr<Statement> fetch_;
  long loaded_ = -1;
  std::vector<Variant> row_;
};

std::unique_ptr<ScrollRows> Keyed(const Database& db, const RowKeys& keys,
                                  const std::vector<Kind>& kinds) {
  if (!sqlite3_get_autocommit(db.Handle()) || !db.WriteAheadLog()) return nullptr;
  try {
    std::shared_ptr<Database> reader = Database::Open(db.Path());
    reader->Exec("BEGIN");
    auto rows = std::make_unique<KeyedRows>(std::move(reader), kinds);
    if (rows->Read(keys)) return rows;
  } catch (const Error&) {
    // Names only the recordset's own connection knows (temporary tables),
    // or a file that cannot be opened twice: the rows are copied instead.
  }
  return nullptr;
}

}  // namespace

const std::vector<Variant>& ScrollRows::Row(long index) {
  const long stored = Stored();
  return index < stored ? StoredRow(index) : added_[static_cast<size_t>(index - stored)];
}

std::vector<Variant> ReadRow(sqlite3_stmt* stmt, const std::vector<Kind>& kinds) {
  std::vector<Variant> row;
  row.reserve(kinds.size());
  for (size_t i = 0; i < kinds.size(); ++i)
    row.push_back(ReadCell(stmt, static_cast<int>(i), kinds[i]));
  return row;
}

std::vector<Kind> KindsOf(const std::vector<Column>& columns) {
  std::vector<Kind> kinds;
  kinds.reserve(columns.size());
  for (const Column& c : columns) kinds.push_back(c.kind);
  return kinds;
}

std::unique_ptr<ScrollRows> ReadRows(std::unique_ptr<Statement> statement,
                                     const std::vector<Column>& columns) {
  const Database& db = statement->Db();
  const std::vector<Kind> kinds = KindsOf(columns);
  if (auto keys = KeysOf(db.Handle(), sqlite3_sql(statement->Get())))
    if (auto keyed = Keyed(db, *keys, kinds)) return keyed;
  return std::make_unique<CopiedRows>(*statement, kinds);
}

}  // namespace kb::data
