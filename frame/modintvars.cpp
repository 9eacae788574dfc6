#include "frame/modintvars.h"

#include "runtime/app.h"
#include "runtime/errors.h"

namespace kb::frame {
namespace {

// The last character of a text, as a one-character text (empty for an empty text).
std::wstring_view LastChar(BSTR text) {
  const auto v = View(text);
  return v.empty() ? v : v.substr(v.size() - 1);
}

}  // namespace

void AppendIfMissing(BSTR* text, BSTR* suffix) {
  if (LastChar(*text) == View(*suffix)) return;
  std::wstring joined(View(*text));
  joined += View(*suffix);
  Bstr grown(joined);
  ::SysFreeString(*text);
  *text = grown.Release();
}

void StripTrailing(BSTR* text, BSTR* suffix) {
  if (LastChar(*text) != View(*suffix)) return;
  const auto v = View(*text);
  // Left$(Text, Len(Text) - 1) of an empty text asks for a negative length.
  if (v.empty()) Raise(kErrInvalidCall);
  Bstr shorter(v.substr(0, v.size() - 1));
  ::SysFreeString(*text);
  *text = shorter.Release();
}

Bstr AppVersionCaption() {
  const rt::AppInfo app = rt::ReadAppInfo();
  return Bstr(app.productName + L" ver. " + std::to_wstring(app.major) + L"." +
              std::to_wstring(app.minor));
}

}  // namespace kb::frame
