#include "tests/editor/editor_fixture.h"

#include "runtime/clipboard.h"
#include "runtime/handles.h"

namespace kb::editor::test {
namespace {

std::wstring NewScratchFolder() {
  static int counter = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"kitbag-editor-" +
                        std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L"\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(folder + name + L"\\");
      } else {
        ::SetFileAttributesW((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW((folder + name).c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::string ReadBytes(const std::wstring& path) {
  Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr));
  if (!file) return "<missing>";
  std::string bytes(static_cast<size_t>(::GetFileSize(file.Get(), nullptr)), '\0');
  DWORD read = 0;
  ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

EditorTest::EditorTest() : folder_(NewScratchFolder()) {
  State().editorText.Reset();
  State().editorCaption.Reset();
  rt::ClipboardClear();
}

EditorTest::~EditorTest() {
  form_.Unload();
  RemoveFolder(folder_);
}

void EditorTest::Open(std::wstring_view rtf, std::wstring_view caption) {
  State().editorText = Bstr(rtf);
  State().editorCaption = Bstr(caption);
  form_.Load(nullptr);
  form_.Show();
}

std::vector<support::DialogRecord> EditorTest::MessageBoxes() const {
  std::vector<support::DialogRecord> shown;
  for (const auto& r : boxes_.Records()) {
    if (!r.handledByDriver) shown.push_back(r);
  }
  return shown;
}

}  // namespace kb::editor::test
