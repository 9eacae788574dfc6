// The runtime's guard against running out of stack: a call that would leave
// too little of the thread's stack raises 28 (out of stack space) instead of
// overflowing it.
#pragma once

namespace kb::rt {

// Raises 28 when less than a safe margin is left below the caller: room for
// the system calls, window procedures and event handlers that may still run
// on top of it.
void CheckStackSpace();

}  // namespace kb::rt
