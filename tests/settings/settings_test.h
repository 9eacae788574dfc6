// What the settings tests share: objects of the registered library, texts
// with NULs and characters outside the ANSI code page, and reading back what
// the system stored.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/handles.h"
#include "tests/frame/frame_test.h"
#include "tests/support/dispatch_call.h"

namespace settingstest {

using kb::Bstr;
using namespace std::string_literals;

// Danish letters live in the Western code page; the other two do not.
inline const std::wstring kDanish = L"\u00e6\u00f8\u00e5\u00c6\u00d8\u00c5";
inline const std::wstring kForeign = L"\u0100\u4e2d";  // come back as "??"

// The test's own name, for keys and files no other test touches.
inline std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  return std::wstring(name.begin(), name.end());
}

inline std::wstring View(const Bstr& b) { return std::wstring(b.View()); }

inline std::wstring VariantText(const kb::Variant& v) {
  return V_VT(v.Get()) == VT_BSTR ? std::wstring(kb::View(V_BSTR(v.Get()))) : L"<not text>";
}

}  // namespace settingstest
