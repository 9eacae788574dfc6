// The embedded SQL engine behind the data layer: one open database file and
// its prepared statements, with the engine's failures turned into errors.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace kb::data {

class Database {
 public:
  // Opens an existing database file.  A missing file, a folder or a file that
  // is not a database fails with the generic failure code.  An empty file is
  // a new, empty database.
  static std::shared_ptr<Database> Open(const std::wstring& path);
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  sqlite3* Handle() const { return db_; }
  const std::wstring& Path() const { return path_; }
  // Runs statements that give no rows (transaction control, pragmas).
  void Exec(const char* sql);
  // The engine's last failure as an error, with the code that tells its kind.
  [[noreturn]] void Raise(int rc) const;
  // Transactions the caller began and has not ended.
  int& TransactionLevel() { return level_; }
  // Readers keep a view of their own while others write.
  bool WriteAheadLog() const { return wal_; }

 private:
  Database(sqlite3* db, std::wstring path) : db_(db), path_(std::move(path)) {}
  sqlite3* db_;
  std::wstring path_;
  int level_ = 0;
  bool wal_ = false;
};

class Statement {
 public:
  // Prepares one statement of the engine's dialect; text after it (other
  // than spaces and a final semicolon) is refused.
  Statement(std::shared_ptr<Database> db, const std::string& sql);
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  sqlite3_stmt* Get() const { return stmt_; }
  Database& Db() const { return *db_; }
  const std::shared_ptr<Database>& SharedDb() const { return db_; }
  int ColumnCount() const { return sqlite3_column_count(stmt_); }
  // Runs to the next row: true on a row, false when done.
  bool Step();
  // Back to before the first row (runs the statement again on the next Step).
  void Rewind();

 private:
  std::shared_ptr<Database> db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace kb::data
