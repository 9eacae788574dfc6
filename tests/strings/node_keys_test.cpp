// Node keys ('R12;R5;R7'), built and taken apart early bound as a VB client
// calls the routines, and late bound where a script's variables matter.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/frame/frame_test.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/locale_pins.h"

namespace {

using kb::Bstr;
using kb::SafeArray;
using kb::Variant;
using kb::support::Arg;
using kb::support::CallMethod;
using kb::support::Failure;
using namespace kbtest;

Apartment apartment;

// A one-dimensional array of variants with the given lower bound.
SafeArray VariantArray(std::vector<kb::Variant>& items, LONG lower = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), lower};
  SafeArray sa(::SafeArrayCreate(VT_VARIANT, 1, &bound));
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG index = lower + i;
    ::SafeArrayPutElement(sa.Get(), &index, items[i].Get());
  }
  return sa;
}

Variant Number(double n) {
  Variant v;
  V_VT(v.Get()) = VT_R8;
  V_R8(v.Get()) = n;
  return v;
}
Variant Text(const wchar_t* s) { return Variant::FromText(Bstr(s)); }
Variant Null() {
  Variant v;
  V_VT(v.Get()) = VT_NULL;
  return v;
}

class NodeKeys : public ::testing::Test {
 protected:
  NodeKeys() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}

  std::wstring Generate(SAFEARRAY* sa) {
    Bstr out;
    const HRESULT hr = o_->lpVtbl->cmn_KeyGenerate(o_, &sa, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring Generate(std::vector<Variant> items, LONG lower = 0) {
    SafeArray sa = VariantArray(items, lower);
    return Generate(sa.Get());
  }
  std::wstring Level(const std::wstring& key) {
    Bstr k(key);
    BSTR raw = k.Get();
    short level = -1;
    const HRESULT hr = o_->lpVtbl->cmn_WhatKeyLevel(o_, &raw, &level);
    if (FAILED(hr)) return Failure(hr) + (level == 0 ? L"" : L" (result not empty)");
    return std::to_wstring(level);
  }
  std::wstring Get(const std::wstring& key, short& itemNo) {
    Bstr k(key);
    BSTR raw = k.Get();
    Bstr out;
    const HRESULT hr = o_->lpVtbl->cmn_KeyGet(o_, &raw, &itemNo, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring Signature(const wchar_t* key) {
    Bstr k(key), out;
    BSTR raw = k.Get();
    const HRESULT hr = o_->lpVtbl->cmn_ReturnSigKey(o_, &raw, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring ReadNext(const wchar_t* text) {
    Variant v = Text(text);
    Bstr sep(L";"), out;
    BSTR raw = sep.Get();
    long next = 1;
    const HRESULT hr = o_->lpVtbl->cmn_SEP_Get(o_, v.Get(), &raw, &next, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }

  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

TEST_F(NodeKeys, GenerateJoinsTheElementsWithTheSignatureR) {
  std::vector<Variant> three;
  three.push_back(Number(12));
  three.push_back(Text(L"AB"));
  three.push_back(Number(7));
  EXPECT_EQ(L"R12;RAB;R7", Generate(std::move(three)));
  std::vector<Variant> oneEmpty;
  oneEmpty.push_back(Text(L""));
  EXPECT_EQ(L"R", Generate(std::move(oneEmpty)));
  EXPECT_EQ(L"", Generate(std::vector<Variant>{})) << "no elements, no key";
  std::vector<Variant> blanks;
  blanks.push_back(Null());
  blanks.push_back(Variant());
  blanks.push_back(Text(L"\u00C6\u00F8"));
  EXPECT_EQ(L"R;R;R\u00C6\u00F8", Generate(std::move(blanks))) << "Null and Empty read as empty";
  std::vector<Variant> shifted;
  shifted.push_back(Number(1));
  shifted.push_back(Number(2));
  EXPECT_EQ(L"R1;R2", Generate(std::move(shifted), -5)) << "any lower bound";
}

TEST_F(NodeKeys, GenerateWritesNumbersAsTheLocaleDoes) {
  kb::support::LocalePins pins;
  ASSERT_TRUE(pins.PinNumberSeparators());
  std::vector<Variant> items;
  items.push_back(Number(12.5));
  EXPECT_EQ(kb::support::DanishLocale() ? L"R12,5" : L"R12.5", Generate(std::move(items)));
}

TEST_F(NodeKeys, GenerateTakesArraysOfTextToo) {
  SAFEARRAYBOUND bound{2, 1};
  SafeArray sa(::SafeArrayCreate(VT_BSTR, 1, &bound));
  Bstr a(L"x"), b(L"y");
  LONG i = 1;
  ::SafeArrayPutElement(sa.Get(), &i, a.Get());
  i = 2;
  ::SafeArrayPutElement(sa.Get(), &i, b.Get());
  EXPECT_EQ(L"Rx;Ry", Generate(sa.Get()));
}

TEST_F(NodeKeys, GenerateFailsOnArraysItCannotWalk) {
  EXPECT_EQ(L"#9", Generate(nullptr)) << "never dimensioned";
  std::vector<Variant> items;
  items.push_back(Number(1));
  EXPECT_EQ(L"#6", Generate(std::move(items), 32768)) << "lower bound beyond 16 bits";
  std::vector<Variant> low;
  low.push_back(Number(1));
  EXPECT_EQ(L"#6", Generate(std::move(low), -32769));
  std::vector<Variant> top;
  top.push_back(Number(1));
  top.push_back(Number(2));
  EXPECT_EQ(L"R1;R2", Generate(std::move(top), 32766)) << "an upper bound of 32767 still walks";
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  SafeArray twoDims(::SafeArrayCreate(VT_VARIANT, 2, square));
  EXPECT_EQ(L"#9", Generate(twoDims.Get())) << "two dimensions fail at the first element";
  SAFEARRAYBOUND emptyFirst[2] = {{0, 0}, {3, 0}};
  SafeArray noRows(::SafeArrayCreate(VT_VARIANT, 2, emptyFirst));
  EXPECT_EQ(L"", Generate(noRows.Get())) << "no element of the first dimension is read";
}

TEST_F(NodeKeys, LevelCountsSemicolonsFromThePositionTwoOn) {
  struct Case {
    const wchar_t* key;
    const wchar_t* levels;
  };
  const Case cases[] = {
      {L"R12;R5;R7", L"3"}, {L"", L"1"},    {L"R1", L"1"}, {L"R1;;R2", L"3"},  {L";R1", L"1"},
      {L";", L"1"},         {L"R1;", L"2"}, {L";;", L"2"}, {L"\"a;b\"", L"2"},  // quotes do not
                                                                                // protect here
  };
  for (const auto& c : cases) EXPECT_EQ(c.levels, Level(c.key)) << c.key;
}

TEST_F(NodeKeys, LevelCountsWithSixteenBitPositions) {
  std::wstring key(32765, L'x');
  EXPECT_EQ(L"2", Level(key + L";")) << "a semicolon at position 32766";
  EXPECT_EQ(L"#6", Level(key + L"x;")) << "a semicolon at position 32767";
  EXPECT_EQ(L"1", Level(std::wstring(40000, L'x'))) << "length alone does not overflow";
}

TEST_F(NodeKeys, GetReadsOneLevelAndReportsTheCountForZero) {
  struct Case {
    const wchar_t* key;
    short itemNo;
    const wchar_t* expected;
    short itemNoAfter;
  };
  const Case cases[] = {
      {L"R12;R5;R7", 2, L"5", 2},
      {L"R12;R5;R7", 0, L"7", 3},
      {L"R12;R5;R7", 4, L"", 4},
      {L"R12;R5;R7", 1, L"12", 1},
      {L"R12;R5;R7", -1, L"12", -1},
      {L"R12; R5 ;R7", 2, L"5", 2},
      {L"\"R1;2\";R3", 1, L"1;2", 1},
      {L"R\u00C6\u00D8\u00C5", 0, L"\u00C6\u00D8\u00C5", 1},
      {L"R", 0, L"", 1},
      {L"", 0, L"", 1},
      {L"R1;;R3", 2, L"", 2},
  };
  for (const auto& c : cases) {
    short itemNo = c.itemNo;
    EXPECT_EQ(c.expected, Get(c.key, itemNo)) << c.key << " " << c.itemNo;
    EXPECT_EQ(c.itemNoAfter, itemNo) << c.key << " " << c.itemNo;
  }
}

TEST_F(NodeKeys, GetRestartsTheObjectsFieldReader) {
  short two = 2;
  EXPECT_EQ(L"5", Get(L"R12;R5;R7", two));
  EXPECT_EQ(L"R7", ReadNext(L"R12;R5;R7")) << "the reading goes on where the key was left";
}

TEST_F(NodeKeys, GetFailsWhenTheLevelCountOverflows) {
  std::wstring key(32766, L'x');
  key += L";R1";
  short itemNo = 0;
  EXPECT_EQ(L"#6", Get(key, itemNo));
  EXPECT_EQ(0, itemNo) << "no count to report";
  itemNo = 1;
  EXPECT_EQ(L"xxx", Get(key, itemNo).substr(0, 3)) << "a level given is read without counting";
}

TEST_F(NodeKeys, GetWritesTheCountIntoALateBoundCallersVariable) {
  VARIANT itemNo;
  V_VT(&itemNo) = VT_I2;
  V_I2(&itemNo) = 0;
  auto r = CallMethod(object_.Get(), L"cmn_KeyGet", {Arg(L"R1;R2;R3;R4"), Arg::ByRef(&itemNo)});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(L"4", r.Text());
  EXPECT_EQ(VT_I2, V_VT(&itemNo));
  EXPECT_EQ(4, V_I2(&itemNo));
  r = CallMethod(object_.Get(), L"cmn_KeyGet", {Arg(L"R1;R2;R3")});
  EXPECT_EQ(L"3", r.Text()) << "ItemNo left out reads the deepest level";
}

TEST_F(NodeKeys, SignatureIsTheFirstCharacterOfTheDeepestLevel) {
  struct Case {
    const wchar_t* key;
    const wchar_t* signature;
  };
  const Case cases[] = {
      {L"R12;R5;X7", L"X"}, {L"R12;R5;", L""},          {L"R12", L"R"},   {L"", L""},
      {L";X", L"X"},        {L"R1;\u00D82", L"\u00D8"}, {L"R1; Q", L" "},
  };
  for (const auto& c : cases) EXPECT_EQ(c.signature, Signature(c.key)) << c.key;
}

}  // namespace
