// The date routines of clsCommon, called early bound as a VB client calls
// them (and late bound where a script's view matters), in both locales with
// the layouts Windows gives them pinned.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <limits>
#include <string>
#include <vector>

#include "runtime/dates.h"
#include "tests/frame/frame_test.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/locale_pins.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kb::support::Arg;
using kb::support::CallMethod;
using kb::support::DanishLocale;
using kb::support::LocalePins;
using namespace kbtest;
namespace rt = kb::rt;

Apartment apartment;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::wstring ByLocale(const wchar_t* en, const wchar_t* da) { return DanishLocale() ? da : en; }

// "#<error number>" for a failed call.
std::wstring Failure(HRESULT hr) { return L"#" + std::to_wstring(hr & 0xFFFF); }

// A date from its parts and a time of day.
DATE At(int y, int m, int d, int hh = 0, int mm = 0) {
  return rt::DateSerial(y, m, d) + rt::TimeSerial(hh, mm, 0);
}

// The system's own formatting of a date, to compare with.
std::wstring SystemDate(DATE date, DWORD flags, const wchar_t* picture = nullptr) {
  SYSTEMTIME st{};
  ::VariantTimeToSystemTime(date, &st);
  wchar_t text[256] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, picture, text, 256);
  return text;
}

class DateRoutines : public ::testing::Test {
 protected:
  DateRoutines() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}
  void SetUp() override { ASSERT_TRUE(LocalePins::PinWindowsLayouts()); }

  std::wstring IsWeekEnd(DATE date) {
    VARIANT_BOOL result = 1;
    const HRESULT hr = o_->lpVtbl->cmn_IsWeekEnd(o_, &date, &result);
    if (FAILED(hr)) return Failure(hr);
    return result == VARIANT_TRUE ? L"True" : result == VARIANT_FALSE ? L"False" : L"?";
  }
  std::wstring Text(HRESULT (*call)(kb::_clsCommon*, DATE*, BSTR*), DATE date) {
    Bstr out;
    const HRESULT hr = call(o_, &date, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring WeekDay(DATE date) {
    return Text(
        [](kb::_clsCommon* o, DATE* d, BSTR* r) { return o->lpVtbl->cmn_GetWeekDay(o, d, r); },
        date);
  }
  std::wstring WeekNumber(DATE date) {
    return Text([](kb::_clsCommon* o, DATE* d,
                   BSTR* r) { return o->lpVtbl->cmn_ReturnWeekNumber(o, d, r); },
                date);
  }
  std::wstring CurDay(long style, VARIANT* date = nullptr) {
    Variant unused;
    Bstr out;
    const HRESULT hr = o_->lpVtbl->cmn_GetCurDay(o_, date ? date : unused.Get(), &style, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring JoinTime(DATE a, DATE b) {
    Bstr out;
    const HRESULT hr = o_->lpVtbl->cmn_JoinTime(o_, &a, &b, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring BusinessDays(DATE from, DATE to, VARIANT_BOOL saturdayOff = VARIANT_TRUE) {
    long count = -999;
    const HRESULT hr = o_->lpVtbl->cmn_BusinessDateDiff(o_, from, to, saturdayOff, &count);
    return FAILED(hr) ? Failure(hr) : std::to_wstring(count);
  }

  LocalePins pins_;
  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

TEST_F(DateRoutines, WeekEndsAreSaturdaysAndSundaysAtAnyTime) {
  struct Case {
    DATE date;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {At(2026, 12, 5), L"True"},
      {At(2026, 12, 5, 23, 59), L"True"},
      {At(2026, 12, 6, 12, 0), L"True"},
      {At(2026, 12, 4, 23, 59), L"False"},
      {At(2026, 12, 7), L"False"},
      {At(2026, 12, 9, 6, 30), L"False"},
      {At(9999, 12, 31), L"False"},
      {At(100, 1, 2), L"True"},
      {-0.5, L"True"},  // noon of 30 December 1899, a Saturday
      {-1.5, L"False"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, IsWeekEnd(c.date)) << c.date;
}

TEST_F(DateRoutines, AValueThatIsNoDateIsTypeMismatchInDanish) {
  for (double bad : {kNaN, 1e10, -1e7, 2958466.0, -657435.0})
    EXPECT_EQ(L"#13", IsWeekEnd(bad)) << bad;
  VARIANT date;
  V_VT(&date) = VT_R8;
  V_R8(&date) = kNaN;
  // A double reaches the date parameter unconverted when passed by reference.
  VARIANT byRef;
  V_VT(&byRef) = VT_BYREF | VT_DATE;
  V_DATEREF(&byRef) = &V_R8(&date);
  const auto r = CallMethod(object_.Get(), L"cmn_IsWeekEnd", {Arg::ByVal(byRef)});
  EXPECT_EQ(13, r.ErrorNumber());
  EXPECT_EQ(L"Type Mismatch, du skal angive en dato!", r.description);
}

TEST_F(DateRoutines, WeekDayNamesAreTheLocales) {
  const wchar_t* en[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                         L"Thursday", L"Friday", L"Saturday"};
  const wchar_t* da[] = {L"s\u00F8ndag", L"mandag", L"tirsdag",    L"onsdag",
                         L"torsdag",     L"fredag", L"l\u00F8rdag"};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(ByLocale(en[i], da[i]), WeekDay(At(2026, 12, 6 + i, 18, 0))) << i;
  EXPECT_EQ(ByLocale(L"Saturday", L"l\u00F8rdag"), WeekDay(-0.5));
  EXPECT_EQ(L"#6", WeekDay(kNaN));
}

TEST_F(DateRoutines, WeekNumbersCountSundayWeeksUnderTheSystemsRule) {
  struct Case {
    const wchar_t* rule;  // the system's first-week setting
    DATE date;
    const wchar_t* week;
  };
  const Case cases[] = {
      {L"0", At(2026, 12, 7), L"50"},  {L"0", At(2021, 1, 3), L"2"},
      {L"0", At(2000, 12, 31), L"54"}, {L"2", At(2026, 12, 7), L"49"},
      {L"2", At(2026, 1, 1), L"53"},   {L"2", At(2026, 1, 4), L"1"},
      {L"1", At(2026, 1, 1), L"52"},   {L"1", At(2026, 1, 4), L"1"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, c.rule));
    EXPECT_EQ(c.week, WeekNumber(c.date)) << "rule " << c.rule << ", " << c.date;
  }
  // The first-day setting of the system does not count: weeks begin on Sunday.
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTDAYOFWEEK, L"0"));
  EXPECT_EQ(L"1", WeekNumber(At(2026, 1, 4)));
}

TEST_F(DateRoutines, FirstOfJanuaryIsWeekOneUnderTheJanuaryRule) {
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, L"0"));
  for (int year = 1990; year <= 2040; ++year) EXPECT_EQ(L"1", WeekNumber(At(year, 1, 1))) << year;
}

TEST_F(DateRoutines, TheLocalesOwnFirstWeekRuleApplies) {
  // Both locales ship their rule: US weeks hold 1 January, Danish weeks are
  // the first with four days.
  LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, DanishLocale() ? L"2" : L"0");
  EXPECT_EQ(ByLocale(L"50", L"49"), WeekNumber(At(2026, 12, 7)));
}

TEST_F(DateRoutines, CaptionsOfTodayInEveryStyle) {
  const DATE before = rt::Today();
  const std::wstring shortDate = CurDay(0), longDate = CurDay(1), day = CurDay(2),
                     mixed = CurDay(3);
  if (rt::Today() != before) GTEST_SKIP() << "midnight passed during the test";
  EXPECT_EQ(SystemDate(before, DATE_SHORTDATE), shortDate);
  EXPECT_EQ(SystemDate(before, DATE_LONGDATE), longDate);
  EXPECT_EQ(SystemDate(before, 0, L"dddd"), day);
  EXPECT_EQ(day + L" d. " + longDate, mixed);
  // The pinned layouts, independently of the system's formatting.
  const rt::DateParts p = rt::SplitDate(before);
  wchar_t expected[32];
  if (DanishLocale())
    swprintf(expected, 32, L"%02d-%02d-%04d", p.dayOfMonth, p.month, p.year);
  else
    swprintf(expected, 32, L"%d/%d/%04d", p.month, p.dayOfMonth, p.year);
  EXPECT_EQ(expected, shortDate);
}

TEST_F(DateRoutines, TheGivenDateIsNeverRead) {
  const DATE before = rt::Today();
  Variant lastYear;
  V_VT(lastYear.Get()) = VT_DATE;
  V_DATE(lastYear.Get()) = before - 365;
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  Variant text = Variant::FromText(Bstr(L"ikke en dato"));
  std::vector<std::wstring> captions;
  for (VARIANT* given : {lastYear.Get(), null.Get(), text.Get()})
    captions.push_back(CurDay(1, given));
  if (rt::Today() != before) GTEST_SKIP() << "midnight passed during the test";
  for (const auto& caption : captions) EXPECT_EQ(SystemDate(before, DATE_LONGDATE), caption);
  for (long style : {4L, 7L, -1L, 0x7FFFFFFFL}) EXPECT_EQ(L"", CurDay(style)) << style;
}

TEST_F(DateRoutines, MixedCaptionKeepsTheLocalesQuotedText) {
  ASSERT_TRUE(LocalePins::Set(LOCALE_SLONGDATE, L"dddd 'den' d. MMMM yyyy"));
  const std::wstring mixed = CurDay(3);
  const std::wstring day = CurDay(2);
  EXPECT_EQ(day + L" d. " + day + L" den ", mixed.substr(0, 2 * day.size() + 9));
  EXPECT_EQ(std::wstring::npos, mixed.find(L'\''));
  // Late bound, as a script calls it, with a date of its own.
  const auto r = CallMethod(object_.Get(), L"cmn_GetCurDay", {Arg(0.0), Arg(3)});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(mixed, r.Text());
}

TEST_F(DateRoutines, JoinTimeShowsTheClockTimeOfTheSum) {
  struct Case {
    DATE a, b;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {rt::TimeSerial(13, 30, 0), rt::TimeSerial(12, 45, 0), L"02:15:00"},
      {rt::TimeSerial(23, 0, 0), rt::TimeSerial(2, 0, 0), L"01:00:00"},
      {0, 0, L"00:00:00"},
      {At(2026, 12, 7, 6, 0), 1.5, L"18:00:00"},
      {rt::TimeSerial(0, 0, 1), rt::TimeSerial(23, 59, 58), L"23:59:59"},
      {-0.25, 0, L"06:00:00"},  // 06:00 on 30 December 1899
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, JoinTime(c.a, c.b)) << c.a << " + " << c.b;
  EXPECT_EQ(L"#6", JoinTime(2958465.5, 1));
  EXPECT_EQ(L"#6", JoinTime(kNaN, 0));
  EXPECT_EQ(L"#6", JoinTime(-657434, -1));
}

TEST_F(DateRoutines, JoinTimeUsesTheLocalesTimeSeparator) {
  ASSERT_TRUE(LocalePins::Set(LOCALE_STIME, L"."));
  EXPECT_EQ(L"02.15.00", JoinTime(rt::TimeSerial(13, 30, 0), rt::TimeSerial(12, 45, 0)));
}

TEST_F(DateRoutines, BusinessDaysBetweenDates) {
  const DATE monday = At(2026, 12, 7), friday = At(2026, 12, 11);
  struct Case {
    DATE from, to;
    VARIANT_BOOL saturdayOff;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {monday, friday, VARIANT_TRUE, L"4"},
      {friday, monday, VARIANT_TRUE, L"-4"},
      {friday, monday + 7, VARIANT_TRUE, L"1"},
      {friday, monday + 7, VARIANT_FALSE, L"2"},
      {monday + 7, friday, VARIANT_FALSE, L"-2"},
      {monday, monday + 0.99, VARIANT_TRUE, L"0"},
      {monday + 0.9, monday, VARIANT_FALSE, L"0"},
      {friday + 1, friday + 2, VARIANT_FALSE, L"0"},  // Saturday to Sunday
      {friday + 2, friday + 8, VARIANT_TRUE, L"5"},   // Sunday to Saturday
      {friday + 2, friday + 8, VARIANT_FALSE, L"6"},
      {monday, monday + 14, VARIANT_TRUE, L"10"},
      {monday, monday + 14, 1, L"10"},  // any True keeps Saturdays off
      {monday + 14, monday, VARIANT_FALSE, L"-12"},
      // Thursday 28 December 1899 at noon to Saturday 30 December: Friday.
      {-2.5, 0, VARIANT_TRUE, L"1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, BusinessDays(c.from, c.to, c.saturdayOff)) << c.from << " " << c.to;
  EXPECT_EQ(L"#6", BusinessDays(1e10, monday));
  EXPECT_EQ(L"#6", BusinessDays(monday, kNaN));
  // The whole date range: 5 of every 7 days, give or take the ends.
  const long all = std::stol(BusinessDays(-657434, 2958465));
  EXPECT_NEAR((2958465 + 657434) * 5.0 / 7.0, static_cast<double>(all), 5);
}

TEST_F(DateRoutines, SaturdayIsHolidayDefaultsToTrueWhenLeftOut) {
  const auto r = CallMethod(object_.Get(), L"cmn_BusinessDateDiff",
                            {Arg(At(2026, 12, 11)), Arg(At(2026, 12, 14))});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(1, r.Long());
  const auto withSaturday = CallMethod(object_.Get(), L"cmn_BusinessDateDiff",
                                       {Arg(At(2026, 12, 11)), Arg(At(2026, 12, 14)), Arg(false)});
  EXPECT_EQ(2, withSaturday.Long());
}

}  // namespace
