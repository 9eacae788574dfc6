// Reading what tests/shell/program_stub.cpp wrote about its start, and
// waiting until that program has ended, so no test leaves it running.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kb::support {

struct StubStart {
  DWORD processId = 0;
  DWORD flags = 0;  // STARTUPINFO dwFlags
  WORD show = 0;    // STARTUPINFO wShowWindow
  std::wstring folder;
  std::wstring commandLine;
};

// A log file for the stub, named in the environment its children inherit;
// the file and the variable go with the object.
class StubLog {
 public:
  explicit StubLog(std::wstring path);
  StubLog(const StubLog&) = delete;
  StubLog& operator=(const StubLog&) = delete;
  ~StubLog();

  // The start the stub wrote, after waiting up to timeoutMs for it and then
  // for the stub to end; nothing when it never wrote.
  std::optional<StubStart> Wait(DWORD timeoutMs = 15000) const;

 private:
  std::wstring path_;
};

}  // namespace kb::support
