// What the routines need of the scripting runtime's file system object,
// done on the file system directly.
//
// The file collector walks folders with the object's GetFolder, SubFolders
// and BuildPath.  Asked of the object, those are a round of calls and a
// listing of the folder each, which costs more than everything else the
// collector does with a folder; done here they behave as the object does.
// Wine's object also lacks Folder.Size and Drive.ShareName, which the size
// and drive routines read from it; they are worked out here where it does.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/handles.h"

namespace kb::files {

// GetFolder(folder).Path: the folder's full path, spelled as given (a
// trailing backslash kept); 76 for an empty name.  Whether the path names a
// folder, which GetFolder asks as well, is IsFolder's question.
std::wstring FullPath(std::wstring_view folder);
bool IsFolder(const std::wstring& path);

// BuildPath: a path and a name with one backslash between them.
std::wstring BuildPath(std::wstring_view path, std::wstring_view name);

// The paths of a folder's subfolders in the order SubFolders yields them:
// every folder entry, hidden ones too, in the order the system lists them.
struct SubFolder {
  std::wstring path;
  bool link;  // a reparse point: a junction or a symbolic link to a folder
};
std::vector<SubFolder> SubFolderPaths(std::wstring_view folder);

// Folder.Size: the bytes of every file in the folder and in every folder
// below it.  A folder that cannot be read raises 70.
ULONGLONG FolderSize(std::wstring_view folder);

// Drive.ShareName: the network name behind a drive letter, such as
// \\server\share.  A drive that is not connected raises 68.
Bstr ShareName(std::wstring_view driveLetter);

}  // namespace kb::files
