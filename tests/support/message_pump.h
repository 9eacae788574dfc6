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

// Runs `work` when the thread next dispatches its messages, as a client's
// event handler runs in the middle of a routine that lets events run.
void PostToThread(std::function<void()> work);

}  // namespace kb::support
