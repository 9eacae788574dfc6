// The runtime's Format and calendar arithmetic, which the date routines and
// later the file sizes, the percent bar and the CSV export build on.  Runs
// in both locales with the layouts Windows gives them pinned.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/convert.h"
#include "runtime/dates.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "tests/support/locale_pins.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kb::support::DanishLocale;
using kb::support::LocalePins;
using kb::support::LocaleSetting;
namespace rt = kb::rt;

// The text a runtime call gives, or "#<error number>" when it raises.
template <class F>
std::wstring Outcome(F&& call) {
  try {
    return std::wstring(call().View());
  } catch (const kb::Error& e) {
    return L"#" + std::to_wstring(e.Number());
  }
}

std::wstring ByLocale(const wchar_t* en, const wchar_t* da) { return DanishLocale() ? da : en; }

// Monday 7 December 2026, 13:05:09.
const DATE kMonday = rt::DateSerial(2026, 12, 7) + rt::TimeSerial(13, 5, 9);

class Format : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LocalePins::PinWindowsLayouts()); }
  LocalePins pins_;
};

TEST_F(Format, NamedDateFormatsFollowTheLocalesLayouts) {
  struct Case {
    const wchar_t* format;
    const wchar_t* en;
    const wchar_t* da;
  };
  const Case cases[] = {
      {L"Short Date", L"12/7/2026", L"07-12-2026"},
      {L"short date", L"12/7/2026", L"07-12-2026"},
      {L"Long Date", L"Monday, December 7, 2026", L"7. december 2026"},
      {L"Long Time", L"1:05:09 PM", L"13:05:09"},
      {L"Short Time", L"13:05", L"13:05"},
      {L"ddddd", L"12/7/2026", L"07-12-2026"},
      {L"dddddd", L"Monday, December 7, 2026", L"7. december 2026"},
      {L"ttttt", L"1:05:09 PM", L"13:05:09"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ByLocale(c.en, c.da), rt::FormatDate(kMonday, c.format).View()) << c.format;
  EXPECT_EQ(rt::DateText(kMonday).View(), rt::FormatDate(kMonday, L"General Date").View());
  EXPECT_EQ(rt::DateText(kMonday).View(), rt::FormatDate(kMonday, L"c").View());
  const std::wstring medium = L"07-" + LocaleSetting(LOCALE_SABBREVMONTHNAME12) + L"-26";
  EXPECT_EQ(medium, rt::FormatDate(kMonday, L"Medium Date").View());
}

TEST_F(Format, QuotedTextInTheLocalesLongDateStaysIntact) {
  ASSERT_TRUE(LocalePins::Set(LOCALE_SLONGDATE, L"dddd 'den' d. MMMM yyyy"));
  EXPECT_EQ(ByLocale(L"Monday den 7. December 2026", L"mandag den 7. december 2026"),
            rt::FormatDate(kMonday, L"Long Date").View());
  ASSERT_TRUE(LocalePins::Set(LOCALE_SLONGDATE, L"'''d''' d"));
  EXPECT_EQ(L"'d' 7", rt::FormatDate(kMonday, L"Long Date").View());
}

TEST_F(Format, DatesBeforeTheSystemsCalendarUseTheSameLayouts) {
  // 1 February 1500 of the proleptic Gregorian calendar: 400 years before a
  // Thursday, and the calendar repeats every 400 years.
  const DATE date = rt::DateSerial(1500, 2, 1);
  EXPECT_EQ(ByLocale(L"2/1/1500", L"01-02-1500"), rt::FormatDate(date, L"Short Date").View());
  ASSERT_TRUE(LocalePins::Set(LOCALE_SLONGDATE, L"dddd 'den' d. MMMM yyyy"));
  EXPECT_EQ(ByLocale(L"Thursday den 1. February 1500", L"torsdag den 1. februar 1500"),
            rt::FormatDate(date, L"Long Date").View());
  EXPECT_EQ(ByLocale(L"Thursday", L"torsdag"), rt::FormatDate(date, L"dddd").View());
}

TEST_F(Format, DatePatternTokens) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* en;
    const wchar_t* da;
  };
  const Case cases[] = {
      {L"dddd", L"Monday", L"mandag"},
      {L"DDDD", L"Monday", L"mandag"},
      {L"mmmm", L"December", L"december"},
      {L"d/m/yy", L"7/12/26", L"7-12-26"},
      {L"dd.mm.yyyy", L"07.12.2026", L"07.12.2026"},
      {L"y q w", L"341 4 2", L"341 4 2"},
      {L"hh:mm:ss", L"13:05:09", L"13:05:09"},
      {L"h:n:s", L"13:5:9", L"13:5:9"},
      {L"HH:MM", L"13:05", L"13:05"},
      {L"mm:ss", L"05:09", L"05:09"},
      {L"m", L"12", L"12"},
      {L"h:nn AM/PM", L"1:05 PM", L"1:05 PM"},
      {L"hh a/p", L"01 p", L"01 p"},
      {L"\"kl.\" hh \\h", L"kl. 13 h", L"kl. 13 h"},
      {L"dddd d. mmmm", L"Monday 7. December", L"mandag 7. december"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ByLocale(c.en, c.da), rt::FormatDate(kMonday, c.pattern).View()) << c.pattern;
  EXPECT_EQ(LocaleSetting(LOCALE_SABBREVDAYNAME1) + L" " + LocaleSetting(LOCALE_SABBREVMONTHNAME12),
            rt::FormatDate(kMonday, L"ddd mmm").View());
  EXPECT_EQ(L"01 " + LocaleSetting(LOCALE_S2359), rt::FormatDate(kMonday, L"hh AMPM").View());
  EXPECT_EQ(L"01:05 " + LocaleSetting(LOCALE_S2359),
            rt::FormatDate(kMonday, L"Medium Time").View());
  EXPECT_EQ(L"12 am", rt::FormatDate(rt::DateSerial(2026, 1, 1), L"h am/pm").View());
}

TEST_F(Format, SeparatorsAreTheLocales) {
  ASSERT_TRUE(LocalePins::Set(LOCALE_STIME, L"."));
  ASSERT_TRUE(LocalePins::Set(LOCALE_SDATE, L"|"));
  EXPECT_EQ(L"13.05.09 7|12", rt::FormatDate(kMonday, L"hh:nn:ss d/m").View());
}

TEST_F(Format, WeekOfTheYearUnderEveryRule) {
  struct Case {
    int year, month, day, firstDay, firstWeek, week;
  };
  const Case cases[] = {
      // Weeks from Sunday, the week of 1 January first.
      {2026, 12, 7, 1, 1, 50},
      {2021, 1, 1, 1, 1, 1},
      {2021, 1, 3, 1, 1, 2},
      {2000, 12, 31, 1, 1, 54},
      // Weeks from Sunday, the first four-day week first.
      {2026, 12, 7, 1, 2, 49},
      {2026, 1, 1, 1, 2, 53},
      {2026, 1, 4, 1, 2, 1},
      {2021, 1, 1, 1, 2, 53},
      {2021, 1, 3, 1, 2, 1},
      {2025, 12, 31, 1, 2, 53},
      // Weeks from Sunday, the first full week first.
      {2026, 1, 1, 1, 3, 52},
      {2026, 1, 4, 1, 3, 1},
      {2023, 1, 1, 1, 3, 1},
      {2026, 12, 7, 1, 3, 49},
      // Weeks from Monday, four-day weeks (the weeks of ISO 8601).
      {2026, 12, 7, 2, 2, 50},
      {2021, 1, 3, 2, 2, 53},
      {2021, 1, 4, 2, 2, 1},
      {2020, 12, 31, 2, 2, 53},
  };
  for (const auto& c : cases) {
    const DATE date = rt::DateSerial(c.year, c.month, c.day);
    EXPECT_EQ(std::to_wstring(c.week), rt::FormatDate(date, L"ww", c.firstDay, c.firstWeek).View())
        << c.year << "-" << c.month << "-" << c.day << " rules " << c.firstDay << "/"
        << c.firstWeek;
  }
}

TEST_F(Format, SystemRulesComeFromTheRegionalSettings) {
  const DATE date = rt::DateSerial(2026, 1, 1);  // a Thursday
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, L"2"));
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTDAYOFWEEK, L"0"));  // Monday
  EXPECT_EQ(L"1", rt::FormatDate(date, L"ww", 0, 0).View());
  EXPECT_EQ(L"4", rt::FormatDate(date, L"w", 0, 0).View());
  EXPECT_EQ(L"53", rt::FormatDate(date, L"ww", 1, 0).View());
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, L"1"));
  EXPECT_EQ(L"52", rt::FormatDate(date, L"ww", 1, 0).View());
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTWEEKOFYEAR, L"0"));
  ASSERT_TRUE(LocalePins::Set(LOCALE_IFIRSTDAYOFWEEK, L"6"));  // Sunday
  EXPECT_EQ(L"5", rt::FormatDate(date, L"w", 0, 0).View());
  EXPECT_EQ(L"1", rt::FormatDate(date, L"ww", 0, 0).View());
}

TEST_F(Format, NumbersUseThePlatformsPatternsAndTheLocalesSeparator) {
  EXPECT_EQ(ByLocale(L"1.50", L"1,50"), rt::FormatNumber(1.5, L"0.00").View());
  EXPECT_EQ(ByLocale(L"0.13", L"0,13"), rt::FormatNumber(0.125, L"0.00").View());
  EXPECT_EQ(L"46", rt::FormatNumber(45.6, L"###").View());
  EXPECT_EQ(L"", rt::FormatNumber(0, L"###").View());
  EXPECT_EQ(L"12345", rt::FormatNumber(12345, L"General Number").View());
  EXPECT_EQ(L"-5", rt::FormatNumber(-5, L"0").View());
  EXPECT_EQ(ByLocale(L"12.5", L"12,5"), rt::NumberText(12.5).View());
}

TEST_F(Format, ValuesOfEveryKind) {
  Variant text = Variant::FromText(Bstr(L"ikke en dato"));
  EXPECT_EQ(L"ikke en dato", rt::Format(*text.Get(), L"dddd").View()) << "text that is no date";
  EXPECT_EQ(L"ikke en dato", rt::Format(*text.Get(), L"0.00").View()) << "text that is no number";
  Variant isoDate = Variant::FromText(Bstr(L"2026-12-07"));
  EXPECT_EQ(L"2026 12", rt::Format(*isoDate.Get(), L"yyyy mm").View());
  Variant number;
  V_VT(number.Get()) = VT_I4;
  V_I4(number.Get()) = 46363;  // a day count is a date
  EXPECT_EQ(L"2026-12-07", rt::Format(*number.Get(), L"yyyy-mm-dd").View());
  EXPECT_EQ(L"46363", rt::Format(*number.Get()).View()) << "no format: the text form";
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  EXPECT_EQ(L"", rt::Format(*null.Get(), L"dddd").View());
  Variant empty;
  EXPECT_EQ(ByLocale(L"Saturday", L"l\u00F8rdag"), rt::Format(*empty.Get(), L"dddd").View())
      << "Empty is day 0, 30 December 1899";
}

TEST_F(Format, BadArgumentsRaiseRunTimeErrors) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(L"#6", Outcome([&] { return rt::FormatDate(1e10, L"dddd"); }));
  EXPECT_EQ(L"#6", Outcome([&] { return rt::FormatDate(nan, L"dddd"); }));
  EXPECT_EQ(L"#6", Outcome([&] { return rt::FormatDate(-657435.0, L"dddd"); }));
  EXPECT_EQ(L"#5", Outcome([&] { return rt::FormatDate(kMonday, L"ww", 8, 1); }));
  EXPECT_EQ(L"#5", Outcome([&] { return rt::FormatDate(kMonday, L"ww", -1, 1); }));
  EXPECT_EQ(L"#5", Outcome([&] { return rt::FormatDate(kMonday, L"ww", 1, 4); }));
  Variant null;
  V_VT(null.Get()) = VT_NULL;
  EXPECT_EQ(L"#94", Outcome([&] {
              rt::ToDate(*null.Get());
              return Bstr(L"");
            }));
  Variant word = Variant::FromText(Bstr(L"abc"));
  EXPECT_EQ(L"#13", Outcome([&] {
              rt::ToDate(*word.Get());
              return Bstr(L"");
            }));
  EXPECT_EQ(L"#13", Outcome([&] { return rt::NumberText(rt::NumberFromText(L"abc")); }));
  EXPECT_EQ(L"#6", Outcome([&] { return rt::NumberText(rt::NumberFromText(L"1e400")); }));
}

// ---- calendar arithmetic, checked against the platform's own conversions ----

TEST(Calendar, DatesAgreeWithThePlatformAcrossTheCenturies) {
  for (long day = -657434; day <= 2958465; day += 997) {  // the years 100 to 9999
    // The time of day counts away from zero, also before 1900.
    const DATE date = day < 0 ? day - 0.75 : day + 0.75;
    SYSTEMTIME st{};
    ASSERT_TRUE(::VariantTimeToSystemTime(date, &st)) << day;
    const rt::DateParts p = rt::SplitDate(date);
    ASSERT_EQ(st.wYear, p.year) << day;
    ASSERT_EQ(st.wMonth, p.month) << day;
    ASSERT_EQ(st.wDay, p.dayOfMonth) << day;
    ASSERT_EQ(st.wDayOfWeek + 1, p.weekday) << day;
    ASSERT_EQ(18, p.hour) << day;
    ASSERT_EQ(static_cast<double>(day), rt::DateSerial(p.year, p.month, p.dayOfMonth)) << day;
  }
}

TEST(Calendar, TimeBeforeNineteenHundredRunsForwardFromTheDay) {
  const rt::DateParts p = rt::SplitDate(-1.5);  // 29 December 1899, noon
  EXPECT_EQ(1899, p.year);
  EXPECT_EQ(29, p.dayOfMonth);
  EXPECT_EQ(12, p.hour);
  EXPECT_EQ(-1, rt::DayOf(-1.5));
  EXPECT_EQ(7, rt::Weekday(-0.5)) << "30 December 1899 was a Saturday";
  EXPECT_EQ(6, rt::Weekday(-1.5));
  EXPECT_EQ(6, rt::Weekday(-0.5, rt::kMonday));
  EXPECT_EQ(1, rt::Weekday(-0.5, rt::kSaturday));
}

TEST(Calendar, RoundingToTheSecondCarriesIntoTheNextDayButNotPastTheLast) {
  const rt::DateParts midnight = rt::SplitDate(0.9999999);
  EXPECT_EQ(31, midnight.dayOfMonth);
  EXPECT_EQ(0, midnight.hour);
  const rt::DateParts last = rt::SplitDate(2958465.9999999);
  EXPECT_EQ(9999, last.year);
  EXPECT_EQ(31, last.dayOfMonth);
  EXPECT_EQ(23, last.hour);
  EXPECT_EQ(59, last.second);
}

TEST(Calendar, DateSerialMovesThroughMonthsAndYears) {
  EXPECT_EQ(rt::DateSerial(2027, 1, 1), rt::DateSerial(2026, 13, 1));
  EXPECT_EQ(rt::DateSerial(2025, 12, 1), rt::DateSerial(2026, 0, 1));
  EXPECT_EQ(rt::DateSerial(2024, 12, 1), rt::DateSerial(2026, -12, 1));
  EXPECT_EQ(rt::DateSerial(2026, 3, 1), rt::DateSerial(2026, 2, 29));
  EXPECT_EQ(0.0, rt::DateSerial(1899, 12, 30));
}

}  // namespace
