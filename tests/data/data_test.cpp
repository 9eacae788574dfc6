#include "tests/data/data_test.h"

#include <fstream>
#include <iterator>

namespace datatest {

using kb::support::Get;

std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (auto& c : name)
    if (c == '/') c = '_';
  return std::wstring(name.begin(), name.end());
}

ScratchFile::ScratchFile(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"kb_" + name;
  ::DeleteFileW(path_.c_str());
}

ScratchFile::~ScratchFile() {
  for (const wchar_t* side : {L"", L"-wal", L"-shm", L"-journal"})
    ::DeleteFileW((path_ + side).c_str());
}

std::string ScratchFile::Bytes() const {
  std::ifstream in(std::string(path_.begin(), path_.end()), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void ScratchFile::Write(const std::string& bytes) const {
  std::ofstream out(std::string(path_.begin(), path_.end()), std::ios::binary | std::ios::trunc);
  out << bytes;
}

ComPtr<IDispatch> OpenConnection(const std::wstring& path) {
  ComPtr<IDispatch> connection = kb::data::NewConnection();
  const CallResult r = kb::support::CallMethod(connection.Get(), L"Open", {path});
  EXPECT_TRUE(r.Ok()) << r;
  return connection;
}

void Execute(IDispatch* connection, const std::wstring& sql) {
  const CallResult r = kb::support::CallMethod(connection, L"Execute", {sql});
  EXPECT_TRUE(r.Ok()) << kb::support::Utf8(sql) << ": " << r;
}

void MakeDatabase(const std::wstring& path, const std::vector<std::wstring>& statements) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  ::CloseHandle(file);
  ComPtr<IDispatch> connection = OpenConnection(path);
  for (const auto& sql : statements) Execute(connection.Get(), sql);
}

kb::Variant Scalar(const std::wstring& path, const std::wstring& sql) {
  ComPtr<IDispatch> connection = OpenConnection(path);
  CallResult rs = kb::support::CallMethod(connection.Get(), L"Execute", {sql});
  EXPECT_TRUE(rs.Ok()) << rs;
  if (!rs.Ok()) return {};
  CallResult value = FieldValue(rs.Object().Get(), 0);
  EXPECT_TRUE(value.Ok()) << value;
  return std::move(value.value);
}

std::wstring ScalarText(const std::wstring& path, const std::wstring& sql) {
  kb::Variant v = Scalar(path, sql);
  return V_VT(v.Get()) == VT_BSTR ? std::wstring(kb::View(V_BSTR(v.Get()))) : L"<not a text>";
}

long Count(const std::wstring& path, const std::wstring& table) {
  kb::Variant n = Scalar(path, L"SELECT COUNT(*) FROM " + table);
  return V_VT(n.Get()) == VT_I4 ? V_I4(n.Get()) : -1;
}

CallResult FieldValue(IDispatch* rs, Arg index) {
  CallResult field = Get(rs, L"Fields", {std::move(index)});
  if (!field.Ok()) return field;
  return Get(field.Object().Get(), L"Value");
}

long ErrorOf(const CallResult& r) { return r.ErrorNumber(); }

}  // namespace datatest
