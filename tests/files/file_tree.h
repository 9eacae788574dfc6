// A folder of files for one test, below the temporary folder, removed again
// with everything in it when the test ends.  Paths are given relative to it,
// with backslashes; folders on the way are made as needed.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kbtest {

class FileTree {
 public:
  explicit FileTree(std::wstring_view name);
  FileTree(const FileTree&) = delete;
  FileTree& operator=(const FileTree&) = delete;
  ~FileTree();

  const std::wstring& Root() const { return root_; }
  std::wstring Path(std::wstring_view relative) const;

  void Folder(std::wstring_view relative);
  // A file of `bytes` bytes.
  void File(std::wstring_view relative, size_t bytes);
  // A file holding exactly these bytes.
  void Bytes(std::wstring_view relative, std::string_view bytes);
  // A file of `size` bytes that takes no room on the disk.
  void Sparse(std::wstring_view relative, ULONGLONG size);
  void Hide(std::wstring_view relative);
  std::string Read(std::wstring_view relative) const;
  bool Exists(std::wstring_view relative) const;

  // Removes a folder and everything below it.
  static void Remove(const std::wstring& path);

 private:
  void Parents(std::wstring_view relative);
  std::wstring root_;
};

}  // namespace kbtest
