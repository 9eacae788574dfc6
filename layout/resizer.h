// rsz_ResizeForm: keeps a form's controls in proportion to the form.
//
// The first call for a form (told apart by its Name) records the form's inner
// scale size and every control's geometry; every call places each control at
// its recorded geometry scaled by the whole-percent ratio of the form's
// current to its recorded inner size.  Starting from the record each time
// keeps rounding from creeping in over many resizes.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace kb::frame {
class Resize;
}

namespace kb::layout {

// One shape for forms and controls.  A form's record keeps its Name and its
// outer and inner (scale) size; a control's keeps its Name, Index, form name
// and geometry, Left and Width unparked; for a line, X1, Y1, X2, Y2 stand in
// Left, Top, Width, Height.
struct ResizeRecord {
  std::wstring name;
  long index = 0;
  std::wstring formName;
  long top = 0;
  long left = 0;
  long height = 0;
  long width = 0;
  long scaleHeight = 0;
  long scaleWidth = 0;
};

// The records of one clsResize object; they only ever grow.
struct ResizeTables {
  std::vector<ResizeRecord> forms;
  std::vector<ResizeRecord> controls;
};

void ResizeForm(frame::Resize& self, IDispatch** frm);

}  // namespace kb::layout
