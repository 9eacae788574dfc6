#include "files/path_strings.h"

#include <string>

namespace kb::files {

Bstr AddSlash(frame::Common&, BSTR* Path, BSTR* Char) {
  const auto path = View(*Path);
  const auto ch = View(*Char);
  // The last single character is compared with the whole of Char, so a Char
  // of two or more characters is always appended.
  const auto last = path.empty() ? path : path.substr(path.size() - 1);
  if (last == ch) return Bstr(path);
  std::wstring joined(path);
  joined += ch;
  return Bstr(joined);
}

}  // namespace kb::files
