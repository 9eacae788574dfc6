// The thread's file list: the collector fills it, cmn_FileArray hands out
// copies of it, and every clsCommon object of the thread shares it.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::files {

// Element `index` becomes its present text followed by `name`; the list
// first grows or shrinks, keeping its elements, so that `index` is its last.
void SetListElement(frame::Common& self, long index, Bstr name);

// The collector's sort of the whole list through cmn_BubbleSort.  It is done
// when the list is next looked at or changed other than by adding names at
// its end, which sorts exactly what the sort would have sorted now, once.
void SortListLater(frame::Common& self);

// Does a sort that is due; a failure of it is skipped, as the collector
// skips it.
void SettleList(frame::Common& self);

// cmn_FileArray: a copy of the list; an array without elements (none
// allocated) before the first name.
Variant FileArray(frame::Common& self);

}  // namespace kb::files
