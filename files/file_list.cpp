#include "files/file_list.h"

#include <string>
#include <utility>
#include <vector>

#include "files/siblings.h"
#include "files/sorting.h"
#include "frame/classes.h"
#include "runtime/errors.h"
#include "runtime/thread_state.h"

namespace kb::files {
namespace {

static_assert(sizeof(Bstr) == sizeof(BSTR), "the list's names are laid out as an array of BSTR");

constexpr size_t kLongest16BitList = 32768;  // elements 0 to 32767

// An array of texts over the first names of the list, borrowing them: the
// sort moves them about in place and the list keeps owning them.
class ListView {
 public:
  ListView(std::vector<Bstr>& list, size_t count) {
    Check(::SafeArrayAllocDescriptorEx(VT_BSTR, 1, &array_));
    array_->fFeatures |= FADF_STATIC | FADF_FIXEDSIZE;
    array_->cbElements = sizeof(BSTR);
    array_->rgsabound[0].cElements = static_cast<ULONG>(count);
    array_->rgsabound[0].lLbound = 0;
    array_->pvData = list.data();
  }
  ListView(const ListView&) = delete;
  ListView& operator=(const ListView&) = delete;
  ~ListView() {
    array_->pvData = nullptr;
    ::SafeArrayDestroyDescriptor(array_);
  }
  SAFEARRAY** Ref() { return &array_; }

 private:
  SAFEARRAY* array_ = nullptr;
};

// The thread's list; unallocated until the first name is set.
struct FileList {
  bool allocated = false;
  std::vector<Bstr> names;
  // The leading names that a sort was asked for and that are sorted when the
  // list is next looked at (0: none).
  size_t sortDue = 0;
};

FileList& ThisThreadList() {
  static rt::PerThread<FileList> lists;
  return lists.Get();
}

}  // namespace

void SetListElement(frame::Common& self, long index, Bstr name) {
  FileList& state = ThisThreadList();
  const size_t position = static_cast<size_t>(index);
  // Adding at the end leaves the names a due sort covers where they are;
  // anything else changes them, so the sort is done first.
  if (position < state.names.size()) SettleList(self);
  std::vector<Bstr>& list = state.names;
  list.resize(position + 1);
  state.allocated = true;
  // A new element, the collector's usual case, takes the name as it is.
  if (list[position].Length() == 0) {
    list[position] = std::move(name);
    return;
  }
  std::wstring text(list[position].View());
  text += name.View();
  list[position] = Bstr(text);
}

void SortListLater(frame::Common&) {
  FileList& state = ThisThreadList();
  // The sort of a list never allocated fails, and the failure is skipped.
  if (!state.allocated) return;
  state.sortDue = state.names.size();
}

void SettleList(frame::Common& self) {
  FileList& state = ThisThreadList();
  const size_t due = std::min(state.sortDue, state.names.size());
  state.sortDue = 0;
  if (due == 0) return;
  try {
    ListView view(state.names, due);
    // cmn_BubbleSort takes arrays with 16-bit bounds; a longer list is
    // sorted the same way without it.
    if (due > kLongest16BitList) return SortElements(*view.Ref(), VT_BSTR);
    VARIANT array;
    V_VT(&array) = VT_BYREF | VT_ARRAY | VT_BSTR;
    V_ARRAYREF(&array) = view.Ref();
    BubbleSortVia(self, &array);
  } catch (const Error&) {
    // The collector goes on without the sort.
  }
}

Variant FileArray(frame::Common& self) {
  SettleList(self);
  const FileList& state = ThisThreadList();
  Variant copy;
  V_VT(copy.Get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(copy.Get()) = nullptr;
  if (!state.allocated) return copy;
  SafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(state.names.size())));
  if (!array.Get()) Raise(kErrOutOfMemory);
  auto* items = static_cast<BSTR*>(array.Get()->pvData);
  for (size_t i = 0; i < state.names.size(); ++i)
    items[i] = Bstr::Copy(state.names[i].Get()).Release();
  V_ARRAY(copy.Get()) = array.Release();
  return copy;
}

}  // namespace kb::files
