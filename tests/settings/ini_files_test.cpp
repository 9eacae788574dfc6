// clsIniFiles through the vtable and through IDispatch, on real INI files.
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/settings/settings_test.h"

namespace {

using namespace settingstest;
using kb::support::Arg;

kbtest::Apartment apartment;

struct Texts {
  Bstr section, key, value, path;
};

class IniFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"kb_" + TestName() + L".ini";
    ::DeleteFileW(path_.c_str());
    object_ = kbtest::Create(L"Kitbag.clsIniFiles");
    ini_ = kbtest::Early<kb::_clsIniFiles>(object_);
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  Bstr Path() const { return Bstr(path_); }

  std::wstring Read(Texts& t) {
    Bstr out;
    EXPECT_EQ(S_OK, ini_->lpVtbl->ini_ReadIniFile(ini_, t.section.Ref(), t.key.Ref(), t.value.Ref(),
                                                  t.path.Ref(), out.Out()));
    EXPECT_EQ(1024u, out.Length());
    return View(out);
  }
  std::wstring Read(std::wstring_view section, std::wstring_view key, std::wstring_view def = L"") {
    Texts t{Bstr(section), Bstr(key), Bstr(def), Path()};
    return Read(t);
  }
  void Write(Texts& t) {
    EXPECT_EQ(S_OK, ini_->lpVtbl->ini_WriteIniFile(ini_, t.section.Ref(), t.key.Ref(),
                                                   t.value.Ref(), t.path.Ref()));
  }
  void Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    Texts t{Bstr(section), Bstr(key), Bstr(value), Path()};
    Write(t);
  }
  std::string FileBytes() const {
    std::ifstream in(std::string(path_.begin(), path_.end()), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::wstring path_;
  kb::ComPtr<IDispatch> object_;
  kb::_clsIniFiles* ini_ = nullptr;
};

// The value, a NUL and NULs up to the fixed length.
std::wstring Padded(std::wstring_view value) {
  std::wstring s(value);
  s.resize(1024, L'\0');
  return s;
}

TEST_F(IniFiles, ReadGivesTheValueOrTheDefaultFollowedByNuls) {
  Write(L"s", L"k", L"abc");
  struct Case {
    const wchar_t *section, *key, *def, *expected;
  } cases[] = {
      {L"s", L"k", L"n/a", L"abc"}, {L"S", L"K", L"", L"abc"},  // names ignore case
      {L"s", L"x", L"n/a", L"n/a"}, {L"x", L"k", L"n/a", L"n/a"},
      {L"s", L"x", L"", L""},       {L"s", L"", L"n/a", L"n/a"},  // "" is a key, not the list
  };
  for (const Case& c : cases)
    EXPECT_EQ(Padded(c.expected), Read(c.section, c.key, c.def)) << c.section << L"/" << c.key;
  Texts missingFile{Bstr(L"s"), Bstr(L"k"), Bstr(L"d"), Bstr(path_ + L".none")};
  EXPECT_EQ(Padded(L"d"), Read(missingFile));
}

TEST_F(IniFiles, WriteReplacesAndNullsDelete) {
  Write(L"s", L"k", L"1");
  Write(L"s", L"k", L"2");
  Write(L"s", L"e", L"");
  Write(L"t", L"k", L"3");
  EXPECT_EQ(Padded(L"2"), Read(L"s", L"k"));
  EXPECT_NE(std::string::npos, FileBytes().find("e=\r\n")) << "an empty value is written";
  Texts deleteKey{Bstr(L"s"), Bstr(L"k"), Bstr(), Path()};
  Write(deleteKey);
  EXPECT_EQ(Padded(L"gone"), Read(L"s", L"k", L"gone"));
  EXPECT_EQ(Padded(L""), Read(L"s", L"e", L"gone"));
  Texts deleteSection{Bstr(L"s"), Bstr(), Bstr(L"ignored"), Path()};
  Write(deleteSection);
  EXPECT_EQ(std::string::npos, FileBytes().find("[s]"));
  EXPECT_EQ(Padded(L"3"), Read(L"t", L"k"));
}

TEST_F(IniFiles, NullKeyListsKeysAndNullSectionListsSections) {
  Write(L"one", L"a", L"1");
  Write(L"one", L"b", L"2");
  Write(L"two", L"c", L"3");
  Texts keys{Bstr(L"one"), Bstr(), Bstr(L"d"), Path()};
  EXPECT_EQ(Padded(std::wstring(L"a\0b\0", 4)), Read(keys));
  Texts sections{Bstr(), Bstr(L"a"), Bstr(L"d"), Path()};
  EXPECT_EQ(Padded(std::wstring(L"one\0two\0", 8)), Read(sections));
  EXPECT_EQ(nullptr, keys.key.Get()) << "a null text stays null";
}

TEST_F(IniFiles, LongValuesAndListsStayWithinTheBuffer) {
  Write(L"s", L"long", std::wstring(5000, L'x'));
  EXPECT_EQ(Padded(std::wstring(1023, L'x')), Read(L"s", L"long"));
  for (int i = 0; i < 100; ++i) Write(L"many", L"key_number_" + std::to_wstring(i), L"v");
  Texts keys{Bstr(L"many"), Bstr(), Bstr(), Path()};
  const std::wstring list = Read(keys);
  EXPECT_EQ(0, list.compare(0, 14, std::wstring(L"key_number_0\0k", 14)));
  EXPECT_EQ(L'\0', list.back());
  const std::wstring longName(3000, L'n');
  Write(longName, longName, L"v");
  EXPECT_EQ(Padded(L"v"), Read(longName, longName));
}

TEST_F(IniFiles, TextsMakeTheAnsiRoundTripIntoTheCallersVariables) {
  Texts t{Bstr(L"s" + kDanish), Bstr(L"k" + kDanish), Bstr(kDanish + kForeign), Path()};
  Write(t);
  EXPECT_EQ(L"s" + kDanish, View(t.section));
  EXPECT_EQ(kDanish + L"??", View(t.value));
  EXPECT_EQ(path_, View(t.path));
  EXPECT_NE(std::string::npos, FileBytes().find("[s\xe6\xf8\xe5\xc6\xd8\xc5]\r\nk\xe6"))
      << "stored in the ANSI code page";
  Texts read{Bstr(L"S" + kDanish), Bstr(L"k" + kDanish), Bstr(kForeign), Path()};
  EXPECT_EQ(Padded(kDanish + L"??"), Read(read));
  EXPECT_EQ(L"??", View(read.value)) << "the default comes back converted";
  EXPECT_EQ(L"S" + kDanish, View(read.section));
}

TEST_F(IniFiles, ABareFileNameIsInTheWindowsFolder) {
  wchar_t windows[MAX_PATH];
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring name = L"kb_" + TestName() + L".ini";
  const std::wstring full = std::wstring(windows) + L"\\" + name;
  Texts t{Bstr(L"s"), Bstr(L"k"), Bstr(L"v"), Bstr(name)};
  Write(t);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(full.c_str()));
  Texts read{Bstr(L"s"), Bstr(L"k"), Bstr(L""), Bstr(name)};
  EXPECT_EQ(Padded(L"v"), Read(read));
  ::DeleteFileW(full.c_str());
}

TEST_F(IniFiles, ScriptVariablesReceiveTheRoundTrip) {
  Write(L"s", L"k", L"abc");
  kb::Variant section = kb::support::VText(L"s"), key = kb::support::VText(L"x"),
              def = kb::support::VText(kForeign + L"!"), path = kb::support::VText(path_);
  auto r = kb::support::CallMethod(object_.Get(), L"ini_ReadIniFile",
                                   {Arg::ByRef(section.Get()), Arg::ByRef(key.Get()),
                                    Arg::ByRef(def.Get()), Arg::ByRef(path.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(Padded(L"?"
                   L"?!"),
            r.Text());
  EXPECT_EQ(
      L"?"
      L"?!",
      VariantText(def));
  EXPECT_EQ(L"s", VariantText(section));
  r = kb::support::CallMethod(object_.Get(), L"ini_WriteIniFile",
                              {L"s", L"k", kDanish, Arg::ByRef(path.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(Padded(kDanish), Read(L"s", L"k"));
}

}  // namespace
