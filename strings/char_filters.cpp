#include "strings/char_filters.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>

#include "runtime/arith.h"
#include "runtime/convert.h"
#include "runtime/text.h"

namespace kb::strings {
namespace {

// The filters walk a text with a 16-bit counter: longer texts overflow.
std::wstring_view Walkable(BSTR text) {
  const std::wstring_view view = View(text);
  rt::CInt(static_cast<double>(view.size()));
  return view;
}

// Printable ASCII and the six Danish letters, by their ANSI codes.
bool Printable(wchar_t c) {
  bool inCodePage = false;
  const int code = rt::AnsiCode(c, &inCodePage);
  // A character the code page lacks would pass as "?"; it is no printable
  // ASCII character, and no file name or identifier can carry it.
  if (!inCodePage) return false;
  switch (code) {
    case 198:  // Æ
    case 216:  // Ø
    case 197:  // Å
    case 230:  // æ
    case 248:  // ø
    case 229:  // å
      return true;
    default: return code >= 32 && code <= 126;
  }
}

// Characters from a 1-based position on; empty past the end.
std::wstring_view Mid(std::wstring_view text, size_t start,
                      size_t length = std::wstring_view::npos) {
  return start - 1 < text.size() ? text.substr(start - 1, length) : std::wstring_view();
}

}  // namespace

Variant ZapIlligalCharSet(frame::Common&, BSTR* WhatToZap) {
  std::wstring kept;
  for (wchar_t c : Walkable(*WhatToZap))
    if (Printable(c)) kept += c;
  // Nothing kept leaves the result Empty, not an empty text.
  if (kept.empty()) return Variant();
  return Variant::FromText(Bstr(kept));
}

Bstr StripIlligalChars(frame::Common&, BSTR* StripString, BSTR* IlligalChars) {
  const std::wstring_view illegal = View(*IlligalChars);
  std::wstring kept;
  for (wchar_t c : Walkable(*StripString))
    if (illegal.find(c) == std::wstring_view::npos) kept += c;
  return Bstr(kept);
}

bool IsNullString(frame::Common&, BSTR* Text) {
  const std::wstring_view text = View(*Text);
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    return c == L'\0' || c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
  });
}

short HoldChar(frame::Common&, short* Char, VARIANT* HoldString) {
  const Bstr hold = rt::ToText(*HoldString);
  short result = 0;
  for (wchar_t c : hold.View()) {
    if (rt::AnsiCode(c) == *Char) return 0;
    result = *Char;
  }
  return result;
}

Bstr VBColor2Hex(frame::Common&, BSTR* ShowColor) {
  const int32_t value = rt::CLng(rt::NumberFromText(View(*ShowColor)));
  // A negative number is a 32-bit Long: eight digits, too many for a colour.
  wchar_t digits[12] = {};
  std::swprintf(digits, 12, L"%lX", static_cast<unsigned long>(static_cast<uint32_t>(value)));
  const std::wstring_view h(digits);
  // Blue, green, red from the high end become red, green, blue, taken from
  // the digits as written, before any padding.
  std::wstring rgb(Mid(h, 5));
  rgb += Mid(h, 3, 2);
  rgb += Mid(h, 1, 2);
  if (rgb.size() < 6) rgb.append(6 - rgb.size(), L'0');
  return Bstr(rgb.size() == 6 ? std::wstring_view(rgb) : std::wstring_view());
}

}  // namespace kb::strings
