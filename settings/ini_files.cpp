#include "settings/ini_files.h"

#include <string>

#include "runtime/ansi_ref.h"

namespace kb::settings {
namespace {

// The read buffer clients have always received: they cut it at its first NUL.
constexpr size_t kReadLength = 1024;

}  // namespace

Bstr ReadIniFile(frame::IniFiles&, BSTR* SectionName, BSTR* KeyName, BSTR* Value, BSTR* IniPath) {
  rt::AnsiRef section(SectionName), key(KeyName), fallback(Value), path(IniPath);
  std::string buffer(kReadLength, '\0');
  // The count is not needed: the whole buffer is the result.
  ::GetPrivateProfileStringA(section.Get(), key.Get(), fallback.Get(), buffer.data(),
                             static_cast<DWORD>(buffer.size()), path.Get());
  rt::ReturnAll(section, key, fallback, path);
  std::wstring text(rt::FromAnsi(buffer.data(), buffer.size()).View());
  // Multi-byte code pages convert to fewer characters; the length stays fixed.
  text.resize(kReadLength, L' ');
  return Bstr(text);
}

void WriteIniFile(frame::IniFiles&, BSTR* SectionName, BSTR* KeyName, BSTR* Value, BSTR* IniPath) {
  rt::AnsiRef section(SectionName), key(KeyName), value(Value), path(IniPath);
  // A file that cannot be written is not reported.
  ::WritePrivateProfileStringA(section.Get(), key.Get(), value.Get(), path.Get());
  rt::ReturnAll(section, key, value, path);
}

}  // namespace kb::settings
