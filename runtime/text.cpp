#include "runtime/text.h"

#include <array>
#include <cstdint>
#include <memory>

#include "runtime/casing.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

namespace kb::rt {

bool IsAscii(std::wstring_view text) {
  for (const wchar_t c : text)
    if (c >= 0x80) return false;
  return true;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (a[i] >= 0x80 || b[i] >= 0x80) {
      return ::CompareStringOrdinal(a.data() + i, static_cast<int>(a.size() - i), b.data() + i,
                                    static_cast<int>(b.size() - i), TRUE) == CSTR_EQUAL;
    }
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::wstring_view Trim(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const size_t last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

const VARIANT* DerefOrNull(const VARIANT* v) {
  // Clients pass one level (a script variable); a few more are harmless.
  constexpr int kLongestChain = 16;
  for (int hops = 0; v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v); ++hops) {
    if (hops == kLongestChain) return nullptr;
    v = V_VARIANTREF(v);
  }
  return v;
}

const VARIANT& Deref(const VARIANT& v) {
  const VARIANT* target = DerefOrNull(&v);
  if (!target) Raise(kErrTypeMismatch);
  return *target;
}

Bstr ToText(const VARIANT& in) {
  const VARIANT& v = Deref(in);
  switch (V_VT(&v)) {
    case VT_EMPTY: return Bstr(L"");
    case VT_NULL: Raise(kErrInvalidNull);
    case VT_BSTR: return Bstr::Copy(V_BSTR(&v));
    case VT_BYREF | VT_BSTR: return Bstr::Copy(*V_BSTRREF(&v));
    default: break;
  }
  if (V_VT(&v) & VT_ARRAY) Raise(kErrTypeMismatch);
  Variant text;
  HRESULT hr =
      ::VariantChangeTypeEx(text.Get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  if (hr == DISP_E_TYPEMISMATCH && (V_VT(&v) & ~VT_BYREF) == VT_NULL) Raise(kErrInvalidNull);
  // An object's default member may fail with error information of its own;
  // converting any other value leaves none, so what the thread holds is stale.
  if ((V_VT(&v) & ~VT_BYREF) == VT_DISPATCH)
    Check(hr);
  else
    CheckAutomation(hr);
  VARIANT raw = text.Release();
  return Bstr::Attach(V_BSTR(&raw));
}

namespace {

// The byte of every UTF-16 unit in a code page of one byte per character,
// taken from the system's own conversion in one call: large texts (a file
// being written line by line) then cost a table look-up per character.
class SingleByteCodePage {
 public:
  // Null when the system code page has characters of more than one byte.
  static const SingleByteCodePage* Get() {
    static const std::unique_ptr<SingleByteCodePage> table = Make();
    return table.get();
  }
  // Appends the bytes of a text to `out`; false (and nothing appended) when
  // the text holds surrogates, which the system converts in pairs.
  bool Append(std::wstring_view text, std::string& out) const {
    const size_t start = out.size();
    out.resize(start + text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      const wchar_t c = text[i];
      if (c >= 0xD800 && c <= 0xDFFF) {
        out.resize(start);
        return false;
      }
      out[start + i] = bytes_[c];
    }
    return true;
  }

 private:
  static std::unique_ptr<SingleByteCodePage> Make() {
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return nullptr;
    std::wstring all;
    for (unsigned c = 0; c <= 0xFFFF; ++c)
      if (c < 0xD800 || c > 0xDFFF) all += static_cast<wchar_t>(c);
    std::string converted(all.size(), '\0');
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, all.data(),
                                        static_cast<int>(all.size()), converted.data(),
                                        static_cast<int>(converted.size()), "?", &lossy);
    if (n != static_cast<int>(all.size())) return nullptr;
    auto table = std::make_unique<SingleByteCodePage>();
    for (size_t i = 0; i < all.size(); ++i) table->bytes_[all[i]] = converted[i];
    return table;
  }
  std::array<char, 0x10000> bytes_{};
};

// Short texts (most system calls) go straight to the system, long ones
// through the table.
constexpr size_t kTableFrom = 64;

std::string ToCodePage(std::wstring_view text) {
  std::string out;
  AppendAnsi(text, out);
  return out;
}

}  // namespace

void AppendAnsi(std::wstring_view text, std::string& out) {
  if (text.empty()) return;
  if (text.size() >= kTableFrom) {
    const auto* table = SingleByteCodePage::Get();
    if (table && table->Append(text, out)) return;
  }
  BOOL lossy = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, "?", &lossy);
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(n));
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        out.data() + start, n, "?", &lossy);
}

AnsiText::AnsiText(BSTR text, bool nullForNull)
    : bytes_(ToCodePage(View(text))), isNull_(nullForNull && text == nullptr) {}

AnsiText::AnsiText(std::wstring_view text) : bytes_(ToCodePage(text)) {}

Bstr FromAnsi(const char* bytes, size_t length) {
  if (length == 0) return Bstr(L"");
  const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
  Bstr out = Bstr::Attach(::SysAllocStringLen(nullptr, static_cast<UINT>(n)));
  if (!out.Get()) throw std::bad_alloc();
  ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), out.Get(), n);
  return out;
}

int AnsiCode(wchar_t c, bool* inCodePage) {
  char bytes[4] = {};
  BOOL lossy = FALSE;
  const int n =
      ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof bytes, "?", &lossy);
  if (inCodePage) *inCodePage = n > 0 && !lossy;
  if (n <= 0 || lossy) return '?';
  const auto byte = [&](int i) { return static_cast<int>(static_cast<unsigned char>(bytes[i])); };
  if (n == 1) return byte(0);
  return static_cast<int16_t>(static_cast<uint16_t>(byte(0) << 8 | byte(1)));
}

}  // namespace kb::rt
