// Letter case as the language runtime changes and compares it: UCase, LCase,
// the proper-case conversion, and the case-insensitive (text) comparison of
// single characters that InStr with text compare performs.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kb::rt {

std::wstring UpperCase(std::wstring_view text);
std::wstring LowerCase(std::wstring_view text);

// LowerCase in the text's own characters (case mapping keeps the length).
void LowerCaseInPlace(std::span<wchar_t> text);

// An ASCII capital as its small letter; every other character as it is.
constexpr wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// The first letter of every word upper case, every other letter lower case.
// Only spaces, tabs, line feeds, vertical tabs, form feeds, carriage returns
// and NUL separate words: a digit or a punctuation mark neither starts a word
// nor ends one.
std::wstring ProperCase(std::wstring_view text);

// Whether two characters are the same under the user's locale when case (and
// kana type and width) are ignored.
bool SameCharIgnoringCase(wchar_t a, wchar_t b);

// Whether c occurs in set under that comparison.
bool ContainsIgnoringCase(std::wstring_view set, wchar_t c);

}  // namespace kb::rt
