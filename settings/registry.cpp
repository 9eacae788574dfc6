#include "settings/registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "frame/modintvars.h"
#include "runtime/ansi_ref.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::settings {
namespace {

// Query and set value, create and enumerate subkeys, notify, create link:
// write access is asked for also when only reading.
constexpr REGSAM kAccess = 0x3F;

// Room for one subkey name, and what is offered of it to the system.
constexpr size_t kNameBuffer = 2048;
constexpr DWORD kNameOffered = 2047;

// The enumeration's values are the predefined root handles; any other value
// is handed over as it is.  Sign-extended, as the system defines them.
HKEY RootKey(const long* root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(*root)); }

// The caller's Key with its trailing backslash adjusted.  Key is the caller's own (by value), so it
// is copied.
Bstr KeyPath(BSTR Key, void (*adjust)(BSTR*, BSTR*)) {
  Bstr path = Bstr::Copy(Key);
  Bstr backslash(L"\\");
  adjust(path.Ref(), backslash.Ref());
  return path;
}

RegKey OpenKey(BSTR Key, const long* Root) {
  const Bstr path = KeyPath(Key, frame::StripTrailing);
  const rt::AnsiText ansiPath(path.Get());
  RegKey key;
  ::RegOpenKeyExA(RootKey(Root), ansiPath.Get(), 0, kAccess, key.Out());
  return key;
}

// A text up to its first NUL.  A string a peer stored without its
// terminator has none, and is still the whole value.
std::wstring_view UpToNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

long QueryString(HKEY key, const char* name, DWORD size, Variant& value) {
  std::string data(size, '\0');
  const long status =
      ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
  if (status != ERROR_SUCCESS) return status;
  const Bstr text = rt::FromAnsi(data.data(), data.size());
  // The position of the terminator is a 32-bit count, so long values read whole.
  value = Variant::FromText(Bstr(UpToNul(text.View())));
  return status;
}

long QueryNumber(HKEY key, const char* name, Variant& value) {
  // The buffer is the 32-bit number itself whatever size the value claims:
  // a longer one is refused by the system instead of overrunning it.
  DWORD number = 0;
  DWORD size = sizeof number;
  const long status =
      ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
  if (status == ERROR_SUCCESS) {
    VARIANT* v = value.Out();
    V_VT(v) = VT_I4;
    V_I4(v) = static_cast<LONG>(number);
  }
  return status;
}

// The names of the subkeys of an open key, in the order the registry gives them.
std::vector<Bstr> SubkeyNames(HKEY key) {
  std::vector<Bstr> names;
  std::string buffer(kNameBuffer, '\0');
  for (long index = 0;; index = rt::Add32(index, 1)) {
    std::fill(buffer.begin(), buffer.end(), '\0');
    if (::RegEnumKeyA(key, static_cast<DWORD>(index), buffer.data(), kNameOffered) != ERROR_SUCCESS)
      break;
    const Bstr name = rt::FromAnsi(buffer.data(), buffer.size());
    names.emplace_back(UpToNul(name.View()));
  }
  return names;
}

// Elements 1 to n hold the names; element 0 is an unset text.
SafeArray NamesArray(const std::vector<Bstr>& names) {
  if (names.empty()) return {};
  SafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size() + 1)));
  if (!array.Get()) Raise(kErrOutOfMemory);
  for (size_t i = 0; i < names.size(); ++i) {
    LONG at = static_cast<LONG>(i + 1);
    Check(::SafeArrayPutElement(array.Get(), &at, names[i].Get()));
  }
  return array;
}

// A fixed or locked array cannot be replaced: the runtime's error 10.
void CheckReplaceable(const SAFEARRAY* array) {
  if (array && (array->cLocks > 0 ||
                (array->fFeatures & (FADF_FIXEDSIZE | FADF_STATIC | FADF_EMBEDDED | FADF_AUTO))))
    Raise(kErrArrayLocked);
}

}  // namespace

long QueryValue(HKEY key, BSTR name, Variant& value) {
  long status = 0;
  try {
    const rt::AnsiText ansiName(name);
    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExA(key, ansiName.Get(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    switch (type) {
      case REG_SZ: status = QueryString(key, ansiName.Get(), size, value); break;
      case REG_DWORD: status = QueryNumber(key, ansiName.Get(), value); break;
      default: status = -1; break;
    }
  } catch (...) {
    // Whatever went wrong, the caller gets the status reached so far.
  }
  return status;
}

Variant RegSaveSetting(frame::Registry&, BSTR Key, BSTR ValueName, BSTR* Value, long* Root) {
  const Bstr path = KeyPath(Key, frame::AppendIfMissing);
  // The stored string carries its terminator, and the caller's variable with it.
  Bstr nul(std::wstring_view(L"", 1));
  frame::AppendIfMissing(Value, nul.Ref());

  const rt::AnsiText ansiPath(path.Get());
  RegKey key;
  DWORD disposition = 0;
  ::RegCreateKeyExA(RootKey(Root), ansiPath.Get(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess,
                    nullptr, key.Out(), &disposition);
  rt::AnsiRef data(Value);
  const rt::AnsiText name(ValueName);
  // The count is of the ANSI bytes, so multi-byte code pages keep the whole value.
  ::RegSetValueExA(key.Get(), name.Get(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.Get()),
                   static_cast<DWORD>(data.Size()));
  data.Return();
  return Variant();
}

Bstr RegGetSetting(frame::Registry&, BSTR Key, BSTR ValueName, long* Root) {
  const RegKey key = OpenKey(Key, Root);
  Variant value;
  QueryValue(key.Get(), ValueName, value);
  return rt::ToText(*value.Get());
}

long RegGetSection(frame::Registry&, BSTR Key, SAFEARRAY** SectionKeys, long* Root) {
  CheckReplaceable(*SectionKeys);
  const RegKey key = OpenKey(Key, Root);
  const std::vector<Bstr> names = SubkeyNames(key.Get());
  // The new array exists before the old one goes, so the two are never one
  // address and a late-bound caller's variable is always seen as replaced.
  SafeArray fresh = NamesArray(names);
  Check(::SafeArrayDestroy(*SectionKeys));
  *SectionKeys = fresh.Release();
  return static_cast<long>(names.size());
}

}  // namespace kb::settings
