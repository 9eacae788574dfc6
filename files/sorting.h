// The exchange sort of arrays: cmn_BubbleSort.
//
// The routine's contract is that of a bubble sort: passes of neighbour
// exchanges, element i and i + 1 swapped when i is greater by the runtime's
// comparison of values, until a pass exchanges nothing.  An exchange holds
// the left element as text while the right one moves over, so in an array of
// variants every element that ever moves right comes out as text, and in an
// array of numbers it comes back through its text.  The result is computed
// in O(n log n) where the comparison makes that possible (texts, numbers,
// numbers mixed with texts, Null as a barrier nothing passes); arrays whose
// comparison is not a consistent order (several Empty elements among
// numbers, numbers whose text does not give them back closely enough) run
// the passes themselves.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace kb::frame {
class Common;
}

namespace kb::files {

// cmn_BubbleSort: the array in StringArray sorted in place.  No array, or one
// without elements, raises 9; bounds outside the 16-bit range raise 6.
void BubbleSort(frame::Common& self, VARIANT* StringArray);

// The elements of a one-dimensional array of `type`, locked by the caller,
// left as the exchange sort leaves them.
void SortElements(SAFEARRAY* array, VARTYPE type);
// The passes themselves, done one by one: what SortElements must equal.
void ExchangeSort(SAFEARRAY* array, VARTYPE type);

}  // namespace kb::files
