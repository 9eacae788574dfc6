#include "tests/files/file_tree.h"

#include <gtest/gtest.h>

#include "runtime/handles.h"

namespace kbtest {

FileTree::FileTree(std::wstring_view name) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  static int counter = 0;
  root_ = std::wstring(temp) + L"kb-" + std::wstring(name) + L"-" +
          std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  Remove(root_);
  EXPECT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr)) << ::GetLastError();
}

FileTree::~FileTree() { Remove(root_); }

std::wstring FileTree::Path(std::wstring_view relative) const {
  return relative.empty() ? root_ : root_ + L"\\" + std::wstring(relative);
}

void FileTree::Parents(std::wstring_view relative) {
  for (size_t slash = relative.find(L'\\'); slash != std::wstring_view::npos;
       slash = relative.find(L'\\', slash + 1))
    ::CreateDirectoryW(Path(relative.substr(0, slash)).c_str(), nullptr);
}

void FileTree::Folder(std::wstring_view relative) {
  Parents(relative);
  ::CreateDirectoryW(Path(relative).c_str(), nullptr);
}

void FileTree::Bytes(std::wstring_view relative, std::string_view bytes) {
  Parents(relative);
  kb::Handle file(::CreateFileW(Path(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << "cannot create a test file: error " << ::GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(
      ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

void FileTree::File(std::wstring_view relative, size_t bytes) {
  Bytes(relative, std::string(bytes, 'x'));
}

void FileTree::Sparse(std::wstring_view relative, ULONGLONG size) {
  Parents(relative);
  kb::Handle file(::CreateFileW(Path(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(::SetEndOfFile(file.Get()));
}

void FileTree::Hide(std::wstring_view relative) {
  const std::wstring path = Path(relative);
  ::SetFileAttributesW(path.c_str(), ::GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
}

std::string FileTree::Read(std::wstring_view relative) const {
  kb::Handle file(::CreateFileW(Path(relative).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  std::string bytes;
  if (!file) return "<missing>";
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got)
    bytes.append(buffer, got);
  return bytes;
}

bool FileTree::Exists(std::wstring_view relative) const {
  return ::GetFileAttributesW(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void FileTree::Remove(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  kb::FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") Remove(path + L"\\" + name);
    } while (::FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  ::RemoveDirectoryW(path.c_str());
}

}  // namespace kbtest
