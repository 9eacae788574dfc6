#include "runtime/global_memory.h"

#include "runtime/errors.h"

namespace kb::rt {

GlobalMemory NewGlobalBlock(size_t bytes) {
  GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1));
  if (!block) Raise(kErrOutOfMemory);
  return block;
}

}  // namespace kb::rt
