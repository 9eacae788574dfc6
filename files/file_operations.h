// File operations: copying through the shell's copy engine, writing a line
// to a log file, and loading a text file into a text box of the caller.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

namespace kb::frame {
class Common;
}

namespace kb::files {

// Copies with the shell's progress, questions and undo; trouble is told in a
// message box.
void CopyFile(frame::Common& self, BSTR* Source, BSTR* Dest);
// The file holds Text and a line break afterwards, and nothing else.
void WriteLog(frame::Common& self, BSTR* FileName, BSTR* Text);
// The box's Text becomes the file's lines; trouble is told in a message box.
void OpenTextFile(frame::Common& self, VARIANT* txtBox, BSTR* FilePath);

// The shell's list of one name: the name, then the two NULs that end the list.
std::string ShellNameList(BSTR name);

}  // namespace kb::files
