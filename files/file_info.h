// File, folder and drive information: sizes as readable texts, free space,
// the drive list and drive types, whether folders exist, the Windows and
// system folders, fresh temporary files and the next free file number.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::files {

// The size of a file as a readable text.
Bstr GetFileSize(frame::Common& self, BSTR* strFile);
// cmn_GetFreeSpace (the system headers keep GetFreeSpace as a macro).
Bstr DriveFreeSpace(frame::Common& self, BSTR* WhatDrive);
// The bytes of a folder and everything below it.
double ShowFolderSize(frame::Common& self, BSTR* FolderPath);
// "C;SYSTEMD;DATA": each drive's letter, ";" and its volume (or share) name.
Variant GetDriveList(frame::Common& self);
Bstr GetDriveType(frame::Common& self, BSTR* strPath);
bool DirExists(frame::Common& self, BSTR* DirName);
bool FolderExists(frame::Common& self, BSTR* FolderName);
Bstr WindowsDirectory(frame::Common& self);
Bstr SystemDirectory(frame::Common& self);
Bstr GetTempFile(frame::Common& self, BSTR* Prefix);
long FreeFile(frame::Common& self);

// A file size as the file system object reports it: a Long, or a Double
// when it does not fit one.  Wine reports sizes from 2 to 4 GiB as negative
// Longs (their low 32 bits); those are read as the size they stand for.
ULONGLONG SizeFromObject(const VARIANT& size);
// The drive list of a file system object's Drives; every statement that
// fails is skipped.
Variant DriveList(IDispatch* fileSystem);
// "512 bytes", "1.50 KB", "2.00 MB", "3.25 GB": the unit from the size
// alone, the number in the user's locale.
Bstr FileSizeText(ULONGLONG size);
// " 1048576 bytes": the runtime's Str of the number, then " bytes".
Bstr FreeSpaceText(ULONGLONG bytes);
// The word for a drive type the system reports ("FIXED", ...; empty for a
// path without a root folder and for types it does not know).
const wchar_t* DriveTypeName(UINT type);

}  // namespace kb::files
