#include "tests/support/message_pump.h"

#include <algorithm>
#include <memory>

namespace kb::support {

void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    // Wake for new messages, or at least every few milliseconds so that
    // conditions changed by other threads are seen.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                QS_ALLINPUT);
  }
}

namespace {

constexpr UINT kRunPosted = WM_APP + 77;

LRESULT CALLBACK PostedProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message != kRunPosted) return ::DefWindowProcW(window, message, wp, lp);
  std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lp));
  (*work)();
  return 0;
}

// One message-only window per thread that runs posted work.
HWND PostedWindow() {
  static const ATOM kind = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PostedProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KitbagTestPostedWork";
    return ::RegisterClassW(&wc);
  }();
  thread_local HWND window = ::CreateWindowExW(0, MAKEINTATOM(kind), L"", 0, 0, 0, 0, 0,
                                               HWND_MESSAGE, nullptr, nullptr, nullptr);
  return window;
}

}  // namespace

void PostToThread(std::function<void()> work) {
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  if (::PostMessageW(PostedWindow(), kRunPosted, 0, reinterpret_cast<LPARAM>(owned.get())))
    owned.release();
}

}  // namespace kb::support
