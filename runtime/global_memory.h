// Movable blocks of global memory: what the clipboard and stream-on-memory
// calls take over.
#pragma once

#include <windows.h>

#include <cstddef>

#include "runtime/handles.h"

namespace kb::rt {

// A new movable block of at least one byte; error 7 when memory is short.
GlobalMemory NewGlobalBlock(size_t bytes);

// A block locked in place for a scope.  Data() is null when the block could
// not be locked (a null or discarded block).
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL h)
      : h_(h), p_(h ? ::GlobalLock(h) : nullptr), size_(p_ ? ::GlobalSize(h) : 0) {}
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  ~LockedGlobal() {
    if (p_) ::GlobalUnlock(h_);
  }
  void* Data() const { return p_; }
  size_t Size() const { return size_; }

 private:
  HGLOBAL h_;
  void* p_;
  size_t size_;
};

}  // namespace kb::rt
