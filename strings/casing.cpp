#include "strings/casing.h"

#include <algorithm>
#include <string>

#include "runtime/casing.h"

namespace kb::strings {
namespace {

// The characters a camel-cased word may keep, matched whatever their case.
constexpr std::wstring_view kWordCharacters =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00C6\u00D8\u00C50123456789";

}  // namespace

Bstr CamelCase(frame::Common&, BSTR Text) {
  std::wstring words(View(Text));
  for (wchar_t& c : words)
    if (!rt::ContainsIgnoringCase(kWordCharacters, c)) c = L' ';
  std::wstring joined = rt::ProperCase(words);
  std::erase(joined, L' ');
  return Bstr(joined);
}

Bstr StringToProperCase(frame::Common&, BSTR* strString) {
  return Bstr(rt::ProperCase(View(*strString)));
}

Bstr PropperCase(frame::Common&, BSTR* InputName) {
  std::wstring name = rt::ProperCase(View(*InputName));
  // Only the first "MC" counts, wherever it stands; when it ends the name
  // there is no letter behind it to raise.
  const size_t mc = rt::UpperCase(name).find(L"MC");
  if (mc != std::wstring::npos && mc + 2 < name.size())
    name[mc + 2] = rt::UpperCase(std::wstring_view(name).substr(mc + 2, 1))[0];
  return Bstr(name);
}

}  // namespace kb::strings
