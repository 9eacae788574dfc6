// The library's shared module: per-thread state and three small routines
// used by several classes.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <vector>

#include "runtime/handles.h"

namespace kb::frame {

// One copy per client thread, shared by every object of the library on that
// thread, zeroed when the library is first used there and kept until the
// thread's last object of the library's classes goes (runtime/thread_state.h).
struct ThreadState {
  // The file list the file collector fills; unallocated until first filled.
  bool fileListAllocated = false;
  std::vector<Bstr> fileList;
  // The leading names of the list that a sort was asked for and that are
  // sorted when the list is next looked at (0: none).
  size_t fileListSortDue = 0;
  // The connection table of clsDataBase.
  std::vector<ComPtr<IDispatch>> connections;
  // What the text editor window is fed with and hands back.
  Bstr editorText;
  Bstr editorCaption;
};

ThreadState& CurrentThreadState();

// Text gains Suffix unless its last character is the whole of Suffix.
void AppendIfMissing(BSTR* text, BSTR* suffix);
// Text loses its last character when that character is the whole of Suffix;
// an empty text with an empty Suffix raises error 5.
void StripTrailing(BSTR* text, BSTR* suffix);
// "<product name> ver. <major>.<minor>" of the library's own project.
Bstr AppVersionCaption();

}  // namespace kb::frame
