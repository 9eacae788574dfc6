// Text services of the runtime: trimming, variant-to-text conversion and the
// round trip through the system's ANSI code page.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// Whether two names are the same regardless of case, the way the platform
// compares member, parameter, field and control names: ordinal, with the
// system's case table for letters beyond ASCII.  Member names are ASCII and
// every late-bound call looks one up, so that case is kept cheap.
bool SameName(std::wstring_view a, std::wstring_view b);

// Whether every character is ASCII (below U+0080).
bool IsAscii(std::wstring_view text);

// Removes leading and trailing spaces (U+0020 only).
std::wstring_view Trim(std::wstring_view text);

// The variant a by-reference variant points at, through a chain of them.
// A chain longer than any a client builds (one that loops back on itself)
// gives null; Deref raises error 13 for it.
const VARIANT* DerefOrNull(const VARIANT* v);
const VARIANT& Deref(const VARIANT& v);

// The text form of a variant, as the runtime converts it: Empty gives an
// empty text, numbers and dates are written in the user's locale, Null raises
// error 94 and values without a text form raise error 13.
Bstr ToText(const VARIANT& v);

// Text in the system ANSI code page.  A character the code page lacks
// becomes "?" (no best-fit substitutes).  A null BSTR gives a null pointer
// where the caller asks for one, so the system call sees "no text".
class AnsiText {
 public:
  explicit AnsiText(BSTR text, bool nullForNull = true);
  explicit AnsiText(std::wstring_view text);
  const char* Get() const { return isNull_ ? nullptr : bytes_.c_str(); }
  char* Buffer() { return bytes_.data(); }
  size_t Size() const { return bytes_.size(); }

 private:
  std::string bytes_;
  bool isNull_ = false;
};

// Appends a text's bytes in the system ANSI code page (as AnsiText has them)
// to `out`.
void AppendAnsi(std::wstring_view text, std::string& out);

// ANSI bytes back to text, at their full length (NULs included).
Bstr FromAnsi(const char* bytes, size_t length);

// The code of a character in the system ANSI code page (Asc): a single byte
// gives 0 to 255, a double-byte character lead byte * 256 + trail byte as a
// signed 16-bit number.  A character the code page lacks has the code of
// "?" (63); inCodePage, when given, tells the two apart.
int AnsiCode(wchar_t c, bool* inCodePage = nullptr);

}  // namespace kb::rt
