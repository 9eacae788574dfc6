#include "runtime/module.h"

#include <windows.h>

namespace kb::rt {
namespace {
LONG g_uses = 0;
LONG g_locks = 0;
}  // namespace

ModuleUse::ModuleUse() noexcept { ::InterlockedIncrement(&g_uses); }
ModuleUse::ModuleUse(const ModuleUse&) noexcept { ::InterlockedIncrement(&g_uses); }
ModuleUse::~ModuleUse() { ::InterlockedDecrement(&g_uses); }

void LockModule(bool lock) {
  if (lock)
    ::InterlockedIncrement(&g_locks);
  else
    ::InterlockedDecrement(&g_locks);
}

bool ModuleInUse() { return g_uses > 0 || g_locks > 0; }

}  // namespace kb::rt
