#include "tests/shell/program_stub_log.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "runtime/handles.h"

namespace kb::support {
namespace {

std::wstring FromCodePage(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

std::string ReadAll(const std::wstring& path) {
  const kb::Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char chunk[4096];
  DWORD n = 0;
  while (file && ::ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr) && n > 0)
    bytes.append(chunk, n);
  return bytes;
}

std::optional<StubStart> Parse(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; fields.size() < 4 && std::getline(in, field, '\t');)
    fields.push_back(field);
  std::string rest;
  std::getline(in, rest, '\n');
  if (fields.size() < 4 || fields[0].empty() || rest.empty()) return std::nullopt;
  StubStart start;
  start.processId = std::strtoul(fields[0].c_str(), nullptr, 10);
  start.flags = std::strtoul(fields[1].c_str(), nullptr, 10);
  start.show = static_cast<WORD>(std::strtoul(fields[2].c_str(), nullptr, 10));
  start.folder = FromCodePage(fields[3]);
  start.commandLine = FromCodePage(rest);
  return start;
}

}  // namespace

StubLog::StubLog(std::wstring path) : path_(std::move(path)) {
  ::DeleteFileW(path_.c_str());
  ::SetEnvironmentVariableW(L"KITBAG_STUB_LOG", path_.c_str());
}

StubLog::~StubLog() {
  ::SetEnvironmentVariableW(L"KITBAG_STUB_LOG", nullptr);
  ::DeleteFileW(path_.c_str());
}

std::optional<StubStart> StubLog::Wait(DWORD timeoutMs) const {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  std::optional<StubStart> start;
  // The file may be there a moment before it can be read whole.
  while (!(start = Parse(ReadAll(path_)))) {
    if (::GetTickCount64() > deadline) return std::nullopt;
    ::Sleep(20);
  }
  // Gone already when it cannot be opened.
  const kb::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, start->processId));
  if (process) ::WaitForSingleObject(process.Get(), timeoutMs);
  return start;
}

}  // namespace kb::support
