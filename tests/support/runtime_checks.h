// Small helpers for tests that call the runtime module and the routines'
// internals in-process.
#pragma once

#include <windows.h>

#include "runtime/errors.h"
#include "runtime/handles.h"

namespace kb::support {

// The run-time error number a call raised, 0 when it raised none.
template <class F>
long ErrorOf(F&& call) {
  try {
    call();
    return 0;
  } catch (const kb::Error& e) {
    return e.Number();
  }
}

// Another program holding the clipboard open, from construction until
// destruction: what a user's clipboard manager sometimes does.
class ClipboardHolder {
 public:
  ClipboardHolder()
      : held_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        thread_(::CreateThread(nullptr, 0, Hold, this, 0, nullptr)) {
    ::WaitForSingleObject(held_.Get(), 5000);
  }
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;
  ~ClipboardHolder() {
    ::SetEvent(release_.Get());
    ::WaitForSingleObject(thread_.Get(), 5000);
  }

 private:
  static DWORD WINAPI Hold(void* self) {
    auto* me = static_cast<ClipboardHolder*>(self);
    ::OpenClipboard(nullptr);
    ::SetEvent(me->held_.Get());
    ::WaitForSingleObject(me->release_.Get(), 10000);
    ::CloseClipboard();
    return 0;
  }

  kb::Handle held_;
  kb::Handle release_;
  kb::Handle thread_;
};

}  // namespace kb::support
