// The exchange sort of cmn_BubbleSort: the fast result against the passes
// done one by one over many random arrays (texts, numbers, mixtures, Empty
// and Null), and the routine itself called early and late bound.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/sorting.h"
#include "frame/interfaces.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "tests/files/files_test.h"
#include "tests/frame/frame_test.h"
#include "tests/support/forms.h"

namespace {

using kb::Bstr;
using kb::SafeArray;
using kb::Variant;
using namespace kbtest;

Apartment apartment;

// ---- arrays ------------------------------------------------------------------

SafeArray Vector(VARTYPE type, size_t count, LONG lower = 0) {
  return SafeArray(::SafeArrayCreateVector(type, lower, static_cast<ULONG>(count)));
}

template <class T>
T* Data(const SafeArray& a) {
  return static_cast<T*>(a.Get()->pvData);
}

SafeArray Copy(const SafeArray& a) {
  SAFEARRAY* copy = nullptr;
  EXPECT_EQ(S_OK, ::SafeArrayCopy(a.Get(), &copy));
  return SafeArray(copy);
}

// One element for a failure message.
std::string Describe(const VARIANT& v) {
  std::string out = "vt" + std::to_string(V_VT(&v)) + ":";
  Variant text;
  if (V_VT(&v) == VT_BSTR && !V_BSTR(&v)) return out + "<null>";
  if (SUCCEEDED(::VariantChangeType(text.Get(), const_cast<VARIANT*>(&v), 0, VT_BSTR)))
    for (wchar_t c : kb::View(V_BSTR(text.Get()))) out += c < 128 ? static_cast<char>(c) : '#';
  return out;
}

bool Same(const VARIANT& a, const VARIANT& b) {
  if (V_VT(&a) != V_VT(&b)) return false;
  if (V_VT(&a) == VT_BSTR)
    return (V_BSTR(&a) == nullptr) == (V_BSTR(&b) == nullptr) &&
           kb::View(V_BSTR(&a)) == kb::View(V_BSTR(&b));
  if (V_VT(&a) == VT_DECIMAL) return std::memcmp(&V_DECIMAL(&a), &V_DECIMAL(&b), 16) == 0;
  return std::memcmp(&V_UI1(&a), &V_UI1(&b), 8) == 0;
}

// The elements of two arrays of the same type, as variants.
std::vector<Variant> Elements(const SafeArray& a, VARTYPE type) {
  std::vector<Variant> out;
  const size_t n = a.Get()->rgsabound[0].cElements;
  for (size_t i = 0; i < n; ++i) {
    Variant v;
    void* p = static_cast<char*>(a.Get()->pvData) + i * a.Get()->cbElements;
    if (type == VT_VARIANT) {
      ::VariantCopy(v.Get(), static_cast<VARIANT*>(p));
    } else if (type == VT_BSTR) {
      V_VT(v.Get()) = VT_BSTR;
      V_BSTR(v.Get()) = Bstr::Copy(*static_cast<BSTR*>(p)).Release();
    } else {
      V_VT(v.Get()) = type;
      std::memcpy(&V_UI1(v.Get()), p, a.Get()->cbElements);
    }
    out.push_back(std::move(v));
  }
  return out;
}

std::string Listing(const std::vector<Variant>& items) {
  std::string s;
  for (const auto& v : items) s += Describe(*v.Get()) + " ";
  return s;
}

// Both ways of sorting on copies of one array; a failure names the input.
void ExpectSameAsPasses(const SafeArray& input, VARTYPE type) {
  SafeArray fast = Copy(input), slow = Copy(input);
  long fastError = 0, slowError = 0;
  try {
    kb::files::SortElements(fast.Get(), type);
  } catch (const kb::Error& e) {
    fastError = e.Number();
  }
  try {
    kb::files::ExchangeSort(slow.Get(), type);
  } catch (const kb::Error& e) {
    slowError = e.Number();
  }
  ASSERT_EQ(slowError, fastError) << Listing(Elements(input, type));
  if (slowError) return;
  const auto a = Elements(fast, type), b = Elements(slow, type);
  for (size_t i = 0; i < a.size(); ++i)
    ASSERT_TRUE(Same(*a[i].Get(), *b[i].Get()))
        << "at " << i << "\n input " << Listing(Elements(input, type)) << "\n fast  " << Listing(a)
        << "\n slow  " << Listing(b);
}

// ---- random contents ---------------------------------------------------------------

std::mt19937& Rng() {
  static std::mt19937 rng(20240611u);
  return rng;
}
int Pick(int n) { return static_cast<int>(Rng()() % static_cast<unsigned>(n)); }

// Texts around the places where orders disagree: case, digits that read as
// numbers, Danish letters, and characters above U+00FF whose bytes order
// differently from their code units.
const wchar_t* const kTexts[] = {L"",   L"a",      L"B",      L"b",      L"10",     L"2",
                                 L"-1", L"\u0101", L"\u00FF", L"\u0100", L"\u00E6", L"\u00C5",
                                 L"ab", L"a b",    L"True",   L"1,5",    L"1.5"};

void SetRandom(VARIANT* v, bool withEmpty, bool withNull) {
  ::VariantInit(v);
  switch (Pick(10)) {
    case 0:
      V_VT(v) = VT_I2;
      V_I2(v) = static_cast<SHORT>(Pick(7) - 3);
      break;
    case 1:
      V_VT(v) = VT_I4;
      V_I4(v) = Pick(25) - 5;
      break;
    case 2:
      V_VT(v) = VT_R8;
      V_R8(v) = (Pick(13) - 4) / 2.0;
      break;
    case 3:
      V_VT(v) = VT_R8;
      V_R8(v) = (Pick(13) - 4) / 3.0;
      break;
    case 4:
      V_VT(v) = VT_BOOL;
      V_BOOL(v) = Pick(2) ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case 5:
      V_VT(v) = VT_DATE;
      V_DATE(v) = Pick(40) / 4.0;
      break;
    case 6:
      if (withEmpty) break;  // Empty
      [[fallthrough]];
    case 7:
      if (withNull && Pick(3) == 0) {
        V_VT(v) = VT_NULL;
        break;
      }
      [[fallthrough]];
    default:
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = Pick(12) == 0 ? nullptr : ::SysAllocString(kTexts[Pick(std::size(kTexts))]);
  }
}

TEST(SortRandom, VariantArraysOfMixedValues) {
  for (int round = 0; round < 3000; ++round) {
    const size_t n = static_cast<size_t>(Pick(12));
    SafeArray a = Vector(VT_VARIANT, n);
    const bool withEmpty = round % 3 == 0, withNull = round % 4 == 0;
    for (size_t i = 0; i < n; ++i) SetRandom(&Data<VARIANT>(a)[i], withEmpty, withNull);
    ExpectSameAsPasses(a, VT_VARIANT);
    if (HasFatalFailure()) return;
  }
}

TEST(SortRandom, VariantArraysOfOneKind) {
  for (int round = 0; round < 600; ++round) {
    const size_t n = static_cast<size_t>(Pick(40));
    SafeArray a = Vector(VT_VARIANT, n);
    for (size_t i = 0; i < n; ++i) {
      VARIANT* v = &Data<VARIANT>(a)[i];
      if (round % 2) {
        V_VT(v) = VT_I4;
        V_I4(v) = Pick(30);
      } else {
        V_VT(v) = VT_BSTR;
        V_BSTR(v) = ::SysAllocString(kTexts[Pick(std::size(kTexts))]);
      }
    }
    ExpectSameAsPasses(a, VT_VARIANT);
    if (HasFatalFailure()) return;
  }
}

TEST(SortRandom, TypedArrays) {
  for (int round = 0; round < 1500; ++round) {
    const size_t n = static_cast<size_t>(Pick(14));
    switch (round % 5) {
      case 0: {
        SafeArray a = Vector(VT_BSTR, n);
        for (size_t i = 0; i < n; ++i)
          Data<BSTR>(a)[i] = Pick(6) ? ::SysAllocString(kTexts[Pick(std::size(kTexts))]) : nullptr;
        ExpectSameAsPasses(a, VT_BSTR);
        break;
      }
      case 1: {
        SafeArray a = Vector(VT_I2, n);
        for (size_t i = 0; i < n; ++i) Data<SHORT>(a)[i] = static_cast<SHORT>(Pick(9) - 4);
        ExpectSameAsPasses(a, VT_I2);
        break;
      }
      case 2: {
        // Thirds lose digits through their text; some sit next to their own
        // shortened text, where the exchanges themselves must be done.
        SafeArray a = Vector(VT_R8, n);
        for (size_t i = 0; i < n; ++i)
          Data<double>(a)[i] = Pick(5) ? (Pick(20) - 5) / 3.0 : 0.333333333333333;
        ExpectSameAsPasses(a, VT_R8);
        break;
      }
      case 3: {
        SafeArray a = Vector(VT_R4, n);
        for (size_t i = 0; i < n; ++i) Data<float>(a)[i] = (Pick(20) - 5) / 7.0f;
        ExpectSameAsPasses(a, VT_R4);
        break;
      }
      default: {
        SafeArray a = Vector(VT_DATE, n);
        for (size_t i = 0; i < n; ++i) Data<double>(a)[i] = Pick(4000) / 1000.0;
        ExpectSameAsPasses(a, VT_DATE);
        break;
      }
    }
    if (HasFatalFailure()) return;
  }
}

TEST(SortRandom, LongerArrays) {
  for (int round = 0; round < 20; ++round) {
    const size_t n = 150 + static_cast<size_t>(Pick(100));
    SafeArray a = Vector(VT_VARIANT, n);
    for (size_t i = 0; i < n; ++i) SetRandom(&Data<VARIANT>(a)[i], false, round % 2 == 0);
    ExpectSameAsPasses(a, VT_VARIANT);
    if (HasFatalFailure()) return;
  }
}

// ---- the routine -------------------------------------------------------------------

class BubbleSortCall : public CommonTest {
 protected:
  HRESULT Sort(VARIANT* v) { return o_->lpVtbl->cmn_BubbleSort(o_, v); }

  static SafeArray Texts(std::initializer_list<const wchar_t*> items, VARTYPE type,
                         LONG lower = 0) {
    SafeArray a = Vector(type, items.size(), lower);
    size_t i = 0;
    for (const wchar_t* t : items) {
      if (type == VT_BSTR) {
        Data<BSTR>(a)[i++] = ::SysAllocString(t);
      } else {
        VARIANT* v = &Data<VARIANT>(a)[i++];
        V_VT(v) = VT_BSTR;
        V_BSTR(v) = ::SysAllocString(t);
      }
    }
    return a;
  }
  // The elements with commas between; texts in a variant array are marked
  // with a quote, to tell them from numbers.
  static std::wstring Joined(SAFEARRAY* a, VARTYPE type, bool markTexts = true) {
    std::wstring s;
    const size_t n = a->rgsabound[0].cElements;
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) s += L",";
      if (type == VT_BSTR) {
        s += kb::View(static_cast<BSTR*>(a->pvData)[i]);
      } else {
        const VARIANT& v = static_cast<VARIANT*>(a->pvData)[i];
        Variant text;
        ::VariantChangeType(text.Get(), const_cast<VARIANT*>(&v), 0, VT_BSTR);
        s += markTexts && V_VT(&v) == VT_BSTR ? L"'" : L"";
        s += V_VT(text.Get()) == VT_BSTR ? kb::View(V_BSTR(text.Get())) : L"?";
      }
    }
    return s;
  }
};

TEST_F(BubbleSortCall, TextsByCodeUnit) {
  struct Case {
    std::initializer_list<const wchar_t*> in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {{L"b", L"B", L"a"}, L"B,a,b"},
      {{L"only"}, L"only"},
      {{L"\u0101", L"a", L"\u00FF", L"\u0100"}, L"a,\u00FF,\u0100,\u0101"},
      {{L"\u00E5", L"\u00E6", L"\u00F8", L"z", L"Z"}, L"Z,z,\u00E5,\u00E6,\u00F8"},
      {{L"b", L"", L"a", L""}, L",,a,b"},
  };
  for (const auto& c : cases) {
    for (VARTYPE type : {VT_BSTR, VT_VARIANT}) {
      SafeArray a = Texts(c.in, type);
      Variant v;
      V_VT(v.Get()) = VT_ARRAY | type;
      V_ARRAY(v.Get()) = a.Release();
      ASSERT_EQ(S_OK, Sort(v.Get()));
      EXPECT_EQ(c.out, Joined(V_ARRAY(v.Get()), type, false)) << "type " << type;
    }
  }
}

TEST_F(BubbleSortCall, NumbersThatMoveRightBecomeText) {
  SafeArray a = Vector(VT_VARIANT, 3);
  const long values[] = {10, 9, 100};
  for (int i = 0; i < 3; ++i) {
    V_VT(&Data<VARIANT>(a)[i]) = VT_I4;
    V_I4(&Data<VARIANT>(a)[i]) = values[i];
  }
  // By reference, as a script passes its array variable.
  Variant target;
  V_VT(target.Get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(target.Get()) = a.Release();
  VARIANT ref = RefVariant(target.Get());
  ASSERT_EQ(S_OK, Sort(&ref));
  // 10 met the 9 and moved right as text; text sorts after every number.
  EXPECT_EQ(L"9,100,'10", Joined(V_ARRAY(target.Get()), VT_VARIANT));
}

TEST_F(BubbleSortCall, BadArraysFail) {
  auto errorOf = [&](VARIANT* v) {
    const HRESULT hr = Sort(v);
    return hr == S_OK ? 0L : static_cast<long>(hr & 0xFFFF);
  };
  Variant notArray;
  V_VT(notArray.Get()) = VT_I4;
  EXPECT_EQ(9, errorOf(notArray.Get()));
  Variant unallocated;
  V_VT(unallocated.Get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(unallocated.Get()) = nullptr;
  EXPECT_EQ(9, errorOf(unallocated.Get()));
  // A reference that points back at itself ends, as a type mismatch.
  VARIANT loop;
  V_VT(&loop) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&loop) = &loop;
  EXPECT_EQ(13, errorOf(&loop));

  struct Bounds {
    LONG lower;
    ULONG count;
    long error;
  };
  const Bounds bounds[] = {
      {0, 0, 0},       // no elements: one pass over nothing
      {-32768, 2, 0},  // the lowest 16-bit bound
      {32766, 2, 0},   // up to the highest
      {32767, 2, 6},   // an upper bound past it
      {-32769, 2, 6},  // a lower bound below it
      {-32768, 1, 6},  // the last left position, -32769, overflows
  };
  for (const auto& b : bounds) {
    SAFEARRAYBOUND sb{b.count, b.lower};
    SafeArray a(::SafeArrayCreate(VT_BSTR, 1, &sb));
    Variant v;
    V_VT(v.Get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v.Get()) = a.Release();
    EXPECT_EQ(b.error, errorOf(v.Get())) << b.lower << " count " << b.count;
  }

  // Two dimensions: one index on them is out of range, unless no exchange is
  // ever looked at.
  SAFEARRAYBOUND two[2] = {{2, 0}, {2, 0}};
  Variant grid;
  V_VT(grid.Get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(grid.Get()) = ::SafeArrayCreate(VT_BSTR, 2, two);
  EXPECT_EQ(9, errorOf(grid.Get()));
  SAFEARRAYBOUND row[2] = {{1, 0}, {5, 0}};
  V_ARRAY(grid.Get()) = nullptr;
  ::VariantClear(grid.Get());
  V_VT(grid.Get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(grid.Get()) = ::SafeArrayCreate(VT_BSTR, 2, row);
  EXPECT_EQ(0, errorOf(grid.Get()));
}

TEST_F(BubbleSortCall, ObjectsCompareByTheirDefaultValue) {
  auto form = kb::support::Make<kb::support::Form>();
  const wchar_t* texts[] = {L"b", L"a", L"c"};
  SafeArray a = Vector(VT_VARIANT, 3);
  for (int i = 0; i < 3; ++i) {
    auto box =
        form->AddTextBox(L"txt" + std::to_wstring(i), {{8, 8 + 30 * i, 80, 24}, false, texts[i]});
    V_VT(&Data<VARIANT>(a)[i]) = VT_DISPATCH;
    V_DISPATCH(&Data<VARIANT>(a)[i]) = box.Detach();
  }
  Variant v;
  V_VT(v.Get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(v.Get()) = a.Release();
  ASSERT_EQ(S_OK, Sort(v.Get()));
  const VARIANT* items = static_cast<VARIANT*>(V_ARRAY(v.Get())->pvData);
  // The box that moved right did so as its text.
  EXPECT_EQ(VT_DISPATCH, V_VT(&items[0]));
  EXPECT_EQ(VT_BSTR, V_VT(&items[1]));
  EXPECT_EQ(VT_DISPATCH, V_VT(&items[2]));
  EXPECT_EQ(L"a,'b,c", Joined(V_ARRAY(v.Get()), VT_VARIANT));
}

TEST_F(BubbleSortCall, LateBoundScriptArray) {
  Variant target;
  V_VT(target.Get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(target.Get()) = Texts({L"pear", L"Apple", L"apple", L"\u00C6ble"}, VT_VARIANT).Release();
  const Outcome o = Call(object_.Get(), L"cmn_BubbleSort", {RefVariant(target.Get())});
  ASSERT_EQ(S_OK, o.hr) << o.scode;
  EXPECT_EQ(L"'Apple,'apple,'pear,'\u00C6ble", Joined(V_ARRAY(target.Get()), VT_VARIANT));
}

TEST_F(BubbleSortCall, LargeTextArrayEndsInOrder) {
  const size_t n = 30000;
  SafeArray a = Vector(VT_BSTR, n);
  for (size_t i = 0; i < n; ++i)
    Data<BSTR>(a)[i] = ::SysAllocString(std::to_wstring((i * 7919) % n).c_str());
  Variant v;
  V_VT(v.Get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(v.Get()) = a.Release();
  ASSERT_EQ(S_OK, Sort(v.Get()));
  BSTR* items = static_cast<BSTR*>(V_ARRAY(v.Get())->pvData);
  for (size_t i = 1; i < n; ++i)
    ASSERT_LE(kb::View(items[i - 1]).compare(kb::View(items[i])), 0) << i;
}

}  // namespace
