// Regional settings pinned for a test.  The prefix's Danish locale data is
// not the one Windows ships (other date layouts and separators), and the
// user's settings persist in the prefix between test programs, so a test that
// expects texts in a layout pins that layout here and the pins are undone
// when the test ends.  The system reads the settings anew on every call, so
// the library in the same process sees them at once.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace kb::support {

inline bool DanishLocale() { return PRIMARYLANGID(::GetUserDefaultLangID()) == LANG_DANISH; }

// The text of a regional setting of the current user.
inline std::wstring LocaleSetting(LCTYPE type) {
  wchar_t buffer[128] = {};
  ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
  return buffer;
}

class LocalePins {
 public:
  LocalePins() {
    for (LCTYPE type : kKept) saved_.emplace_back(type, LocaleSetting(type));
  }
  LocalePins(const LocalePins&) = delete;
  LocalePins& operator=(const LocalePins&) = delete;
  // Layouts first, separators last: setting a layout may change a separator.
  ~LocalePins() {
    for (const auto& [type, value] : saved_)
      ::SetLocaleInfoW(LOCALE_USER_DEFAULT, type, value.c_str());
  }

  static bool Set(LCTYPE type, const std::wstring& value) {
    return ::SetLocaleInfoW(LOCALE_USER_DEFAULT, type, value.c_str()) != FALSE;
  }

  // The number separators of the locale (Danish or US English).
  static bool PinNumberSeparators() {
    const bool da = DanishLocale();
    return Set(LOCALE_SDECIMAL, da ? L"," : L".") && Set(LOCALE_STHOUSAND, da ? L"." : L",");
  }

  // The date and time layouts Windows itself gives the locale, with ":"
  // between hours, minutes and seconds, and its number separators.
  static bool PinWindowsLayouts() {
    const bool da = DanishLocale();
    return PinNumberSeparators() && Set(LOCALE_SSHORTDATE, da ? L"dd-MM-yyyy" : L"M/d/yyyy") &&
           Set(LOCALE_SLONGDATE, da ? L"d. MMMM yyyy" : L"dddd, MMMM d, yyyy") &&
           Set(LOCALE_STIMEFORMAT, da ? L"HH:mm:ss" : L"h:mm:ss tt") &&
           Set(LOCALE_SDATE, da ? L"-" : L"/") && Set(LOCALE_STIME, L":");
  }

 private:
  static constexpr LCTYPE kKept[] = {
      LOCALE_SSHORTDATE,       LOCALE_SLONGDATE,       LOCALE_STIMEFORMAT,
      LOCALE_IFIRSTWEEKOFYEAR, LOCALE_IFIRSTDAYOFWEEK, LOCALE_SDECIMAL,
      LOCALE_STHOUSAND,        LOCALE_SDATE,           LOCALE_STIME};
  std::vector<std::pair<LCTYPE, std::wstring>> saved_;
};

}  // namespace kb::support
