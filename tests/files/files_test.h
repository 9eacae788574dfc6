// What the tests of the file routines share: a clsCommon object of the
// registered library, early bound, and the way they write a failed call.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "frame/interfaces.h"
#include "runtime/handles.h"
#include "tests/frame/frame_test.h"

namespace kbtest {

// "#53": the run-time error a failed call surfaces as.
inline std::wstring Failure(HRESULT hr) { return L"#" + std::to_wstring(hr & 0xFFFF); }

class CommonTest : public ::testing::Test {
 protected:
  CommonTest() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}

  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

}  // namespace kbtest
