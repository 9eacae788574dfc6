#include "files/file_info.h"

#include <string>

#include "files/siblings.h"
#include "runtime/ansi_ref.h"
#include "runtime/arith.h"
#include "runtime/casing.h"
#include "runtime/dir.h"
#include "runtime/file_numbers.h"
#include "runtime/format.h"
#include "runtime/str.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

constexpr UINT kSystemFolderChars = 512;
constexpr DWORD kTempPathChars = 260;

constexpr ULONGLONG kKilo = 1024;
constexpr ULONGLONG kMega = kKilo * 1024;
constexpr ULONGLONG kGiga = kMega * 1024;

Bstr Scaled(ULONGLONG size, ULONGLONG unit, const wchar_t* name) {
  std::wstring text(
      rt::FormatNumber(static_cast<double>(size) / static_cast<double>(unit), L"0.00").View());
  text += name;
  return Bstr(text);
}

// The Windows or the system folder: as many characters as the call says it
// wrote, counted as a 16-bit integer.
Bstr SystemFolder(UINT(WINAPI* query)(LPSTR, UINT)) {
  std::string buffer(kSystemFolderChars, '\0');
  UINT count = query(buffer.data(), kSystemFolderChars);
  if (count > buffer.size()) {
    buffer.assign(count, '\0');
    count = query(buffer.data(), count);
  }
  const size_t wanted = static_cast<size_t>(rt::CInt(static_cast<double>(count)));
  const Bstr whole = rt::FromAnsi(buffer.data(), buffer.size());
  return Bstr(whole.View().substr(0, wanted));
}

// The text before the first NUL of a buffer the system filled; all of it
// when it holds none.
std::string BeforeNul(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }

int AttributesOr0(BSTR path) {
  try {
    return rt::GetAttr(View(path));
  } catch (...) {
    // Every failure means "no such folder".
    return 0;
  }
}

}  // namespace

Bstr FileSizeText(ULONGLONG size) {
  if (size < kKilo) return Bstr(std::to_wstring(size) + L" bytes");
  if (size < kMega) return Scaled(size, kKilo, L" KB");
  if (size < kGiga) return Scaled(size, kMega, L" MB");
  return Scaled(size, kGiga, L" GB");
}

Bstr FreeSpaceText(ULONGLONG bytes) {
  Variant number;
  V_VT(number.Get()) = VT_UI8;
  V_UI8(number.Get()) = bytes;
  std::wstring text(rt::Str(*number.Get()).View());
  text += L" bytes";
  return Bstr(text);
}

const wchar_t* DriveTypeName(UINT type) {
  switch (type) {
    case DRIVE_UNKNOWN: return L"UNKNOWN";
    case DRIVE_REMOVABLE: return L"REMOVABLE";
    case DRIVE_FIXED: return L"FIXED";
    case DRIVE_REMOTE: return L"REMOTE";
    case DRIVE_CDROM: return L"CDROM";
    case DRIVE_RAMDISK: return L"RAMDISK";
    default: return L"";  // no root folder, or a type this library does not know
  }
}

Bstr DriveFreeSpace(frame::Common& self, BSTR* WhatDrive) {
  Bstr root = AddSlashVia(self, WhatDrive);
  const rt::AnsiText rootName(root.Get());
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  ::GetDiskFreeSpaceA(rootName.Get(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                      &totalClusters);
  // Every drive of today has more free bytes than a 32-bit number holds.
  const ULONGLONG free = static_cast<ULONGLONG>(sectorsPerCluster) * freeClusters * bytesPerSector;
  return FreeSpaceText(free);
}

Bstr GetDriveType(frame::Common&, BSTR* strPath) {
  rt::AnsiRef path(strPath);
  const UINT type = ::GetDriveTypeA(path.Get());
  path.Return();
  return Bstr(DriveTypeName(type));
}

bool DirExists(frame::Common&, BSTR* DirName) {
  return (AttributesOr0(*DirName) & rt::kAttrDirectory) != 0;
}

bool FolderExists(frame::Common&, BSTR* FolderName) { return AttributesOr0(*FolderName) != 0; }

Bstr WindowsDirectory(frame::Common&) { return SystemFolder(::GetWindowsDirectoryA); }

Bstr SystemDirectory(frame::Common&) { return SystemFolder(::GetSystemDirectoryA); }

Bstr GetTempFile(frame::Common&, BSTR* Prefix) {
  std::string folder(kTempPathChars, ' ');
  ::GetTempPathA(kTempPathChars, folder.data());
  folder = BeforeNul(folder);
  const bool noPrefix = *Prefix == nullptr;
  const rt::AnsiText prefix(noPrefix ? std::wstring() : rt::UpperCase(View(*Prefix)));
  std::string name(MAX_PATH, ' ');
  ::GetTempFileNameA(folder.c_str(), noPrefix ? nullptr : prefix.Get(), 0, name.data());
  name = BeforeNul(name);
  return rt::FromAnsi(name.data(), name.size());
}

long FreeFile(frame::Common&) { return rt::FreeFile(); }

}  // namespace kb::files
