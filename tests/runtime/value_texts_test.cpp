// Texts of many values for an export, and long texts in the ANSI code page:
// both must give exactly what the platform's own conversions give.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/text.h"
#include "runtime/value_texts.h"
#include "tests/support/locale_pins.h"

namespace {

std::wstring Platform(VARTYPE type, double value) {
  VARIANT v;
  V_VT(&v) = type;
  V_R8(&v) = value;
  kb::Variant text;
  EXPECT_EQ(S_OK, ::VariantChangeTypeEx(text.Get(), &v, LOCALE_USER_DEFAULT, 0, VT_BSTR));
  return std::wstring(kb::View(V_BSTR(text.Get())));
}

std::wstring Mine(kb::rt::ValueTexts& texts, VARTYPE type, double value) {
  VARIANT v;
  V_VT(&v) = type;
  V_R8(&v) = value;
  std::wstring out = L"<";
  texts.Append(v, out);
  return out.substr(1);
}

TEST(ValueTexts, RealsAreWrittenAsThePlatformWritesThem) {
  kb::support::LocalePins pins;
  ASSERT_TRUE(kb::support::LocalePins::PinNumberSeparators());
  kb::rt::ValueTexts texts;
  EXPECT_TRUE(texts.WritesReals());  // this platform's way is known
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-12, 22);
  for (int i = 0; i < 20000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    ASSERT_EQ(Platform(VT_R8, value), Mine(texts, VT_R8, value)) << value;
  }
  for (double value : {0.0, -0.0, 1.0, -1.0, 0.1, 1e15, 1e16, 1e-4, 1e-5, 123456789012345.0,
                       1234567890123456.0, 0.30000000000000004, 1.7976931348623157e308, 4.9e-324})
    EXPECT_EQ(Platform(VT_R8, value), Mine(texts, VT_R8, value)) << value;
}

TEST(ValueTexts, DatesAreWrittenAsThePlatformWritesThem) {
  for (bool pinned : {false, true}) {
    kb::support::LocalePins pins;
    if (pinned) ASSERT_TRUE(kb::support::LocalePins::PinWindowsLayouts());
    kb::rt::ValueTexts texts;
    EXPECT_TRUE(texts.WritesDates());
    std::mt19937_64 random(11);
    std::uniform_int_distribution<int> day(-657434, 2958465);
    std::uniform_int_distribution<int> second(0, 86399);
    for (int i = 0; i < 5000; ++i) {
      double value = day(random);
      if (i % 3) value += (value < 0 ? -1 : 1) * second(random) / 86400.0;
      ASSERT_EQ(Platform(VT_DATE, value), Mine(texts, VT_DATE, value)) << value;
    }
  }
}

TEST(ValueTexts, OtherValuesAreThoseOfToText) {
  kb::rt::ValueTexts texts;
  VARIANT values[6];
  V_VT(&values[0]) = VT_I4, V_I4(&values[0]) = -2147483647 - 1;
  V_VT(&values[1]) = VT_I2, V_I2(&values[1]) = -32768;
  V_VT(&values[2]) = VT_UI1, V_UI1(&values[2]) = 255;
  V_VT(&values[3]) = VT_BOOL, V_BOOL(&values[3]) = VARIANT_TRUE;
  V_VT(&values[4]) = VT_EMPTY;
  V_VT(&values[5]) = VT_R4, V_R4(&values[5]) = 1.5f;
  for (const VARIANT& v : values) {
    std::wstring mine;
    texts.Append(v, mine);
    EXPECT_EQ(kb::rt::ToText(v).View(), mine);
  }
  VARIANT null;
  V_VT(&null) = VT_NULL;
  std::wstring out;
  try {
    texts.Append(null, out);
    ADD_FAILURE() << "Null has no text";
  } catch (const kb::Error& error) {
    EXPECT_EQ(94, error.Number());
  }
}

TEST(AnsiText, LongTextsGiveTheSystemsBytes) {
  std::wstring all;
  for (unsigned c = 1; c <= 0xFFFF; ++c) all += static_cast<wchar_t>(c);
  all += L"\xD83D\xDE00 a pair, and a lone \xDC00 half";
  for (size_t at = 0; at < all.size(); at += 300) {
    const std::wstring_view piece = std::wstring_view(all).substr(at, 300);
    BOOL lossy = FALSE;
    std::string expected(piece.size() * 2, '\0');
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, piece.data(),
                                        static_cast<int>(piece.size()), expected.data(),
                                        static_cast<int>(expected.size()), "?", &lossy);
    expected.resize(static_cast<size_t>(n));
    const kb::rt::AnsiText mine(piece);
    ASSERT_EQ(expected, std::string(mine.Get(), mine.Size())) << "from U+" << std::hex << at;
  }
}

}  // namespace
