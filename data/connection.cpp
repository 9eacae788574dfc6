#include "data/connection.h"

#include <cwctype>
#include <utility>

#include "data/data_layer.h"
#include "data/errors.h"
#include "data/jet_sql.h"
#include "data/recordset.h"
#include "runtime/text.h"

namespace kb::data {
namespace {

enum : DISPID {
  kConnectionString = DISPID_VALUE,
  kProvider = 1,
  kOpen,
  kClose,
  kState,
  kExecute,
  kBeginTrans,
  kCommitTrans,
  kRollbackTrans,
};

constexpr MemberName kMembers[] = {
    {L"ConnectionString", kConnectionString, true},
    {L"Provider", kProvider, true},
    {L"Open", kOpen},
    {L"Close", kClose},
    {L"State", kState},
    {L"Execute", kExecute},
    {L"BeginTrans", kBeginTrans},
    {L"CommitTrans", kCommitTrans},
    {L"RollbackTrans", kRollbackTrans},
};

// {5B0E3C1A-6D3F-4C1B-9E55-2A7C0B61D401}
constexpr GUID kIidConnection = {
    0x5b0e3c1a, 0x6d3f, 0x4c1b, {0x9e, 0x55, 0x2a, 0x7c, 0x0b, 0x61, 0xd4, 0x01}};

// The providers that name the embedded engine.
constexpr const wchar_t* kProviders[] = {L"Microsoft.Jet.OLEDB.4.0", L"Microsoft.Jet.OLEDB.3.51"};

[[noreturn]] void ConnectionFails(long number, std::wstring text) {
  Fail(number, std::move(text), kConnectionSource);
}

// "Key=Value;Key=Value", values possibly in double quotes.
struct Settings {
  std::wstring provider;
  std::wstring dataSource;
};

Settings Parse(std::wstring_view text) {
  Settings out;
  if (text.find(L'=') == text.npos) {
    out.dataSource = rt::Trim(text);
    return out;
  }
  size_t at = 0;
  while (at < text.size()) {
    const size_t eq = text.find(L'=', at);
    if (eq == text.npos) break;
    const std::wstring key(rt::Trim(text.substr(at, eq - at)));
    size_t valueStart = eq + 1;
    while (valueStart < text.size() && text[valueStart] == L' ') ++valueStart;
    std::wstring value;
    size_t next;
    if (valueStart < text.size() && text[valueStart] == L'"') {
      const size_t close = text.find(L'"', valueStart + 1);
      value =
          text.substr(valueStart + 1, (close == text.npos ? text.size() : close) - valueStart - 1);
      next = close == text.npos ? text.size() : text.find(L';', close);
    } else {
      next = text.find(L';', valueStart);
      value =
          rt::Trim(text.substr(valueStart, (next == text.npos ? text.size() : next) - valueStart));
    }
    if (rt::SameName(key, L"Provider")) out.provider = value;
    if (rt::SameName(key, L"Data Source")) out.dataSource = value;
    at = next == text.npos ? text.size() : next + 1;
  }
  return out;
}

}  // namespace

std::wstring DataSourceOf(std::wstring_view connectionString) {
  return Parse(connectionString).dataSource;
}

Connection::Connection() : AutoObject(kMembers, kConnectionSource), provider_(kProviders[0]) {}

Connection* Connection::Of(IDispatch* object) {
  if (!object) return nullptr;
  void* own = nullptr;
  if (FAILED(object->QueryInterface(kIidConnection, &own)) || !own) return nullptr;
  auto* connection = static_cast<Connection*>(own);
  connection->Release();  // the caller holds its own reference
  return connection;
}

void* Connection::Extra(REFIID iid) { return iid == kIidConnection ? this : nullptr; }

std::shared_ptr<Database> Connection::OpenDatabase() const {
  if (!db_) ConnectionFails(kErrObjectClosed, L"The connection is closed.");
  return db_;
}

void Connection::Open(const std::wstring& connectionString) {
  if (db_) ConnectionFails(kErrObjectOpen, L"The connection is already open.");
  connectionString_ = connectionString;
  const Settings settings = Parse(connectionString_);
  if (!settings.provider.empty()) provider_ = settings.provider;
  bool known = false;
  for (const wchar_t* name : kProviders) known = known || rt::SameName(provider_, name);
  if (!known)
    ConnectionFails(kErrProviderNotFound,
                    L"The provider '" + provider_ + L"' is not known; use " + kProviders[0] + L".");
  if (settings.dataSource.empty())
    ConnectionFails(kErrArguments, L"The connection string names no database file.");
  db_ = Database::Open(settings.dataSource);
}

void Connection::Close() {
  if (!db_) ConnectionFails(kErrObjectClosed, L"The connection is already closed.");
  // Work begun and never committed is undone, as when the file is let go.
  if (db_->TransactionLevel() > 0) {
    sqlite3_exec(db_->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    db_->TransactionLevel() = 0;
  }
  db_.reset();
}

Variant Connection::Execute(const CallArgs& args) {
  auto db = OpenDatabase();
  auto statement = std::make_unique<Statement>(db, ToEngineSql(TextArg(args, 0).View()));
  if (statement->ColumnCount() > 0)
    return FromObject(Recordset::Over(ComPtr<IDispatch>(this), std::move(statement)).Get());
  while (statement->Step()) {
  }
  StoreLong(args.Variable(1), static_cast<long>(sqlite3_changes(db->Handle())));
  return FromObject(NewRecordset().Get());
}

long Connection::BeginTrans() {
  auto db = OpenDatabase();
  int& level = db->TransactionLevel();
  if (level == 0)
    db->Exec("BEGIN");
  else
    db->Exec(("SAVEPOINT kb_level_" + std::to_string(level + 1)).c_str());
  return ++level;
}

void Connection::EndTrans(bool commit) {
  auto db = OpenDatabase();
  int& level = db->TransactionLevel();
  if (level == 0) ConnectionFails(kErrNotAllowed, L"No transaction is active.");
  const std::string name = "kb_level_" + std::to_string(level);
  if (level == 1)
    db->Exec(commit ? "COMMIT" : "ROLLBACK");
  else if (commit)
    db->Exec(("RELEASE " + name).c_str());
  else
    db->Exec(("ROLLBACK TO " + name + "; RELEASE " + name).c_str());
  --level;
}

Variant Connection::Run(DISPID id, WORD flags, const CallArgs& args) {
  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  switch (id) {
    case kConnectionString:
      if (!put) return FromText(connectionString_);
      if (db_) ConnectionFails(kErrObjectOpen, L"The connection is open.");
      connectionString_ = std::wstring(rt::ToText(PutArg(args)).View());
      return {};
    case kProvider:
      if (!put) return FromText(provider_);
      if (db_) ConnectionFails(kErrObjectOpen, L"The connection is open.");
      provider_ = std::wstring(rt::ToText(PutArg(args)).View());
      return {};
    case kOpen:
      Open(args.Has(0) ? std::wstring(TextArg(args, 0).View()) : connectionString_);
      return {};
    case kClose: Close(); return {};
    case kState: return FromLong(db_ ? 1 : 0);
    case kExecute: return Execute(args);
    case kBeginTrans: return FromLong(BeginTrans());
    case kCommitTrans: EndTrans(true); return {};
    case kRollbackTrans: EndTrans(false); return {};
    default: return {};
  }
}

ComPtr<IDispatch> NewConnection() { return ComPtr<IDispatch>(MakeObject<Connection>().Get()); }

}  // namespace kb::data
