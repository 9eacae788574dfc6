// What one clsCommon object's file collector keeps between its calls and
// across the recursion into subfolders.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <vector>

namespace kb::files {

struct CollectorState {
  long fileCount = 0;              // where the collector stores its next name
  VARIANT_BOOL sortFlag = 0;       // the sort request of the latest collection
  std::vector<std::wstring> walk;  // the folders the collector is in, outermost first
};

}  // namespace kb::files
