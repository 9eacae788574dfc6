#include "runtime/ansi_ref.h"

namespace kb::rt {

void AnsiRef::Return() {
  if (!text_.Get()) return;
  Bstr back = FromAnsi(text_.Get(), text_.Size());
  ::SysFreeString(*variable_);
  *variable_ = back.Release();
}

}  // namespace kb::rt
