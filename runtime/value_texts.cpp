#include "runtime/value_texts.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cwchar>

#include "runtime/handles.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

template <class Integer>
void AppendInteger(Integer value, std::wstring& out) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Values whose texts tell the platform's way of writing reals: fractions,
// negative zero, exponents both ways, the 15-digit limit and rounding.
constexpr double kProbes[] = {0.5,
                              -0.5,
                              1.75,
                              -0.0,
                              1e15,
                              1e20,
                              1.5e-7,
                              1e-5,
                              0.0001,
                              -1234.5,
                              1.0 / 3,
                              2.0 / 3,
                              0.1 + 0.2,
                              123456789012345678.0,
                              999999999999999.0,
                              12345.678901234567,
                              -4582968481181.625,
                              0.000123456789012345};

// Dates and times that tell the platform's way of writing them: date only,
// time only, midnight, noon, both halves of the day, one- and two-digit
// parts, the ends of the range and dates before 1899.
constexpr double kDateProbes[] = {
    0.0,     0.5,     0.25, 0.75,  0.999988426, 43831.0,          43831.0257, 45322.4375,
    45323.0, 45574.9, 2.0,  -1.25, -657434.0,   2958465.99998843, 36892.04};

std::wstring LocaleText(LCTYPE type) {
  wchar_t text[128] = {};
  return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 128) ? text : L"";
}

bool SameAsPlatform(VARTYPE type, double value, const std::wstring& mine) {
  VARIANT v;
  V_VT(&v) = type;
  V_R8(&v) = value;  // VT_DATE shares the storage of VT_R8
  try {
    return mine == ToText(v).View();
  } catch (...) {
    return false;
  }
}

void AppendNumber(unsigned value, unsigned width, std::wstring& out) {
  wchar_t digits[8];
  unsigned n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value && n < 8);
  for (; n < width; ++n) digits[n] = L'0';
  while (n) out += digits[--n];
}

}  // namespace

ValueTexts::ValueTexts() : numbers_(::_create_locale(LC_ALL, "C")) {
  decimal_ = LocaleText(LOCALE_SDECIMAL);
  shortDate_ = LocaleText(LOCALE_SSHORTDATE);
  time_ = LocaleText(LOCALE_STIMEFORMAT);
  am_ = LocaleText(LOCALE_S1159);
  pm_ = LocaleText(LOCALE_S2359);
  CheckReals();
  CheckDates();
}

ValueTexts::~ValueTexts() {
  if (numbers_) ::_free_locale(numbers_);
}

void ValueTexts::CheckReals() {
  realsHere_ = numbers_ && !decimal_.empty();
  for (double probe : kProbes) {
    std::wstring mine;
    if (!realsHere_) return;
    realsHere_ = AppendReal(probe, mine) && SameAsPlatform(VT_R8, probe, mine);
  }
}

void ValueTexts::CheckDates() {
  datesHere_ = !shortDate_.empty() && !time_.empty();
  for (double probe : kDateProbes) {
    std::wstring mine;
    if (!datesHere_) return;
    datesHere_ = AppendDate(probe, mine) && SameAsPlatform(VT_DATE, probe, mine);
  }
}

// The date part unless the value is a time of day only, the time part unless
// it is a whole day, as the platform writes a date.
bool ValueTexts::AppendDate(DATE value, std::wstring& out) const {
  SYSTEMTIME st{};
  if (!::VariantTimeToSystemTime(value, &st)) return false;
  const double whole = value < 0 ? std::ceil(value) : std::floor(value);
  const double part = value - whole;
  const bool timeOnly = whole == 0.0;
  const bool dateOnly = !timeOnly && part > -1e-12 && part < 1e-12;
  const size_t start = out.size();
  if (!timeOnly && !AppendPicture(shortDate_, st, out)) return false;
  if (dateOnly) return true;
  if (out.size() != start) out += L' ';
  return AppendPicture(time_, st, out);
}

// A date or time picture of the locale: d dd M MM y yy yyyy h hh H HH m mm s
// ss t tt and quoted text; anything else (names of days and months, eras) is
// left to the platform.
bool ValueTexts::AppendPicture(std::wstring_view picture, const SYSTEMTIME& st,
                               std::wstring& out) const {
  for (size_t i = 0; i < picture.size();) {
    const wchar_t c = picture[i];
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == L'\'') {
      const size_t close = picture.find(L'\'', i + 1);
      if (close == std::wstring_view::npos) return false;
      out.append(picture.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    const unsigned hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    const std::wstring& half = st.wHour < 12 ? am_ : pm_;
    switch (c) {
      case L'd':
        if (run > 2) return false;
        AppendNumber(st.wDay, run, out);
        break;
      case L'M':
        if (run > 2) return false;
        AppendNumber(st.wMonth, run, out);
        break;
      case L'y':
        if (run == 1 || run == 2)
          AppendNumber(st.wYear % 100, run, out);
        else if (run == 4)
          AppendNumber(st.wYear, 1, out);
        else
          return false;
        break;
      case L'h':
        if (run > 2) return false;
        AppendNumber(hour12, run, out);
        break;
      case L'H':
        if (run > 2) return false;
        AppendNumber(st.wHour, run, out);
        break;
      case L'm':
        if (run > 2) return false;
        AppendNumber(st.wMinute, run, out);
        break;
      case L's':
        if (run > 2) return false;
        AppendNumber(st.wSecond, run, out);
        break;
      case L't':
        if (run == 1)
          out.append(half.substr(0, 1));
        else if (run == 2)
          out += half;
        else
          return false;
        break;
      case L'g': return false;
      default: out.append(run, c); break;
    }
    i += run;
  }
  return true;
}

// Fifteen significant digits as the C runtime writes them, an exponent of at
// least two digits where the number needs one, the locale's decimal
// separator in plain numbers, and no negative zero.  The shortest way to the
// digits rounds ties to even where the C runtime rounds them away from zero,
// so a value whose sixteenth digit may be such a tie asks the C runtime.
bool ValueTexts::AppendReal(double value, std::wstring& out) const {
  if (!std::isfinite(value)) return false;
  char digits[64];
  char* end = std::to_chars(digits, digits + 40, value, std::chars_format::scientific, 20).ptr;
  const std::string_view wide(digits, static_cast<size_t>(end - digits));
  const size_t sixteenth = wide.find('.') + 15;  // d.dddd...: the sixteenth digit
  if (wide[sixteenth] == '5' && wide.find_first_not_of('0', sixteenth + 1) == wide.find('e'))
    return AppendTie(value, out);
  end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15).ptr;
  std::string_view text(digits, static_cast<size_t>(end - digits));
  if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string_view::npos) text = "0";
  const bool exponent = text.find('e') != std::string_view::npos;
  for (char c : text) {
    if (c == 'e')
      out += L'E';
    else if (c == '.' && !exponent)
      out += decimal_;
    else
      out += static_cast<wchar_t>(c);
  }
  return true;
}

bool ValueTexts::AppendTie(double value, std::wstring& out) const {
  wchar_t digits[64];
  const int n = ::_snwprintf_l(digits, 64, L"%.15G", numbers_, value);
  if (n <= 0 || n >= 64) return false;
  std::wstring_view text(digits, static_cast<size_t>(n));
  const size_t exponent = text.find(L'E');
  if (exponent != std::wstring_view::npos) {
    size_t first = exponent + 2;
    while (first + 2 < text.size() && text[first] == L'0') ++first;
    out.append(text.substr(0, exponent + 2));
    out.append(text.substr(first));
    return true;
  }
  for (wchar_t c : text) {
    if (c == L'.')
      out += decimal_;
    else
      out += c;
  }
  return true;
}

void ValueTexts::Append(const VARIANT& in, std::wstring& out) {
  const VARIANT& v = Deref(in);
  switch (V_VT(&v)) {
    case VT_I4: return AppendInteger(static_cast<int32_t>(V_I4(&v)), out);
    case VT_I2: return AppendInteger(V_I2(&v), out);
    case VT_UI1: return AppendInteger(V_UI1(&v), out);
    case VT_BSTR: out += View(V_BSTR(&v)); return;
    case VT_R8:
      if (realsHere_ && AppendReal(V_R8(&v), out)) return;
      break;
    case VT_DATE: {
      const size_t start = out.size();
      if (datesHere_ && AppendDate(V_DATE(&v), out)) return;
      out.resize(start);
      break;
    }
    default: break;
  }
  out += ToText(v).View();
}

}  // namespace kb::rt
