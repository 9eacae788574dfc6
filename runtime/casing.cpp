#include "runtime/casing.h"

#include <windows.h>

#include "runtime/text.h"

namespace kb::rt {
namespace {

std::wstring MapCase(std::wstring_view text, DWORD flag) {
  std::wstring out(text);
  if (out.empty()) return out;
  // Case mapping keeps the length: every character maps to one character.
  ::LCMapStringW(LOCALE_USER_DEFAULT, flag, text.data(), static_cast<int>(text.size()), out.data(),
                 static_cast<int>(out.size()));
  return out;
}

bool SeparatesWords(wchar_t c) {
  switch (c) {
    case L' ':
    case L'\t':
    case L'\n':
    case L'\v':
    case L'\f':
    case L'\r':
    case L'\0': return true;
    default: return false;
  }
}

}  // namespace

std::wstring UpperCase(std::wstring_view text) { return MapCase(text, LCMAP_UPPERCASE); }

std::wstring LowerCase(std::wstring_view text) { return MapCase(text, LCMAP_LOWERCASE); }

void LowerCaseInPlace(std::span<wchar_t> text) {
  const std::wstring_view view(text.data(), text.size());
  // Without linguistic casing every locale maps ASCII alike: the system's
  // tables are asked only for the rest.
  if (IsAscii(view)) {
    for (wchar_t& c : text) c = AsciiLower(c);
    return;
  }
  const std::wstring lower = LowerCase(view);
  lower.copy(text.data(), text.size());
}

std::wstring ProperCase(std::wstring_view text) {
  const std::wstring upper = UpperCase(text);
  std::wstring out = LowerCase(text);
  bool startOfWord = true;
  for (size_t i = 0; i < out.size(); ++i) {
    if (SeparatesWords(out[i])) {
      startOfWord = true;
      continue;
    }
    if (startOfWord) out[i] = upper[i];
    startOfWord = false;
  }
  return out;
}

bool SameCharIgnoringCase(wchar_t a, wchar_t b) {
  if (a == b) return true;
  return ::CompareStringW(LOCALE_USER_DEFAULT,
                          NORM_IGNORECASE | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH, &a, 1, &b,
                          1) == CSTR_EQUAL;
}

bool ContainsIgnoringCase(std::wstring_view set, wchar_t c) {
  for (wchar_t s : set)
    if (SameCharIgnoringCase(s, c)) return true;
  return false;
}

}  // namespace kb::rt
