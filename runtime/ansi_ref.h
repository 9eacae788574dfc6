// By-reference texts handed to an ANSI system call.  The language runtime
// converts such a text to the system code page for the call and afterwards
// converts the bytes back into the caller's variable, so a character the code
// page lacks returns to the caller as "?".
#pragma once

#include <windows.h>

#include "runtime/text.h"

namespace kb::rt {

class AnsiRef {
 public:
  explicit AnsiRef(BSTR* variable) : variable_(variable), text_(*variable) {}
  AnsiRef(const AnsiRef&) = delete;
  AnsiRef& operator=(const AnsiRef&) = delete;

  // What the system call receives: null for a null text.
  const char* Get() const { return text_.Get(); }
  size_t Size() const { return text_.Size(); }

  // Replaces the caller's text by the converted bytes; a null text stays null.
  void Return();

 private:
  BSTR* variable_;
  AnsiText text_;
};

// Returns every argument's round trip to its caller's variable.
template <class... Refs>
void ReturnAll(Refs&... refs) {
  (refs.Return(), ...);
}

}  // namespace kb::rt
