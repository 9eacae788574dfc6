// The runtime's file numbers and sequential text files.
//
// Every client thread has its own table of numbers 1 to 255, shared by all
// routines of the library on that thread (a number taken by one routine is
// seen as taken by the next one's FreeFile).  Files are ANSI text in the
// system code page; lines written end in CR LF, lines read end at CR or CR LF.
// Failures are the runtime's file errors: 52 bad file number, 53 file not
// found, 54 bad file mode, 55 file already open, 57 device I/O error, 61 disk
// full, 62 input past end of file, 67 too many files, 70 permission denied,
// 75 path/file access error, 76 path not found.
#pragma once

#include <windows.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

enum class FileMode { Input, Output, Append };

// The lowest number not in use; error 67 when all 255 are taken.
short FreeFile();

// Opens a file under a number: for input it must exist; for output it is
// created or emptied; for append it is created or written at its end.  The
// name goes to the system in the ANSI code page, as the runtime passes it.
void Open(std::wstring_view path, FileMode mode, short number);
// Closing a number that is not open does nothing, as the runtime's Close.
void Close(short number);
bool IsOpen(short number);

// Input files: the end-of-file test and one line without its break (error 62
// when the file is at its end).
bool Eof(short number);
Bstr LineInput(short number);

// Output files: text as it stands, or text followed by CR LF.  Written data
// reaches the disk at the latest when the number is closed.
void Print(short number, std::wstring_view text);
void PrintLine(short number, std::wstring_view text);

// Keeps a number open for a scope: the file is closed on every way out.  An
// explicit Close reports a failure to write the last data; the destructor,
// which runs while another error may be on its way, cannot and does not.
class OpenedFile {
 public:
  OpenedFile(std::wstring_view path, FileMode mode, short number) : number_(number) {
    Open(path, mode, number);
  }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;
  ~OpenedFile();
  short Number() const { return number_; }
  void Close();

 private:
  short number_;
  bool open_ = true;
};

}  // namespace kb::rt
