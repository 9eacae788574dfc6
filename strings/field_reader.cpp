#include "strings/field_reader.h"

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::strings {
namespace {

constexpr long kFirst = 0;  // IS_FIRST
constexpr long kRest = 2;   // IS_REST

// The character at a 1-based index; past the end of a shorter text it reads
// as a space, which trimming later removes.
wchar_t CharAt(std::wstring_view text, long index) {
  if (index < 1) Raise(kErrInvalidCall);
  return static_cast<size_t>(index) <= text.size() ? text[index - 1] : L' ';
}

Bstr ReadField(FieldReader& r, std::wstring_view text, std::wstring_view separator) {
  bool quoted = false;
  // A separator of any other length never matches a single character.
  const bool canSplit = separator.size() == 1;
  const long bound = r.length;
  for (long i = r.position; i <= bound; i = rt::Add32(i, 1)) {
    const wchar_t c = CharAt(text, i);
    if (c == L'"') {
      // An opening quote counts only before anything of the field was gathered.
      if (quoted)
        quoted = false;
      else if (!r.collectedAny)
        quoted = true;
      continue;
    }
    if (canSplit && c == separator[0] && !quoted) {
      r.position = rt::Add32(i, 1);
      return Bstr(rt::Trim(r.collected));
    }
    r.collected += c;
    r.collectedAny = true;
  }
  if (r.position <= bound) r.position = rt::Add32(bound, 1);
  return Bstr(rt::Trim(r.collected));
}

}  // namespace

Bstr SEP_Get(frame::Common& self, VARIANT* sString, BSTR* Char, long* Mode) {
  FieldReader& r = self.reader;
  r.collectedAny = false;
  r.collected.clear();

  if (*Mode == kRest) {
    const Bstr text = rt::ToText(*sString);
    if (r.position < 1) Raise(kErrInvalidCall);
    const auto rest = text.View();
    return Bstr(static_cast<size_t>(r.position) <= rest.size() ? rest.substr(r.position - 1)
                                                              : std::wstring_view());
  }
  if (*Mode == kFirst) {
    const Bstr text = rt::ToText(*sString);
    r.position = 1;
    r.length = static_cast<long>(text.Length());
    return ReadField(r, text.View(), View(*Char));
  }
  if (r.position > r.length) return Bstr(L"");
  const Bstr text = rt::ToText(*sString);
  return ReadField(r, text.View(), View(*Char));
}

}  // namespace kb::strings
