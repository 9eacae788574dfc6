#include "runtime/stack.h"

#include <windows.h>

#include <cstdint>

#include "runtime/errors.h"

namespace kb::rt {
namespace {

constexpr uintptr_t kMargin = 128 * 1024;

// The lowest address of the calling thread's stack: the start of the region
// reserved for it.
uintptr_t StackBottom() {
  thread_local uintptr_t bottom = 0;
  if (!bottom) {
    MEMORY_BASIC_INFORMATION info{};
    ::VirtualQuery(&info, &info, sizeof info);
    bottom = reinterpret_cast<uintptr_t>(info.AllocationBase);
  }
  return bottom;
}

}  // namespace

void CheckStackSpace() {
  const char here = 0;
  const auto top = reinterpret_cast<uintptr_t>(&here);
  if (top - StackBottom() < kMargin) Raise(kErrOutOfStack);
}

}  // namespace kb::rt
