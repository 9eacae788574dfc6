// Character filters and letter case, called early bound as a VB client
// calls them, with Danish letters, a character outside the ANSI code page and
// the 16-bit limits of the filters.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/errors.h"
#include "tests/frame/frame_test.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/locale_pins.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kb::support::Arg;
using kb::support::CallMethod;
using kb::support::DanishLocale;
using kb::support::Failure;
using namespace kbtest;

Apartment apartment;

// Not in Windows-1252: A with macron, and a CJK ideograph.
constexpr wchar_t kOutsideCodePage[] = L"\u0100";
constexpr wchar_t kIdeograph[] = L"\u4E2D";

class Strings : public ::testing::Test {
 protected:
  Strings() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}

  using TextCall = HRESULT (*)(kb::_clsCommon*, BSTR*, BSTR*);
  std::wstring Text(TextCall call, const std::wstring& in) {
    Bstr text(in), out;
    BSTR raw = text.Get();
    const HRESULT hr = call(o_, &raw, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  // The result of cmn_ZapIlligalCharSet: "<Empty>" for the Empty variant.
  std::wstring Zap(const std::wstring& in) {
    Bstr text(in);
    BSTR raw = text.Get();
    Variant out;
    const HRESULT hr = o_->lpVtbl->cmn_ZapIlligalCharSet(o_, &raw, out.Out());
    if (FAILED(hr)) return Failure(hr) + (out.Type() == VT_EMPTY ? L"" : L" (result set)");
    if (out.Type() == VT_EMPTY) return L"<Empty>";
    return out.Type() == VT_BSTR ? std::wstring(kb::View(V_BSTR(out.Get()))) : L"<other>";
  }
  std::wstring Strip(const std::wstring& in, const std::wstring& illegal) {
    Bstr text(in), chars(illegal), out;
    BSTR rawText = text.Get(), rawChars = chars.Get();
    const HRESULT hr = o_->lpVtbl->cmn_StripIlligalChars(o_, &rawText, &rawChars, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring IsNull(const std::wstring& in) {
    Bstr text(in);
    BSTR raw = text.Get();
    VARIANT_BOOL result = 1;
    const HRESULT hr = o_->lpVtbl->cmn_IsNullString(o_, &raw, &result);
    return FAILED(hr) ? Failure(hr) : result == VARIANT_TRUE ? L"True" : L"False";
  }
  std::wstring Hold(short ch, VARIANT* hold) {
    short result = -1;
    const HRESULT hr = o_->lpVtbl->cmn_HoldChar(o_, &ch, hold, &result);
    return FAILED(hr) ? Failure(hr) : std::to_wstring(result);
  }
  std::wstring Hold(short ch, const std::wstring& hold) {
    Variant v = Variant::FromText(Bstr(hold));
    return Hold(ch, v.Get());
  }
  std::wstring Hex(const std::wstring& color) {
    return Text(
        [](kb::_clsCommon* o, BSTR* in, BSTR* r) { return o->lpVtbl->cmn_VBColor2Hex(o, in, r); },
        color);
  }
  std::wstring Camel(const std::wstring& in) {
    Bstr text(in), out;
    const HRESULT hr = o_->lpVtbl->cmn_CamelCase(o_, text.Get(), out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring Proper(const std::wstring& in) {
    return Text([](kb::_clsCommon* o, BSTR* s,
                   BSTR* r) { return o->lpVtbl->cmn_StringToProperCase(o, s, r); },
                in);
  }
  std::wstring Name(const std::wstring& in) {
    return Text(
        [](kb::_clsCommon* o, BSTR* s, BSTR* r) { return o->lpVtbl->cmn_PropperCase(o, s, r); },
        in);
  }

  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

TEST_F(Strings, ZapKeepsPrintableAsciiAndTheDanishLetters) {
  struct Case {
    std::wstring in;
    std::wstring out;
  };
  const Case cases[] = {
      {L"S\u00F8ren\t\u00C5\u20AC", L"S\u00F8ren\u00C5"},  // the euro sign is code 128
      {L"\u00C6\u00D8\u00C5\u00E6\u00F8\u00E5", L"\u00C6\u00D8\u00C5\u00E6\u00F8\u00E5"},
      {L" ~azAZ09?", L" ~azAZ09?"},
      {L"a\u007Fb\u00E9c\u00A0d", L"abcd"},  // 127, 233 and 160 go
      {std::wstring(L"a") + kOutsideCodePage + kIdeograph + L"b", L"ab"},
      {std::wstring(L"x\0y", 3), L"xy"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Zap(c.in));
  EXPECT_EQ(L"<Empty>", Zap(L""));
  EXPECT_EQ(L"<Empty>", Zap(L"\t\r\n\u20AC"));
  EXPECT_EQ(L"<Empty>", Zap(kOutsideCodePage)) << "not passed off as a question mark";
}

TEST_F(Strings, StripRemovesExactlyTheGivenCharacters) {
  const std::wstring defaults = L"()-+,.;:^\"'~\u00A8";
  EXPECT_EQ(L"45 123456", Strip(L"(45) 12-34.56", defaults));
  EXPECT_EQ(L"", Strip(defaults, defaults));
  EXPECT_EQ(L"a b", Strip(L"\u00A8a b~", defaults));
  EXPECT_EQ(L"(x)", Strip(L"(x)", L"")) << "nothing to strip";
  EXPECT_EQ(L"AB", Strip(L"AaBb", L"ab")) << "case counts";
  EXPECT_EQ(L"grd", Strip(L"gr\u00F8d", L"\u00F8"));
  EXPECT_EQ(L"ab", Strip(std::wstring(L"a") + kOutsideCodePage + L"b", kOutsideCodePage));
}

TEST_F(Strings, StripLeftOutUsesTheThirteenCharacterSet) {
  const auto r =
      CallMethod(object_.Get(), L"cmn_StripIlligalChars", {Arg(L"a()-+,.;:^\"'~\u00A8b \u00B4`")});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(L"ab \u00B4`", r.Text()) << "accents other than the diaeresis stay";
}

TEST_F(Strings, FiltersCountPositionsWithSixteenBits) {
  const std::wstring longest(32767, L'a');
  const std::wstring tooLong(32768, L'a');
  EXPECT_EQ(longest, Zap(longest));
  EXPECT_EQ(L"#6", Zap(tooLong));
  EXPECT_EQ(L"#6", Zap(std::wstring(40000, L'\t'))) << "even when nothing would be kept";
  EXPECT_EQ(longest, Strip(longest, L"-"));
  EXPECT_EQ(L"#6", Strip(tooLong, L"-"));
}

TEST_F(Strings, NullStringIsBlankOfNulTabLineBreaksAndSpaces) {
  EXPECT_EQ(L"True", IsNull(L""));
  EXPECT_EQ(L"True", IsNull(std::wstring(L" \t\r\n\0 ", 6)));
  EXPECT_EQ(L"False", IsNull(L"\u00A0")) << "no-break space";
  EXPECT_EQ(L"False", IsNull(L"\v"));
  EXPECT_EQ(L"False", IsNull(L"\f"));
  EXPECT_EQ(L"False", IsNull(L"   .  "));
  EXPECT_EQ(L"False", IsNull(L"\u3000")) << "ideographic space";
}

TEST_F(Strings, HoldCharHoldsBackTheCodesOfTheSet) {
  EXPECT_EQ(L"0", Hold(65, L"ABC"));
  EXPECT_EQ(L"65", Hold(65, L"xyz"));
  EXPECT_EQ(L"0", Hold(65, L""));
  EXPECT_EQ(L"97", Hold(97, L"A")) << "codes, not letters";
  EXPECT_EQ(L"0", Hold(198, L"\u00C6ble")) << "codes of the ANSI code page";
  EXPECT_EQ(L"0", Hold(128, L"\u20AC"));
  EXPECT_EQ(L"0", Hold(63, kOutsideCodePage)) << "a character the code page lacks is \"?\"";
  EXPECT_EQ(L"8364", Hold(8364, L"\u20AC")) << "not its Unicode value";
  Variant number;
  V_VT(number.Get()) = VT_I4;
  V_I4(number.Get()) = 12;
  EXPECT_EQ(L"0", Hold(49, number.Get())) << "a number is read as its text";
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  EXPECT_EQ(L"#94", Hold(65, null.Get()));
}

TEST_F(Strings, ConversionFailuresAreTypeMismatchAfterAnEarlierFailure) {
  EXPECT_EQ(L"#6", Zap(std::wstring(32768, L'a'))) << "leaves its error information behind";
  Variant missing;
  V_VT(missing.Get()) = VT_ERROR;
  V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
  short ch = 65, result = -1;
  EXPECT_EQ(kb::HresultOfError(13), o_->lpVtbl->cmn_HoldChar(o_, &ch, missing.Get(), &result));
  EXPECT_EQ(L"#6", Zap(std::wstring(32768, L'a')));
  EXPECT_EQ(L"#13", Hex(L"abc"));
}

TEST_F(Strings, ColourNumbersBecomeRedGreenBlueHex) {
  struct Case {
    const wchar_t* color;
    const wchar_t* hex;
  };
  const Case cases[] = {
      {L"255", L"FF0000"},     {L"65280", L"00FF00"}, {L"16711680", L"0000FF"},
      {L"1193046", L"563412"}, {L"5", L"500000"},     {L"256", L"010000"},
      {L"65536", L"000100"},   {L"0", L"000000"},     {L"16777215", L"FFFFFF"},
      {L"16777216", L""},      {L"2147483647", L""},  {L" 255 ", L"FF0000"},
      {L"&HFF", L"FF0000"},    {L"-1", L""},          {L"-2147483633", L""},
      {L"2147483648", L"#6"},  {L"1e10", L"#6"},      {L"abc", L"#13"},
      {L"", L"#13"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.hex, Hex(c.color)) << c.color;
  // Read as the locale reads numbers; halves round to even.
  kb::support::LocalePins pins;
  ASSERT_TRUE(pins.PinNumberSeparators());
  EXPECT_EQ(L"FE0000", Hex(DanishLocale() ? L"254,5" : L"254.5"));
  EXPECT_EQ(L"010000", Hex(DanishLocale() ? L"255,5" : L"255.5"));
}

TEST_F(Strings, ProperCaseStartsWordsOnlyAfterSeparators) {
  struct Case {
    std::wstring in;
    std::wstring out;
  };
  const Case cases[] = {
      {L"hello world", L"Hello World"},
      {L"HELLO\tWORLD", L"Hello\tWorld"},
      {L"abc1def 1abc", L"Abc1def 1abc"},
      {L"o'neil jean-luc (ole)", L"O'neil Jean-luc (ole)"},
      {L"\u00E6BLE GR\u00D8D \u00E5", L"\u00C6ble Gr\u00F8d \u00C5"},
      {std::wstring(L"a\nb\rc\vd\fe\0f", 11), std::wstring(L"A\nB\rC\vD\fE\0F", 11)},
      {L"  x  ", L"  X  "},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Proper(c.in));
}

TEST_F(Strings, CamelCaseJoinsCapitalisedWords) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"hello world-foo", L"HelloWorldFoo"},
      {L"\u00C6BLE gR\u00D8D", L"\u00C6bleGr\u00F8d"},
      {L"abc1def", L"Abc1def"},
      {L"  ", L""},
      {L"a_b", L"AB"},
      {L"s\u00F8ren \u00E5lborg", L"S\u00F8ren\u00C5lborg"},
      {L"caf\u00E9 au lait", L"CafAuLait"},
      {L"\u00E4rger", L"Rger"},
      {L"\u0100x", L"X"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Camel(c.in)) << c.in;
}

TEST_F(Strings, PersonNamesRaiseTheLetterAfterTheFirstMc) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"mcdonald", L"McDonald"},
      {L"OLD MCDONALD MCINTOSH", L"Old McDonald Mcintosh"},
      {L"tomcat", L"TomcAt"},
      {L"anna", L"Anna"},
      {L"mc", L"Mc"},  // nothing behind the prefix: left as it is
      {L"ole mc", L"Ole Mc"},
      {L"mc\u00E6", L"Mc\u00C6"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Name(c.in)) << c.in;
}

TEST_F(Strings, ByReferenceTextsAreLeftAsTheyWere) {
  VARIANT text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = ::SysAllocString(L"ole mcintosh");
  for (const wchar_t* member :
       {L"cmn_PropperCase", L"cmn_StringToProperCase", L"cmn_StripIlligalChars",
        L"cmn_ZapIlligalCharSet", L"cmn_IsNullString", L"cmn_VBColor2Hex", L"cmn_WhatKeyLevel"}) {
    CallMethod(object_.Get(), member, {Arg::ByRef(&text)});
    EXPECT_EQ(L"ole mcintosh", kb::View(V_BSTR(&text))) << member;
  }
  ::VariantClear(&text);
}

}  // namespace
