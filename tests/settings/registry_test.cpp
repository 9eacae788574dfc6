// clsRegistry through the vtable and through IDispatch, on Wine's registry.
#include <algorithm>
#include <cwchar>
#include <vector>

#include "tests/settings/settings_test.h"

namespace {

using namespace settingstest;
using kb::support::Arg;

kbtest::Apartment apartment;

constexpr long kCurrentUser = static_cast<long>(0x80000001);
constexpr long kLocalMachine = static_cast<long>(0x80000002);
constexpr wchar_t kParent[] = L"Software\\KitbagTest";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = std::wstring(kParent) + L"\\" + TestName();
    Remove();
    object_ = kbtest::Create(L"Kitbag.clsRegistry");
    reg_ = kbtest::Early<kb::_clsRegistry>(object_);
  }
  void TearDown() override { Remove(); }
  void Remove() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      ::RegDeleteTreeW(root, key_.c_str());
      ::RegDeleteKeyW(root, kParent);  // only when no other test's key is in it
    }
  }

  void Save(Bstr key, Bstr name, Bstr& value, long root = kCurrentUser) {
    kb::Variant result;
    ASSERT_EQ(S_OK, reg_->lpVtbl->reg_RegSaveSetting(reg_, key.Get(), name.Get(), value.Ref(),
                                                     &root, result.Out()));
    EXPECT_EQ(VT_EMPTY, result.Type());
  }
  void Save(std::wstring_view name, std::wstring_view value) {
    Bstr v(value);
    Save(Bstr(key_), Bstr(name), v);
  }
  std::wstring Get(Bstr key, Bstr name, long root = kCurrentUser) {
    Bstr out;
    EXPECT_EQ(S_OK, reg_->lpVtbl->reg_RegGetSetting(reg_, key.Get(), name.Get(), &root, out.Out()));
    return View(out);
  }
  std::wstring Get(std::wstring_view name) { return Get(Bstr(key_), Bstr(name)); }
  long Section(Bstr key, SAFEARRAY** names, HRESULT expected = S_OK, long root = kCurrentUser) {
    long count = -1;
    EXPECT_EQ(expected, reg_->lpVtbl->reg_RegGetSection(reg_, key.Get(), names, &root, &count));
    return count;
  }

  // What the registry holds, as a peer reads it.
  std::wstring Stored(const wchar_t* name, DWORD* type, HKEY root = HKEY_CURRENT_USER) {
    std::vector<BYTE> data(70000 * 2);
    DWORD size = static_cast<DWORD>(data.size());
    if (::RegGetValueW(root, key_.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type, data.data(),
                       &size) != ERROR_SUCCESS)
      return L"<missing>";
    return std::wstring(reinterpret_cast<wchar_t*>(data.data()), size / sizeof(wchar_t));
  }
  void Put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, type, data, size));
  }

  std::wstring key_;
  kb::ComPtr<IDispatch> object_;
  kb::_clsRegistry* reg_ = nullptr;
};

// The names of a listing, elements 0 to its upper bound.
std::vector<std::wstring> Names(SAFEARRAY* names) {
  std::vector<std::wstring> out;
  LONG lower = -1, upper = -2;
  ::SafeArrayGetLBound(names, 1, &lower);
  ::SafeArrayGetUBound(names, 1, &upper);
  EXPECT_EQ(0, lower);
  for (LONG i = 0; i <= upper; ++i) {
    Bstr item;
    ::SafeArrayGetElement(names, &i, item.Out());
    out.push_back(item.Get() ? View(item) : L"<null>");
  }
  return out;
}

TEST_F(Registry, SavingAppendsOneTerminatorThatIsStoredButNotRead) {
  Bstr value(L"abc");
  Save(Bstr(key_), Bstr(L"v"), value);
  EXPECT_EQ(std::wstring(L"abc\0", 4), View(value));
  Save(Bstr(key_), Bstr(L"v"), value);
  EXPECT_EQ(std::wstring(L"abc\0", 4), View(value)) << "a second save adds no second NUL";
  DWORD type = 0;
  EXPECT_EQ(std::wstring(L"abc\0", 4), Stored(L"v", &type));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_EQ(L"abc", Get(L"v"));
}

TEST_F(Registry, TrailingBackslashesReachTheSameKey) {
  for (const wchar_t* saveSuffix : {L"", L"\\", L"\\\\"}) {
    Bstr value(saveSuffix);
    Save(Bstr(key_ + saveSuffix), Bstr(L"v"), value);
    for (const wchar_t* readSuffix : {L"", L"\\", L"\\\\"})
      EXPECT_EQ(saveSuffix, Get(Bstr(key_ + readSuffix), Bstr(L"v")))
          << "saved with [" << saveSuffix << "] read with [" << readSuffix << "]";
  }
}

TEST_F(Registry, StringsAndNumbersAreReadOtherTypesAreEmpty) {
  const DWORD dword42 = 42, all = 0xFFFFFFFF;
  const unsigned long long qword = 0x1122334455667788ull;
  const BYTE binary[] = {1, 2, 255};
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::wstring text;  // written as it stands (terminator included where wanted)
    const void* raw;    // or these bytes
    DWORD rawSize;
    const wchar_t* expected;
  } cases[] = {
      {L"sz", REG_SZ, std::wstring(L"hello\0", 6), nullptr, 0, L"hello"},
      {L"unterminated", REG_SZ, L"hello", nullptr, 0, L"hello"},
      {L"empty", REG_SZ, L"", nullptr, 0, L""},
      {L"nulFirst", REG_SZ, std::wstring(L"\0abc", 4), nullptr, 0, L""},
      {L"nulInside", REG_SZ, std::wstring(L"ab\0cd\0", 6), nullptr, 0, L"ab"},
      {L"danish", REG_SZ, kDanish + L'\0', nullptr, 0, kDanish.c_str()},
      // A peer's Unicode text is converted by the system, which maps what it can
      // to a near letter.
      {L"foreign", REG_SZ, kForeign + L'\0', nullptr, 0, L"A?"},
      {L"dword", REG_DWORD, L"", &dword42, 4, L"42"},
      {L"allBits", REG_DWORD, L"", &all, 4, L"-1"},
      {L"shortDword", REG_DWORD, L"", &all, 2, L"65535"},
      {L"eightByteDword", REG_DWORD, L"", &qword, 8, L""},
      {L"expand", REG_EXPAND_SZ, std::wstring(L"%TEMP%\0", 7), nullptr, 0, L""},
      {L"multi", REG_MULTI_SZ, std::wstring(L"a\0b\0\0", 5), nullptr, 0, L""},
      {L"binary", REG_BINARY, L"", binary, 3, L""},
      {L"qword", REG_QWORD, L"", &qword, 8, L""},
  };
  for (const Case& c : cases) {
    if (c.raw)
      Put(c.name, c.type, c.raw, c.rawSize);
    else
      Put(c.name, c.type, c.text.data(), static_cast<DWORD>(c.text.size() * sizeof(wchar_t)));
  }
  for (const Case& c : cases) EXPECT_EQ(c.expected, Get(c.name)) << c.name;
  EXPECT_EQ(L"", Get(L"missing"));
  EXPECT_EQ(L"", Get(Bstr(key_ + L"\\missing"), Bstr(L"sz")));
}

TEST_F(Registry, LongValuesAndNamesAreSafe) {
  for (size_t length : {size_t(32766), size_t(32767), size_t(70000)}) {
    const std::wstring value(length, L'v');
    Save(L"long", value);
    EXPECT_EQ(value, Get(L"long")) << length << " characters read whole";
  }
  const std::wstring longName(5000, L'n');
  Save(longName, L"x");
  EXPECT_EQ(L"x", Get(longName));
  Bstr value(L"x");
  Save(Bstr(key_ + L"\\" + std::wstring(300, L'k')), Bstr(L"v"), value);  // too long a key
  EXPECT_EQ(L"", Get(Bstr(key_ + L"\\" + std::wstring(300, L'k')), Bstr(L"v")));
}

TEST_F(Registry, NullAndEmptyNamesMeanTheDefaultValue) {
  Bstr value(L"by null");
  Save(Bstr(key_), Bstr(), value);
  DWORD type = 0;
  EXPECT_EQ(std::wstring(L"by null\0", 8), Stored(nullptr, &type));
  EXPECT_EQ(L"by null", Get(Bstr(key_), Bstr(L"")));
  Save(L"", L"by empty");
  EXPECT_EQ(L"by empty", Get(Bstr(key_), Bstr()));
  Bstr nowhere(L"x");
  Save(Bstr(), Bstr(L"v"), nowhere);  // a null Key names no key: nothing is written
  EXPECT_EQ(std::wstring(L"x\0", 2), View(nowhere));
  EXPECT_EQ(L"", Get(Bstr(L"\\"), Bstr(L"v")));
}

TEST_F(Registry, TextsMakeTheAnsiRoundTrip) {
  Bstr value(kDanish + kForeign);
  Save(Bstr(key_ + L"\\n" + kDanish), Bstr(L"v" + kDanish), value);
  EXPECT_EQ(kDanish + L"??" + L'\0', View(value)) << "the caller's variable after its round trip";
  EXPECT_EQ(kDanish + L"??", Get(Bstr(key_ + L"\\n" + kDanish), Bstr(L"v" + kDanish)));
  std::wstring stored(200, L'\0');
  DWORD size = static_cast<DWORD>(stored.size() * sizeof(wchar_t));
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegGetValueW(HKEY_CURRENT_USER, (key_ + L"\\n" + kDanish).c_str(),
                           (L"v" + kDanish).c_str(), RRF_RT_REG_SZ, nullptr, stored.data(), &size));
  EXPECT_EQ(kDanish + L"??", stored.c_str()) << "Danish letters stored as Danish letters";
}

TEST_F(Registry, KeyPathsAndNamesAreNotInterpreted) {
  const std::wstring odd = L"a/b *?%s%n[]\"";
  Bstr value(L"1");
  Save(Bstr(key_ + L"\\" + odd), Bstr(L"x\\y%s"), value);
  HKEY sub = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegOpenKeyExW(HKEY_CURRENT_USER, (key_ + L"\\" + odd).c_str(), 0, KEY_READ, &sub));
  DWORD type = 0;
  EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(sub, L"x\\y%s", nullptr, &type, nullptr, nullptr));
  ::RegCloseKey(sub);
  SAFEARRAY* names = nullptr;
  EXPECT_EQ(1, Section(Bstr(key_), &names));
  EXPECT_EQ((std::vector<std::wstring>{L"<null>", odd}), Names(names));
  ::SafeArrayDestroy(names);
}

TEST_F(Registry, SectionReplacesOrErasesTheCallersArray) {
  for (const wchar_t* sub : {L"\\A", L"\\B"}) {
    Bstr v(L"1");
    Save(Bstr(key_ + sub), Bstr(L"v"), v);
  }
  kb::SafeArray previous(::SafeArrayCreateVector(VT_BSTR, 3, 5));
  SAFEARRAY* names = previous.Release();
  EXPECT_EQ(2, Section(Bstr(key_ + L"\\"), &names));
  EXPECT_EQ((std::vector<std::wstring>{L"<null>", L"A", L"B"}), Names(names));
  EXPECT_EQ(0, Section(Bstr(key_ + L"\\A"), &names));
  EXPECT_EQ(nullptr, names) << "no subkeys: unallocated";
  EXPECT_EQ(0, Section(Bstr(key_ + L"\\missing"), &names));
  EXPECT_EQ(nullptr, names);
}

TEST_F(Registry, SectionListsManyAndLongNames) {
  const std::wstring longest(255, L'L');
  std::vector<std::wstring> expected{L"<null>"};
  for (int i = 0; i < 300; ++i) {
    wchar_t name[8];
    ::swprintf(name, 8, L"k%03d", i);
    expected.push_back(name);
  }
  expected.push_back(longest);
  for (size_t i = 1; i < expected.size(); ++i) {
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyW(HKEY_CURRENT_USER, (key_ + L"\\" + expected[i]).c_str(), &sub));
    ::RegCloseKey(sub);
  }
  SAFEARRAY* names = nullptr;
  EXPECT_EQ(301, Section(Bstr(key_), &names));
  EXPECT_EQ(expected, Names(names));
  ::SafeArrayDestroy(names);
}

TEST_F(Registry, AFixedArrayIsRefusedUntouched) {
  Bstr v(L"1");
  Save(Bstr(key_ + L"\\A"), Bstr(L"v"), v);
  SAFEARRAY* fixed = ::SafeArrayCreateVector(VT_BSTR, 0, 2);
  fixed->fFeatures |= FADF_FIXEDSIZE;
  SAFEARRAY* names = fixed;
  Section(Bstr(key_), &names, kb::HresultOfError(10));
  EXPECT_EQ(fixed, names);
  fixed->fFeatures &= ~FADF_FIXEDSIZE;
  ::SafeArrayDestroy(fixed);
}

TEST_F(Registry, RootsArePassedThrough) {
  Bstr value(L"machine");
  Save(Bstr(key_), Bstr(L"v"), value, kLocalMachine);
  DWORD type = 0;
  EXPECT_EQ(std::wstring(L"machine\0", 8), Stored(L"v", &type, HKEY_LOCAL_MACHINE));
  EXPECT_EQ(L"machine", Get(Bstr(key_), Bstr(L"v"), kLocalMachine));
  EXPECT_EQ(L"", Get(Bstr(key_), Bstr(L"v")));
  for (long bad : {0L, 1L, 12345L, -1L}) {
    Bstr v(L"x");
    Save(Bstr(key_), Bstr(L"bad"), v, bad);
    EXPECT_EQ(L"", Get(Bstr(key_), Bstr(L"bad"), bad));
    SAFEARRAY* names = nullptr;
    EXPECT_EQ(0, Section(Bstr(key_), &names, S_OK, bad));
  }
  SAFEARRAY* names = nullptr;
  EXPECT_LT(0, Section(Bstr(), &names)) << "a null Key lists the root's own subkeys";
  std::vector<std::wstring> all = Names(names);
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), L"Software"));
  ::SafeArrayDestroy(names);
}

TEST_F(Registry, ScriptVariablesReceiveTheTerminatorAndTheNames) {
  kb::Variant value = kb::support::VText(L"abc");
  auto r = kb::support::CallMethod(object_.Get(), L"reg_RegSaveSetting",
                                   {key_ + L"\\A", L"v", Arg::ByRef(value.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(VT_EMPTY, r.value.Type());
  EXPECT_EQ(std::wstring(L"abc\0", 4), VariantText(value));
  r = kb::support::CallMethod(object_.Get(), L"reg_RegGetSetting", {key_ + L"\\A\\", L"v"});
  EXPECT_EQ(L"abc", r.Text());
  kb::Variant names;  // Empty, as a script's fresh variable
  r = kb::support::CallMethod(object_.Get(), L"reg_RegGetSection", {key_, Arg::ByRef(names.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(1, r.Long());
  ASSERT_EQ(VT_ARRAY | VT_VARIANT, names.Type()) << "an array a script can index";
  LONG upper = 0;
  ::SafeArrayGetUBound(V_ARRAY(names.Get()), 1, &upper);
  EXPECT_EQ(1, upper);
  kb::Variant item;
  LONG one = 1;
  ::SafeArrayGetElement(V_ARRAY(names.Get()), &one, item.Get());
  EXPECT_EQ(L"A", VariantText(item));
  r = kb::support::CallMethod(object_.Get(), L"reg_RegGetSection",
                              {key_ + L"\\none", Arg::ByRef(names.Get())});
  EXPECT_EQ(0, r.Long());
  EXPECT_EQ(VT_ARRAY | VT_VARIANT, names.Type());
  EXPECT_EQ(nullptr, V_ARRAY(names.Get())) << "erased";
}

}  // namespace
