#include "data/engine.h"

#include <windows.h>

#include "data/errors.h"
#include "data/jet_functions.h"

namespace kb::data {
namespace {

// How long a statement waits for another connection's write lock.
constexpr int kBusyMilliseconds = 2000;

HRESULT CodeOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_ERROR: return kErrorsInCommand;
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH: return kIntegrityViolation;
    default: return kGenericFailure;
  }
}

[[noreturn]] void CannotOpen(const std::wstring& path, const std::wstring& why) {
  FailEngine(kGenericFailure, L"Cannot open the database file '" + path + L"': " + why);
}

}  // namespace

std::shared_ptr<Database> Database::Open(const std::wstring& path) {
  if (path.empty()) CannotOpen(path, L"no file name was given.");
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) CannotOpen(path, L"the file does not exist.");
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) CannotOpen(path, L"it is a folder.");
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(Utf8(path).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::shared_ptr<Database> db(new Database(raw, path));
  if (rc != SQLITE_OK) CannotOpen(path, Wide(raw ? sqlite3_errmsg(raw) : "out of memory") + L".");
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, kBusyMilliseconds);
  // The engine reads the file lazily; reading its schema tells a database
  // from any other file.
  if (sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK)
    CannotOpen(path, L"it is not a database file (" + Wide(sqlite3_errmsg(raw)) + L").");
  // Readers do not block writers, so a recordset being read on one
  // connection leaves another free to write.  A read-only file keeps its mode.
  sqlite3_exec(
      raw, "PRAGMA journal_mode=WAL",
      [](void* wal, int, char** values, char**) {
        *static_cast<bool*>(wal) = values[0] && sqlite3_stricmp(values[0], "wal") == 0;
        return 0;
      },
      &db->wal_, nullptr);
  // Reading through a mapping of the file spares a system call a page, which
  // is most of reading a large table; the 32-bit build maps less of its
  // smaller address space, and reads past that as usual.
  sqlite3_exec(raw,
               sizeof(void*) == 8 ? "PRAGMA mmap_size=1073741824" : "PRAGMA mmap_size=134217728",
               nullptr, nullptr, nullptr);
  RegisterJetFunctions(raw);
  return db;
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
}

void Database::Raise(int rc) const { FailEngine(CodeOf(rc), Wide(sqlite3_errmsg(db_))); }

Statement::Statement(std::shared_ptr<Database> db, const std::string& sql) : db_(std::move(db)) {
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db_->Handle(), sql.c_str(), static_cast<int>(sql.size() + 1),
                                    &stmt_, &tail);
  if (rc != SQLITE_OK) db_->Raise(rc);
  if (!stmt_) FailEngine(kErrorsInCommand, L"The SQL statement is empty.");
  for (; tail && *tail; ++tail)
    if (*tail != ' ' && *tail != ';' && *tail != '\r' && *tail != '\n' && *tail != '\t') {
      sqlite3_finalize(stmt_);
      FailEngine(kErrorsInCommand, L"Characters found after the end of the SQL statement.");
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The statement's own error text, which reset makes the connection's.
  sqlite3_reset(stmt_);
  db_->Raise(rc);
}

void Statement::Rewind() { sqlite3_reset(stmt_); }

}  // namespace kb::data
