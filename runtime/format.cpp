#include "runtime/format.h"

#include <oleauto.h>

#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

// ---- the locale -------------------------------------------------------------

// The text a system function writes into a buffer: asked first without one
// for the length it needs (its NUL included), then into a buffer that size.
template <class Write>
std::wstring SystemText(Write&& write) {
  const int needed = write(nullptr, 0);
  if (needed <= 0) return {};
  std::wstring text(static_cast<size_t>(needed), L'\0');
  const int written = write(text.data(), needed);
  text.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return text;
}

std::wstring LocaleText(LCTYPE type) {
  return SystemText([&](wchar_t* buffer, int size) {
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, size);
  });
}

// Week-day names of the locale start on Monday; weekday counts from Sunday.
std::wstring DayName(int weekday, bool abbreviated) {
  const int fromMonday = (weekday + 5) % 7;
  return LocaleText((abbreviated ? LOCALE_SABBREVDAYNAME1 : LOCALE_SDAYNAME1) + fromMonday);
}

std::wstring MonthName(int month, bool abbreviated) {
  return LocaleText((abbreviated ? LOCALE_SABBREVMONTHNAME1 : LOCALE_SMONTHNAME1) + month - 1);
}

std::wstring Number(int value, int width = 1) {
  std::wstring digits = std::to_wstring(value < 0 ? -value : value);
  if (digits.size() < static_cast<size_t>(width)) digits.insert(0, width - digits.size(), L'0');
  return value < 0 ? L"-" + digits : digits;
}

// Quoted text of a picture starting at the quote at i, appended to out; two
// quotes stand for one, inside quotes or out.  Gives the index after it.
size_t ReadQuoted(std::wstring_view picture, size_t i, std::wstring& out) {
  if (i + 1 < picture.size() && picture[i + 1] == L'\'') {
    out += L'\'';
    return i + 2;
  }
  size_t j = i + 1;
  for (; j < picture.size(); ++j) {
    if (picture[j] != L'\'') {
      out += picture[j];
    } else if (j + 1 < picture.size() && picture[j + 1] == L'\'') {
      out += L'\'';
      ++j;
    } else {
      break;
    }
  }
  return j + 1;
}

// A date layout of the locale in the system's picture language (d, M, y and
// quoted text), for the years before 1601 that the system's own date
// formatting does not take.
std::wstring FormatPicture(const DateParts& p, std::wstring_view picture) {
  std::wstring out;
  for (size_t i = 0; i < picture.size();) {
    const wchar_t c = picture[i];
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == L'\'') {
      i = ReadQuoted(picture, i, out);
      continue;
    }
    if (c == L'd') {
      out += run >= 4   ? DayName(p.weekday, false)
             : run == 3 ? DayName(p.weekday, true)
                        : Number(p.dayOfMonth, static_cast<int>(run));
    } else if (c == L'M') {
      out += run >= 4   ? MonthName(p.month, false)
             : run == 3 ? MonthName(p.month, true)
                        : Number(p.month, static_cast<int>(run));
    } else if (c == L'y') {
      out += run >= 3 ? Number(p.year, 4) : Number(p.year % 100, static_cast<int>(run));
    } else if (c != L'g') {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

std::wstring LocaleDate(const DateParts& p, bool longDate) {
  if (p.year < 1601)
    return FormatPicture(p, LocaleText(longDate ? LOCALE_SLONGDATE : LOCALE_SSHORTDATE));
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(p.year);
  st.wMonth = static_cast<WORD>(p.month);
  st.wDay = static_cast<WORD>(p.dayOfMonth);
  st.wDayOfWeek = static_cast<WORD>(p.weekday - 1);
  const DWORD flag = longDate ? DATE_LONGDATE : DATE_SHORTDATE;
  return SystemText([&](wchar_t* buffer, int size) {
    return ::GetDateFormatW(LOCALE_USER_DEFAULT, flag, &st, nullptr, buffer, size);
  });
}

std::wstring LocaleTime(const DateParts& p) {
  // Only the time is shown; the date is any the system accepts.
  SYSTEMTIME st{2000, 1, 6, 1, 0, 0, 0, 0};
  st.wHour = static_cast<WORD>(p.hour);
  st.wMinute = static_cast<WORD>(p.minute);
  st.wSecond = static_cast<WORD>(p.second);
  return SystemText([&](wchar_t* buffer, int size) {
    return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, size);
  });
}

// ---- date patterns ------------------------------------------------------------

enum class Kind {
  Literal,
  DateSeparator,
  TimeSeparator,
  Day,
  Day2,
  DayAbbreviation,
  DayName,
  ShortDate,
  LongDate,
  WeekdayNumber,
  Week,
  Month,
  Month2,
  MonthAbbreviation,
  MonthName,
  Minute,
  Minute2,
  Quarter,
  DayOfYear,
  Year2,
  Year4,
  Hour,
  Hour2,
  Second,
  Second2,
  LongTime,
  GeneralDate,
  AmPm,
};

struct Token {
  Kind kind;
  std::wstring text;  // the literal text; for AmPm the marker as written
};

bool StartsWithNoCase(std::wstring_view text, size_t at, std::wstring_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::towlower(text[at + i]) != word[i]) return false;
  return true;
}

// The length of an AM/PM marker at the position, or 0.
size_t AmPmLength(std::wstring_view pattern, size_t at) {
  for (std::wstring_view marker : {L"am/pm", L"ampm", L"a/p"})
    if (StartsWithNoCase(pattern, at, marker)) return marker.size();
  return 0;
}

size_t RunLength(std::wstring_view pattern, size_t at) {
  const wchar_t c = static_cast<wchar_t>(std::towlower(pattern[at]));
  size_t run = 1;
  while (at + run < pattern.size() && std::towlower(pattern[at + run]) == c) ++run;
  return run;
}

void AddLiteral(std::vector<Token>& tokens, std::wstring_view text) {
  if (!tokens.empty() && tokens.back().kind == Kind::Literal)
    tokens.back().text += text;
  else
    tokens.push_back({Kind::Literal, std::wstring(text)});
}

// Reads a run of one token letter: how much of it one token takes, and which.
std::pair<size_t, Kind> LetterToken(wchar_t letter, size_t run) {
  switch (letter) {
    case L'd':
      if (run >= 6) return {6, Kind::LongDate};
      if (run == 5) return {5, Kind::ShortDate};
      if (run == 4) return {4, Kind::DayName};
      if (run == 3) return {3, Kind::DayAbbreviation};
      return {run, run == 2 ? Kind::Day2 : Kind::Day};
    case L'w':
      return run >= 2 ? std::pair{size_t{2}, Kind::Week}
                      : std::pair{size_t{1}, Kind::WeekdayNumber};
    case L'm':
      if (run >= 4) return {4, Kind::MonthName};
      if (run == 3) return {3, Kind::MonthAbbreviation};
      return {run, run == 2 ? Kind::Month2 : Kind::Month};
    case L'q': return {1, Kind::Quarter};
    case L'y':
      if (run >= 4) return {4, Kind::Year4};
      if (run >= 2) return {2, Kind::Year2};
      return {1, Kind::DayOfYear};
    case L'h':
      return run >= 2 ? std::pair{size_t{2}, Kind::Hour2} : std::pair{size_t{1}, Kind::Hour};
    case L'n':
      return run >= 2 ? std::pair{size_t{2}, Kind::Minute2} : std::pair{size_t{1}, Kind::Minute};
    case L's':
      return run >= 2 ? std::pair{size_t{2}, Kind::Second2} : std::pair{size_t{1}, Kind::Second};
    case L't':
      return run >= 5 ? std::pair{size_t{5}, Kind::LongTime} : std::pair{run, Kind::Literal};
    case L'c': return {1, Kind::GeneralDate};
    default: return {run, Kind::Literal};
  }
}

std::vector<Token> Tokenize(std::wstring_view pattern) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < pattern.size();) {
    const wchar_t c = pattern[i];
    if (c == L'"') {
      const size_t close = pattern.find(L'"', i + 1);
      const size_t end = close == std::wstring_view::npos ? pattern.size() : close;
      AddLiteral(tokens, pattern.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == L'\\') {
      if (i + 1 < pattern.size()) AddLiteral(tokens, pattern.substr(i + 1, 1));
      i += 2;
    } else if (c == L':') {
      tokens.push_back({Kind::TimeSeparator, {}});
      ++i;
    } else if (c == L'/') {
      tokens.push_back({Kind::DateSeparator, {}});
      ++i;
    } else if (const size_t marker = AmPmLength(pattern, i)) {
      tokens.push_back({Kind::AmPm, std::wstring(pattern.substr(i, marker))});
      i += marker;
    } else {
      const auto [length, kind] =
          LetterToken(static_cast<wchar_t>(std::towlower(c)), RunLength(pattern, i));
      if (kind == Kind::Literal)
        AddLiteral(tokens, pattern.substr(i, length));
      else
        tokens.push_back({kind, {}});
      i += length;
    }
  }
  return tokens;
}

bool IsTimeOrDateToken(Kind k) {
  return k != Kind::Literal && k != Kind::DateSeparator && k != Kind::TimeSeparator;
}

// m and mm mean minutes right after an hour or right before a second
// (separators and literal text between do not count).
void ResolveMinutes(std::vector<Token>& tokens) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    Kind& k = tokens[i].kind;
    if (k != Kind::Month && k != Kind::Month2) continue;
    bool minute = false;
    for (size_t j = i; j-- > 0;) {
      if (!IsTimeOrDateToken(tokens[j].kind)) continue;
      minute = tokens[j].kind == Kind::Hour || tokens[j].kind == Kind::Hour2;
      break;
    }
    for (size_t j = i + 1; !minute && j < tokens.size(); ++j) {
      if (!IsTimeOrDateToken(tokens[j].kind)) continue;
      minute = tokens[j].kind == Kind::Second || tokens[j].kind == Kind::Second2;
      break;
    }
    if (minute) k = k == Kind::Month ? Kind::Minute : Kind::Minute2;
  }
}

std::wstring AmPmText(std::wstring_view marker, bool afternoon) {
  if (marker.size() == 4) return LocaleText(afternoon ? LOCALE_S2359 : LOCALE_S1159);
  const bool upper = std::iswupper(marker[0]);
  if (marker.size() == 3) return afternoon ? (upper ? L"P" : L"p") : (upper ? L"A" : L"a");
  return afternoon ? (upper ? L"PM" : L"pm") : (upper ? L"AM" : L"am");
}

struct DateContext {
  DATE date;
  DateParts parts;
  int firstDay;
  int firstWeek;
  bool twelveHour;
};

std::wstring Render(const Token& t, const DateContext& c) {
  const DateParts& p = c.parts;
  const int hour = c.twelveHour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  switch (t.kind) {
    case Kind::Literal: return t.text;
    case Kind::DateSeparator: return LocaleText(LOCALE_SDATE);
    case Kind::TimeSeparator: return LocaleText(LOCALE_STIME);
    case Kind::Day: return Number(p.dayOfMonth);
    case Kind::Day2: return Number(p.dayOfMonth, 2);
    case Kind::DayAbbreviation: return DayName(p.weekday, true);
    case Kind::DayName: return DayName(p.weekday, false);
    case Kind::ShortDate: return LocaleDate(p, false);
    case Kind::LongDate: return LocaleDate(p, true);
    case Kind::WeekdayNumber: return Number((p.weekday - c.firstDay + 7) % 7 + 1);
    case Kind::Week: return Number(WeekOfYear(static_cast<double>(p.day), c.firstDay, c.firstWeek));
    case Kind::Month: return Number(p.month);
    case Kind::Month2: return Number(p.month, 2);
    case Kind::MonthAbbreviation: return MonthName(p.month, true);
    case Kind::MonthName: return MonthName(p.month, false);
    case Kind::Minute: return Number(p.minute);
    case Kind::Minute2: return Number(p.minute, 2);
    case Kind::Quarter: return Number((p.month - 1) / 3 + 1);
    case Kind::DayOfYear: return Number(p.dayOfYear);
    case Kind::Year2: return Number(p.year % 100, 2);
    case Kind::Year4: return Number(p.year);
    case Kind::Hour: return Number(hour);
    case Kind::Hour2: return Number(hour, 2);
    case Kind::Second: return Number(p.second);
    case Kind::Second2: return Number(p.second, 2);
    case Kind::LongTime: return LocaleTime(p);
    case Kind::GeneralDate: return std::wstring(DateText(c.date).View());
    case Kind::AmPm: return AmPmText(t.text, p.hour >= 12);
  }
  return {};
}

std::wstring FormatDatePattern(DATE date, std::wstring_view pattern, int firstDay, int firstWeek) {
  std::vector<Token> tokens = Tokenize(pattern);
  ResolveMinutes(tokens);
  DateContext context{date, SplitDate(date),
                      firstDay == kSystemFirstDay ? SystemFirstDay() : firstDay,
                      firstWeek == kSystemFirstWeek ? SystemFirstWeek() : firstWeek, false};
  for (const Token& t : tokens) context.twelveHour |= t.kind == Kind::AmPm;
  std::wstring out;
  for (const Token& t : tokens) out += Render(t, context);
  return out;
}

// ---- choosing between dates and numbers ------------------------------------

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, 0, b);
}

// The named date formats, as patterns of the tokens above.
std::optional<std::wstring_view> NamedDatePattern(std::wstring_view format) {
  static constexpr std::pair<std::wstring_view, std::wstring_view> kNamed[] = {
      {L"general date", L"c"},   {L"long date", L"dddddd"}, {L"medium date", L"dd-mmm-yy"},
      {L"short date", L"ddddd"}, {L"long time", L"ttttt"},  {L"medium time", L"hh:nn AMPM"},
      {L"short time", L"hh:nn"},
  };
  for (const auto& [name, pattern] : kNamed)
    if (SameNoCase(format, name)) return pattern;
  return std::nullopt;
}

bool IsNamedNumberFormat(std::wstring_view format) {
  static constexpr std::wstring_view kNamed[] = {
      L"general number", L"currency", L"fixed",      L"standard", L"percent",
      L"scientific",     L"yes/no",   L"true/false", L"on/off",
  };
  for (std::wstring_view name : kNamed)
    if (SameNoCase(format, name)) return true;
  return false;
}

bool IsDatePattern(std::wstring_view format) {
  if (IsNamedNumberFormat(format)) return false;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = static_cast<wchar_t>(std::towlower(format[i]));
    if (c == L'"') {
      const size_t close = format.find(L'"', i + 1);
      if (close == std::wstring_view::npos) return false;
      i = close;
    } else if (c == L'\\') {
      ++i;
    } else if (std::wstring_view(L"dwmqyhnsc").find(c) != std::wstring_view::npos ||
               AmPmLength(format, i) || StartsWithNoCase(format, i, L"ttttt")) {
      return true;
    }
  }
  return false;
}

Bstr PlatformFormat(const VARIANT& value, std::wstring_view format, int firstDay, int firstWeek) {
  const Bstr pattern(format);
  BSTR out = nullptr;
  CheckAutomation(
      ::VarFormat(const_cast<VARIANT*>(&value), pattern.Get(), firstDay, firstWeek, 0, &out));
  Bstr text = Bstr::Attach(out);
  return text.Get() ? std::move(text) : Bstr(L"");
}

bool IsText(const VARIANT& v) { return V_VT(&v) == VT_BSTR || V_VT(&v) == (VT_BYREF | VT_BSTR); }

// A text that is not a value of the kind the format wants comes back as it is.
std::optional<Variant> Converted(const VARIANT& v, VARTYPE type) {
  Variant out;
  if (FAILED(
          ::VariantChangeTypeEx(out.Get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, type)))
    return std::nullopt;
  return out;
}

void CheckRules(int firstDay, int firstWeek) {
  if (firstDay < kSystemFirstDay || firstDay > kSaturday || firstWeek < kSystemFirstWeek ||
      firstWeek > kFirstFullWeek)
    Raise(kErrInvalidCall);
}

}  // namespace

Bstr Format(const VARIANT& in, std::wstring_view format, int firstDay, int firstWeek) {
  CheckRules(firstDay, firstWeek);
  const VARIANT& v = Deref(in);
  if (V_VT(&v) == VT_NULL) return Bstr(L"");
  if (format.empty()) return ToText(v);
  if (!NamedDatePattern(format) && !IsDatePattern(format)) {
    if (!IsText(v)) return PlatformFormat(v, format, firstDay, firstWeek);
    const auto number = Converted(v, VT_R8);
    return number ? PlatformFormat(*number->Get(), format, firstDay, firstWeek) : ToText(v);
  }
  if (!IsText(v)) return FormatDate(ToDate(v), format, firstDay, firstWeek);
  const auto date = Converted(v, VT_DATE);
  return date ? FormatDate(V_DATE(date->Get()), format, firstDay, firstWeek) : ToText(v);
}

Bstr FormatDate(DATE date, std::wstring_view format, int firstDay, int firstWeek) {
  CheckRules(firstDay, firstWeek);
  CheckedDate(date);
  if (format.empty()) return DateText(date);
  if (const auto named = NamedDatePattern(format)) format = *named;
  if (IsDatePattern(format)) return Bstr(FormatDatePattern(date, format, firstDay, firstWeek));
  Variant v;
  V_VT(v.Get()) = VT_DATE;
  V_DATE(v.Get()) = date;
  return PlatformFormat(*v.Get(), format, firstDay, firstWeek);
}

Bstr FormatNumber(double number, std::wstring_view format) {
  Variant v;
  V_VT(v.Get()) = VT_R8;
  V_R8(v.Get()) = number;
  return Format(*v.Get(), format);
}

}  // namespace kb::rt
