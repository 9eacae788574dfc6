#include "runtime/thread_state.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kb::rt {
namespace {

struct Release {
  void (*release)(void*);
  void* context;
  bool operator==(const Release&) const = default;
};

// What a thread has of the library: its live objects, and what goes when
// the last of them does.
struct ThreadRecord {
  long objects = 0;
  std::vector<Release> releases;
};

ThreadSlot& RecordSlot() {
  static ThreadSlot slot;
  return slot;
}

ThreadRecord* Record(bool make) {
  auto* record = static_cast<ThreadRecord*>(RecordSlot().Get());
  if (record || !make) return record;
  auto fresh = std::make_unique<ThreadRecord>();
  if (!RecordSlot().Set(fresh.get())) return nullptr;
  return fresh.release();
}

}  // namespace

ThreadUse::ThreadUse() noexcept : thread_(::GetCurrentThreadId()) {
  try {
    if (ThreadRecord* record = Record(true)) ++record->objects;
  } catch (...) {
    // Out of memory: the thread's state then stays until the thread ends.
  }
}

ThreadUse::~ThreadUse() {
  // A client that releases an object on another thread than its own leaves
  // the owning thread's count as it is: that state is not ours to touch here.
  if (::GetCurrentThreadId() != thread_) return;
  ThreadRecord* record = Record(false);
  if (!record || --record->objects > 0) return;
  // Releases may make objects and state anew (a connection's Close reaching
  // client code); those register afresh.
  const std::vector<Release> releases = std::move(record->releases);
  record->releases.clear();
  for (auto it = releases.rbegin(); it != releases.rend(); ++it) it->release(it->context);
  if (record->objects == 0 && record->releases.empty()) {
    RecordSlot().Set(nullptr);
    delete record;
  }
}

void ReleaseWithThread(void (*release)(void*), void* context) {
  ThreadRecord* record = Record(true);
  if (!record) return;
  const Release r{release, context};
  if (std::find(record->releases.begin(), record->releases.end(), r) == record->releases.end())
    record->releases.push_back(r);
}

}  // namespace kb::rt
