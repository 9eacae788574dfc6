// State the library keeps per client thread (the file list, the connection
// table, open file numbers, the printer's job, ...), and when it goes.
//
// Such state holds COM objects, open files and print jobs, so it is let go on
// its own thread while COM runs there: when the last object of the library's
// classes on the thread is released, which is also when the library may be
// unloaded. Never under the loader lock: a thread that ends with objects
// still alive, and a library that is unloaded, only forget what is left.
#pragma once

#include <windows.h>

#include <memory>

#include "runtime/errors.h"

namespace kb::rt {

// A member of every object of the library's classes: counts the object on the
// thread that made it, and when the thread's count drops to none there, runs
// the releases registered for the thread.
class ThreadUse {
 public:
  ThreadUse() noexcept;
  ThreadUse(const ThreadUse&) noexcept : ThreadUse() {}
  ThreadUse& operator=(const ThreadUse&) noexcept { return *this; }
  ~ThreadUse();

 private:
  DWORD thread_;
};

// Arranges for release(context) to run on the calling thread when its last
// object goes; once per thread for each pair.
void ReleaseWithThread(void (*release)(void*), void* context);

// One thread-local slot, given back to the system when the library unloads.
class ThreadSlot {
 public:
  ThreadSlot() : index_(::TlsAlloc()) {}
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;
  ~ThreadSlot() {
    if (index_ != TLS_OUT_OF_INDEXES) ::TlsFree(index_);
  }
  void* Get() const { return index_ == TLS_OUT_OF_INDEXES ? nullptr : ::TlsGetValue(index_); }
  bool Set(void* value) const {
    return index_ != TLS_OUT_OF_INDEXES && ::TlsSetValue(index_, value);
  }

 private:
  DWORD index_;
};

// A T per thread: made on first use, released with the thread's last object
// (or earlier by Release).
template <class T>
class PerThread {
 public:
  // The calling thread's T, without making one.
  T* Find() const { return static_cast<T*>(slot_.Get()); }
  T& Get() {
    if (T* existing = Find()) return *existing;
    auto fresh = std::make_unique<T>();
    if (!slot_.Set(fresh.get())) Raise(kErrOutOfMemory);
    ReleaseWithThread(&ReleaseFor, this);
    return *fresh.release();
  }
  // Drops the calling thread's T; it is gone from the slot before its
  // destructor runs, so whatever that calls finds none.
  void Release() {
    std::unique_ptr<T> gone(Find());
    slot_.Set(nullptr);
  }

 private:
  static void ReleaseFor(void* self) { static_cast<PerThread*>(self)->Release(); }
  ThreadSlot slot_;
};

}  // namespace kb::rt
