#include "editor/document_file.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/text.h"

namespace kb::editor {
namespace {

// As the rich text box's LoadFile and SaveFile report a failure of the
// system, which the editor's own file commands show: unlike the runtime's file
// statements, every bad or missing folder is 76 and anything unknown 75.
[[noreturn]] void RaiseDocumentFileError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: Raise(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:  // a temporary file asked for in a folder that is not there
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: Raise(kErrPathNotFound);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: Raise(kErrDiskFull);
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY: Raise(kErrOutOfMemory);
    default: Raise(kErrPathFileAccess);
  }
}

Handle OpenFile(const std::wstring& path, DWORD access, DWORD disposition) {
  // An empty name would otherwise reach the system as "no name".
  if (path.empty()) Raise(kErrBadFileNameOrNumber);
  const rt::AnsiText name(path);
  Handle file(::CreateFileA(name.Get(), access, FILE_SHARE_READ, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseDocumentFileError(::GetLastError());
  return file;
}

void WriteAll(HANDLE file, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 20));
    DWORD done = 0;
    if (!::WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0)
      RaiseDocumentFileError(::GetLastError());
    written += done;
  }
}

// A file made for a while: deleted on the way out unless it was kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!kept_) ::DeleteFileA(path_.c_str());
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

std::wstring Widen(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n =
      ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

}  // namespace

void WriteDocumentFile(const std::wstring& path, std::string_view bytes) {
  if (path.empty()) Raise(kErrBadFileNameOrNumber);
  // A save that fails midway must leave the document as it was: the bytes go
  // to a new file in the same folder, which takes the document's place only
  // once it is whole.
  const rt::AnsiText name(path);
  const std::string target(name.Get());
  const size_t cut = target.find_last_of("\\/:");
  const std::string folder = cut == std::string::npos ? "." : target.substr(0, cut + 1);
  char temporary[MAX_PATH] = {};
  if (!::GetTempFileNameA(folder.c_str(), "kb", 0, temporary))
    RaiseDocumentFileError(::GetLastError());
  TemporaryFile written(temporary);
  {
    Handle file(::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseDocumentFileError(::GetLastError());
    WriteAll(file.Get(), bytes);
  }
  // An existing document keeps its attributes and permissions.
  const bool replaced = ::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES
                            ? ::ReplaceFileA(target.c_str(), temporary, nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                            : ::MoveFileExA(temporary, target.c_str(), MOVEFILE_COPY_ALLOWED);
  if (!replaced) RaiseDocumentFileError(::GetLastError());
  written.Keep();
}

std::string ReadDocumentFile(const std::wstring& path) {
  Handle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) RaiseDocumentFileError(::GetLastError());
  if (size.QuadPart > INT_MAX) Raise(kErrOutOfMemory);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t read = 0;
  while (read < bytes.size()) {
    DWORD done = 0;
    if (!::ReadFile(file.Get(), bytes.data() + read, static_cast<DWORD>(bytes.size() - read), &done,
                    nullptr))
      RaiseDocumentFileError(::GetLastError());
    if (done == 0) break;  // the file shrank meanwhile
    read += done;
  }
  bytes.resize(read);
  return bytes;
}

std::wstring DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    bytes.remove_prefix(2);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) return Widen(CP_UTF8, bytes.substr(3));
  return Widen(CP_ACP, bytes);
}

}  // namespace kb::editor
