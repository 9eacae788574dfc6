// The platform's own data access objects, for the database files whose
// provider the system has (see data_layer.h for which files go where).
#include <windows.h>

#include <array>
#include <cstring>
#include <optional>
#include <utility>

#include "data/ado_interfaces.h"
#include "data/connection.h"
#include "data/data_layer.h"
#include "runtime/errors.h"
#include "runtime/variants.h"

namespace kb::data {
namespace {

constexpr wchar_t kJet40[] = L"Microsoft.Jet.OLEDB.4.0";
constexpr wchar_t kJet351[] = L"Microsoft.Jet.OLEDB.3.51";
// In the order they are tried.
constexpr std::array<const wchar_t*, 2> kAce = {L"Microsoft.ACE.OLEDB.16.0",
                                                L"Microsoft.ACE.OLEDB.12.0"};

// The engine's databases begin with this header, the terminating zero included.
constexpr char kEngineHeader[] = "SQLite format 3";

bool KeyExists(const std::wstring& path) {
  RegKey key;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

// A provider is there when its name leads to a class with an in-process
// server in this process's view of the classes: a 32-bit process sees the
// 32-bit providers, a 64-bit one the 64-bit providers.
bool Registered(const wchar_t* provider) {
  wchar_t clsid[64] = {};
  LONG size = sizeof clsid;
  const std::wstring path = std::wstring(provider) + L"\\CLSID";
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, path.c_str(), clsid, &size) != ERROR_SUCCESS)
    return false;
  return clsid[0] && KeyExists(L"CLSID\\" + std::wstring(clsid) + L"\\InprocServer32");
}

std::optional<std::pair<std::wstring, std::wstring>> SystemProviders() {
  if (Registered(kJet40)) return std::pair<std::wstring, std::wstring>(kJet40, kJet351);
  std::vector<std::wstring> ace;
  for (const wchar_t* name : kAce)
    if (Registered(name)) ace.emplace_back(name);
  if (ace.empty()) return std::nullopt;
  // With one ACE provider installed, the second attempt names it again.
  return std::pair(ace.front(), ace.back());
}

bool IsEngineFile(const std::wstring& path) {
  if (path.empty()) return false;
  const Handle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  char head[sizeof kEngineHeader] = {};
  DWORD read = 0;
  if (!::ReadFile(file.Get(), head, sizeof head, &read, nullptr)) return false;
  return read == 0 || (read == sizeof head && std::memcmp(head, kEngineHeader, sizeof head) == 0);
}

ComPtr<IDispatch> SystemObject(REFCLSID clsid) {
  ComPtr<IDispatch> object;
  ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                     reinterpret_cast<void**>(object.Out()));
  return object;
}

// Reads through the platform's own early-bound members, each failure raised
// with the error the object describes.
class EarlyBoundRows final : public RowSource {
 public:
  explicit EarlyBoundRows(ComPtr<ado::Recordset15> rs) : rs_(std::move(rs)) {}

  bool AtEnd() override {
    VARIANT_BOOL eof = VARIANT_FALSE;
    Check(rs_->get_EOF(&eof));
    return eof != VARIANT_FALSE;
  }
  long FieldCount() override {
    long count = 0;
    Check(Fields()->get_Count(&count));
    return count;
  }
  Bstr FieldName(long index) override {
    Bstr name;
    Check(Field(index)->get_Name(name.Out()));
    return name;
  }
  Variant FieldValue(long index) override {
    Variant value;
    Check(Field(index)->get_Value(value.Out()));
    return value;
  }
  void MoveNext() override { Check(rs_->MoveNext()); }

 private:
  ComPtr<ado::Fields15> Fields() {
    ComPtr<ado::Fields15> fields;
    Check(rs_->get_Fields(fields.Out()));
    return fields;
  }
  ComPtr<ado::Field20> Field(long index) {
    VARIANT position;
    V_VT(&position) = VT_I4;
    V_I4(&position) = index;
    ComPtr<ado::Field20> field;
    Check(Fields()->get_Item(position, field.Out()));
    return field;
  }

  ComPtr<ado::Recordset15> rs_;
};

}  // namespace

NewConnectionFor::NewConnectionFor(std::wstring_view connectionString) {
  if (!IsEngineFile(DataSourceOf(connectionString))) {
    if (auto providers = SystemProviders()) {
      connection = SystemObject(ado::kConnectionClass);
      if (connection) {
        std::tie(firstProvider, secondProvider) = std::move(*providers);
        return;
      }
    }
  }
  connection = NewConnection();
  firstProvider = kJet40;
  secondProvider = kJet351;
}

ComPtr<IDispatch> NewRecordsetFor(IDispatch* connection) {
  if (!connection || Connection::Of(connection)) return NewRecordset();
  ComPtr<IDispatch> rs = SystemObject(ado::kRecordsetClass);
  if (!rs) Raise(kErrCantCreateObject);
  return rs;
}

std::unique_ptr<RowSource> EarlyBoundRowsOf(IDispatch* recordset) {
  ComPtr<ado::Recordset15> rs;
  if (!recordset ||
      FAILED(recordset->QueryInterface(ado::kIidRecordset15, reinterpret_cast<void**>(rs.Out()))))
    return nullptr;
  return std::make_unique<EarlyBoundRows>(std::move(rs));
}

}  // namespace kb::data
