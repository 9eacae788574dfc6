#include "runtime/timer.h"

#include <windows.h>

namespace kb::rt {

float Timer() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const long seconds = now.wHour * 3600L + now.wMinute * 60L + now.wSecond;
  return static_cast<float>(seconds + now.wMilliseconds / 1000.0);
}

}  // namespace kb::rt
