// cmn_SEP_Get, called early bound as a VB client calls it.
#include "runtime/errors.h"
#include "tests/frame/frame_test.h"

namespace {

using namespace kbtest;
using kb::Bstr;
using kb::Variant;

Apartment apartment;

constexpr long kFirst = 0, kNext = 1, kRest = 2;

class FieldReader : public ::testing::Test {
 protected:
  FieldReader() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}

  // One call; returns the field, or "#<error number>" when the call fails.
  std::wstring Get(const wchar_t* text, const wchar_t* sep, long mode) {
    Variant v;
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = ::SysAllocString(text);
    return Get(v.Get(), sep, mode);
  }
  std::wstring Get(VARIANT* text, const wchar_t* sep, long mode) {
    Bstr s(sep), out;
    BSTR raw = s.Get();
    const HRESULT hr = o_->lpVtbl->cmn_SEP_Get(o_, text, &raw, &mode, out.Out());
    if (FAILED(hr)) return L"#" + std::to_wstring(hr & 0xFFFF);
    return std::wstring(out.View());
  }

  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

TEST_F(FieldReader, FieldsOneAfterTheOtherThenEmptyForever) {
  EXPECT_EQ(L"a", Get(L"a;b;;c", L";", kFirst));
  EXPECT_EQ(L"b", Get(L"a;b;;c", L";", kNext));
  EXPECT_EQ(L"", Get(L"a;b;;c", L";", kNext));
  EXPECT_EQ(L"c", Get(L"a;b;;c", L";", kNext));
  EXPECT_EQ(L"", Get(L"a;b;;c", L";", kNext));
  EXPECT_EQ(L"", Get(L"a;b;;c", L";", kNext));
  EXPECT_EQ(L"", Get(L"", L";", kFirst));
  EXPECT_EQ(L"", Get(L"", L";", kRest)) << "position stays 1 on an empty text";
}

TEST_F(FieldReader, RestIsUntouchedAndDoesNotMove) {
  EXPECT_EQ(L"x", Get(L"x; y ;z", L";", kFirst));
  EXPECT_EQ(L" y ;z", Get(L"x; y ;z", L";", kRest));
  EXPECT_EQ(L"y", Get(L"x; y ;z", L";", kNext));
  EXPECT_EQ(L"z", Get(L"x; y ;z", L";", kNext));
}

TEST_F(FieldReader, QuotesProtectSeparatorsOnlyAtTheStartOfAField) {
  EXPECT_EQ(L"1,5", Get(L"\"1,5\",2", L",", kFirst));
  EXPECT_EQ(L"2", Get(L"\"1,5\",2", L",", kNext));
  EXPECT_EQ(L"a", Get(L"a, \"b,c\"", L",", kFirst));
  EXPECT_EQ(L"b", Get(L"a, \"b,c\"", L",", kNext)) << "a space before the quote";
  EXPECT_EQ(L"c", Get(L"a, \"b,c\"", L",", kNext));
  EXPECT_EQ(L"a", Get(L"a,\"b,c\"", L",", kFirst));
  EXPECT_EQ(L"b,c", Get(L"a,\"b,c\"", L",", kNext));
  // An unclosed quote gathers separators up to the end.
  EXPECT_EQ(L"x,y,z", Get(L"\"x,y,z", L",", kFirst));
  // After an empty quoted part a further quote opens again.
  EXPECT_EQ(L"p,q", Get(L"\"\"\"p,q\"", L",", kFirst));
  EXPECT_EQ(L"whole text", Get(L"  \"whole\" text  ", L";", kFirst));
}

TEST_F(FieldReader, SeparatorsMatchExactlyAndAsAWhole) {
  EXPECT_EQ(L"a;;b", Get(L"a;;b", L";;", kFirst)) << "two characters never match";
  EXPECT_EQ(L"a;b", Get(L"a;b", L"", kFirst));
  EXPECT_EQ(L"aXb", Get(L"aXb", L"x", kFirst)) << "no match in the other case";
  EXPECT_EQ(L"a", Get(L"aXb", L"X", kFirst));
}

TEST_F(FieldReader, NextReadsTheLengthTakenAtFirst) {
  EXPECT_EQ(L"ab", Get(L"ab,cd", L",", kFirst));
  EXPECT_EQ(L"", Get(L"ab", L",", kNext)) << "past the end reads spaces, trimmed away";
  EXPECT_EQ(L"a", Get(L"a,b", L",", kFirst));
  EXPECT_EQ(L"b", Get(L"a,bcdef,g", L",", kNext)) << "stops at the length taken first";
}

TEST_F(FieldReader, NumbersAndDatesAreReadInTheirTextForm) {
  Variant n;
  V_VT(n.Get()) = VT_I4;
  V_I4(n.Get()) = 12345;
  EXPECT_EQ(L"12345", Get(n.Get(), L";", kFirst));
}

TEST_F(FieldReader, FailuresOnANewObjectAndOnNull) {
  EXPECT_EQ(L"#5", Get(L"a;b", L";", kNext));
  EXPECT_EQ(L"#5", Get(L"a;b", L";", kRest));
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  EXPECT_EQ(L"#94", Get(null.Get(), L";", kFirst));
}

TEST_F(FieldReader, ReadingsOnOneObjectDisturbEachOther) {
  EXPECT_EQ(L"a", Get(L"a;b;c", L";", kFirst));
  EXPECT_EQ(L"1", Get(L"1;2", L";", kFirst));
  EXPECT_EQ(L"b", Get(L"a;b;c", L";", kNext)) << "the position is the object's, not the text's";
  EXPECT_EQ(L"", Get(L"a;b;c", L";", 7)) << "any other mode reads on: past the stored length";
}

}  // namespace
