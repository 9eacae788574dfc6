// The runtime's directory enumeration (Dir), file length (FileLen) and file
// attributes (GetAttr).
//
// Names reach the system in the ANSI code page, as the language runtime
// passes them: a character the code page lacks goes as "?" (a wildcard to the
// enumeration).  Names come back the way the system's ANSI enumeration gives
// them, with the code page's nearest letter, or "?", for a character it lacks.
//
// Every enumeration is an object of its own.  The runtime keeps one per
// thread, which a routine that lets window events run in the middle of its
// enumeration would share with whatever a client's handler starts meanwhile;
// here nothing is shared.
#pragma once

#include <windows.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

// The attribute bits of Dir and GetAttr.
inline constexpr int kAttrReadOnly = 1;
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrSystem = 4;
inline constexpr int kAttrVolume = 8;
inline constexpr int kAttrDirectory = 16;
inline constexpr int kAttrArchive = 32;

struct DirEntry {
  Bstr name;             // as the ANSI enumeration gives it
  DWORD attributes = 0;  // the system's attribute word
  ULONGLONG size = 0;    // the length the enumeration reported
};

// Whether Dir lists an entry with the system attribute word `found` when
// asked for `wanted`: ordinary, read-only and archive entries always; hidden,
// system and folder entries only when `wanted` names them.
bool DirLists(DWORD found, int wanted);

// The name the ANSI enumeration gives for an entry the file system names
// `systemName`; `intact`, when given, tells whether that name still leads to
// the same entry (every character survived the code page), and `ansiLength`
// how many bytes the name takes in the code page.
Bstr AnsiFileName(std::wstring_view systemName, bool* intact = nullptr,
                  size_t* ansiLength = nullptr);

// The entries a pattern matches: a path whose last part may hold * and ?.  A
// pattern ending in a separator lists the whole folder; an empty one, or one
// naming a folder or file that does not exist, lists nothing.  A pattern the
// system cannot read at all raises the runtime's file error (52 for a bad
// name).
class DirScan {
 public:
  DirScan(std::wstring_view pattern, int attributes);
  DirScan(const DirScan&) = delete;
  DirScan& operator=(const DirScan&) = delete;

  // The next entry the attributes admit; false at the end.
  bool Next(DirEntry& entry);

 private:
  FindHandle find_;
  WIN32_FIND_DATAA data_{};
  bool pending_ = false;  // data_ holds an entry not handed out yet
  int attributes_;
};

// FileLen: the length in bytes of a file (0 for a folder).  A missing file
// raises 53, a missing folder on the way 76, a bad name 52.
ULONGLONG FileLen(std::wstring_view path);

// GetAttr: the attribute bits (read-only, hidden, system, directory, archive)
// of a file or folder; 0 for a file with none.  Failures as FileLen.
int GetAttr(std::wstring_view path);

}  // namespace kb::rt
