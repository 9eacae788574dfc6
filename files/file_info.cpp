#include "files/file_info.h"

#include <optional>
#include <string>

#include "files/file_system.h"
#include "files/siblings.h"
#include "runtime/ansi_ref.h"
#include "runtime/arith.h"
#include "runtime/casing.h"
#include "runtime/create_object.h"
#include "runtime/dir.h"
#include "runtime/file_numbers.h"
#include "runtime/format.h"
#include "runtime/late_bound.h"
#include "runtime/resume_next.h"
#include "runtime/str.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

constexpr UINT kSystemFolderChars = 512;
constexpr DWORD kTempPathChars = 260;

constexpr ULONGLONG kKilo = 1024;
constexpr ULONGLONG kMega = kKilo * 1024;
constexpr ULONGLONG kGiga = kMega * 1024;

constexpr long kNetworkDrive = 3;  // the file system object's DriveType

ComPtr<IDispatch> FileSystemObject() { return rt::CreateObject(L"Scripting.FileSystemObject"); }

// A text argument, borrowing the caller's text.
VARIANT TextArgument(BSTR text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

// Whether an error says that the object has no such member (Wine's file
// system object lacks some that Windows' has).
bool Unsupported(const Error& e) {
  return e.Hresult() == E_NOTIMPL || e.Number() == kErrNoSuchMember || e.Number() == 445;
}

// `list = list & value`: Empty joins as an empty text.
void Append(Variant& list, const VARIANT& value) {
  std::wstring joined(rt::ToText(*list.Get()).View());
  joined += rt::ToText(value).View();
  list = Variant::FromText(Bstr(joined));
}

// The name the drive list shows for one drive: the share of a network drive,
// the volume name of any other.
Variant DriveName(IDispatch* drive) {
  if (rt::GetLong(drive, L"DriveType") != kNetworkDrive) return rt::Get(drive, L"VolumeName");
  try {
    return rt::Get(drive, L"ShareName");
  } catch (const Error& e) {
    if (!Unsupported(e)) throw;
  }
  return Variant::FromText(ShareName(rt::GetText(drive, L"DriveLetter").View()));
}

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

ULONGLONG SizeFromObject(const VARIANT& size) {
  const VARIANT& v = rt::Deref(size);
  if (V_VT(&v) == VT_I4) return static_cast<ULONG>(V_I4(&v));
  const double bytes = rt::ToDouble(v);
  if (!(bytes >= 0)) Raise(kErrOverflow);
  return static_cast<ULONGLONG>(bytes);
}

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

Bstr GetFileSize(frame::Common&, BSTR* strFile) {
  const ComPtr<IDispatch> fso = FileSystemObject();
  const Variant file = rt::Get(fso.Get(), L"GetFile", {TextArgument(*strFile)});
  // Sizes of 2 GiB and more are counted in 64 bits, where a 32-bit count
  // would overflow for every such file.
  const Variant size = rt::Get(rt::ObjectOf(*file.Get()).Get(), L"Size");
  return FileSizeText(SizeFromObject(*size.Get()));
}

double ShowFolderSize(frame::Common&, BSTR* FolderPath) {
  const ComPtr<IDispatch> fso = FileSystemObject();
  const Variant found = rt::Get(fso.Get(), L"GetFolder", {TextArgument(*FolderPath)});
  const ComPtr<IDispatch> folder = rt::ObjectOf(*found.Get());
  try {
    return rt::ToDouble(*rt::Get(folder.Get(), L"Size").Get());
  } catch (const Error& e) {
    if (!Unsupported(e)) throw;
  }
  return static_cast<double>(FolderSize(rt::GetText(folder.Get(), L"Path").View()));
}

Variant DriveList(IDispatch* fileSystem) {
  Variant list;
  Variant name;  // one for the whole loop: a name that cannot be read leaves the last one
  Variant drives;
  rt::ResumeNext([&] { drives = rt::Get(fileSystem, L"Drives"); });
  std::optional<rt::ForEach> each;
  rt::ResumeNext([&] { each.emplace(rt::ObjectOf(*drives.Get()).Get()); });
  Variant drive;
  for (;;) {
    bool more = false;
    rt::ResumeNext([&] { more = each && each->Next(drive); });
    if (!more) break;
    ComPtr<IDispatch> object;
    rt::ResumeNext([&] { object = rt::ObjectOf(*drive.Get()); });
    rt::ResumeNext([&] {
      const Variant letter = rt::Get(object.Get(), L"DriveLetter");
      Variant joined;
      Append(joined, *letter.Get());
      Append(joined, *rt::FromText(L";").Get());
      Append(list, *joined.Get());
    });
    rt::ResumeNext([&] { name = DriveName(object.Get()); });
    rt::ResumeNext([&] { Append(list, *name.Get()); });
  }
  return list;
}

Variant GetDriveList(frame::Common&) {
  ComPtr<IDispatch> fso;
  rt::ResumeNext([&] { fso = FileSystemObject(); });
  return DriveList(fso.Get());
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
