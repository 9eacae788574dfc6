#include "runtime/events.h"

#include <windows.h>

namespace kb::rt {
namespace {
// A handler that keeps posting to itself would keep the queue full for ever;
// past this much time the rest waits for the next call.
constexpr ULONGLONG kBudgetMs = 200;
}  // namespace

void DoEvents() {
  const ULONGLONG start = ::GetTickCount64();
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The request to end belongs to the client's own message loop: leave
      // it in the queue for that loop and stop here.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    if (::GetTickCount64() - start > kBudgetMs) return;
  }
}

}  // namespace kb::rt
