// Message pumping for tests that post to their own windows (WM_CLOSE, timers)
// and need the thread's queue to run before they look at the outcome.
#pragma once

#include <windows.h>

#include <functional>

namespace kb::support {

// Dispatches whatever is queued now, without waiting.
void PumpMessages();
// Dispatches messages until `done` holds or the timeout passes; returns
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000);

}  // namespace kb::support
