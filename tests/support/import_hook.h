// Replaces one imported system function of a loaded module for a test's
// scope, by rewriting the module's import address table.  The library's calls
// to that function reach the replacement instead, so a test sees exactly what
// the library hands the system (and can answer for it) where the system's
// own effect cannot be watched: a CD door, a logon name, a long sleep.
#pragma once

#include <windows.h>

namespace kb::support {

class ImportHook {
 public:
  // dll as the import table names it ("winmm.dll"), compared without case.
  // Throws std::runtime_error when the module does not import the function.
  template <class F>
  ImportHook(HMODULE module, const char* dll, const char* function, F* replacement) {
    Install(module, dll, function, reinterpret_cast<ULONG_PTR>(replacement));
  }
  ImportHook(const ImportHook&) = delete;
  ImportHook& operator=(const ImportHook&) = delete;
  ~ImportHook();

  // The system's own function, for a replacement that passes a call on.
  template <class F>
  F Original() const {
    return reinterpret_cast<F>(original_);
  }

 private:
  void Install(HMODULE module, const char* dll, const char* function, ULONG_PTR replacement);
  void Write(ULONG_PTR value);
  ULONG_PTR* slot_ = nullptr;
  ULONG_PTR original_ = 0;
};

}  // namespace kb::support
