#include "files/list_box_fill.h"

#include <string>

#include "files/siblings.h"
#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

// The TypeOfFileSystem values.
enum : long { kArchive, kArchiveAndDirectory, kHidden, kDirectory, kDrives };

HWND WindowOf(IDispatch* box) { return rt::ToHwnd(*rt::Get(box, L"hwnd").Get()); }

}  // namespace

WPARAM ListingAttributes(long whatToFill) {
  WORD flags = 0;  // any other value: ordinary read-write files
  switch (whatToFill) {
    case kArchive: flags = DDL_EXCLUSIVE | DDL_ARCHIVE; break;
    case kArchiveAndDirectory: flags = DDL_EXCLUSIVE | DDL_ARCHIVE | DDL_DIRECTORY; break;
    case kHidden: flags = DDL_EXCLUSIVE | DDL_HIDDEN; break;
    case kDirectory: flags = DDL_EXCLUSIVE | DDL_DIRECTORY; break;
    case kDrives: flags = DDL_EXCLUSIVE | DDL_DRIVES; break;
    default: break;
  }
  // The word goes as a 16-bit integer widened to the message's parameter.
  return static_cast<WPARAM>(static_cast<LONG_PTR>(static_cast<short>(flags)));
}

void FillFileSystem(frame::Common& self, VARIANT* lstBox, BSTR* Path, long* WhatToFill) {
  const WPARAM attributes = ListingAttributes(*WhatToFill);
  const ComPtr<IDispatch> box = rt::ObjectOf(*lstBox);
  ::SendMessageA(WindowOf(box.Get()), LB_RESETCONTENT, 0, 0);
  const HWND window = WindowOf(box.Get());
  std::wstring pattern(AddSlashVia(self, Path).View());
  pattern += L"*.*";
  const rt::AnsiText ansi(pattern);
  ::SendMessageA(window, LB_DIR, attributes, reinterpret_cast<LPARAM>(ansi.Get()));
}

}  // namespace kb::files
