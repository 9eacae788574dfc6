// The variant-to-text conversion of ToText for many values in a row, as an
// export needs it: the same texts, without asking the platform about the
// locale for every single value.
//
// Whole numbers, reals and dates are written here from the locale's settings,
// read once; everything else goes through ToText.  The real and date paths
// are used only where they have shown, on this platform and in this locale,
// that they give the platform's own texts (they are checked against the
// platform's conversion when the converter is made); otherwise those values
// go through ToText as well.
#pragma once

#include <oaidl.h>

#include <locale.h>

#include <string>
#include <string_view>

namespace kb::rt {

class ValueTexts {
 public:
  ValueTexts();
  ValueTexts(const ValueTexts&) = delete;
  ValueTexts& operator=(const ValueTexts&) = delete;
  ~ValueTexts();
  // Appends the text of a value to `out`; failures are those of ToText
  // (Null raises 94, values without a text form 13).
  void Append(const VARIANT& value, std::wstring& out);
  // Whether reals and dates are written here (rather than by ToText).
  bool WritesReals() const { return realsHere_; }
  bool WritesDates() const { return datesHere_; }

 private:
  bool AppendReal(double value, std::wstring& out) const;
  bool AppendTie(double value, std::wstring& out) const;
  bool AppendDate(DATE value, std::wstring& out) const;
  bool AppendPicture(std::wstring_view picture, const SYSTEMTIME& st, std::wstring& out) const;
  void CheckReals();
  void CheckDates();

  _locale_t numbers_ = nullptr;  // the C locale, for the digits of reals
  std::wstring decimal_;
  std::wstring shortDate_, time_, am_, pm_;
  bool realsHere_ = false;
  bool datesHere_ = false;
};

}  // namespace kb::rt
