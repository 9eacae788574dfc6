#include "tests/editor/editor_fixture.h"

#include <cstring>

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

// The clipboard open for a message-only window of the test's own.
class OpenClipboardFor {
 public:
  OpenClipboardFor()
      : owner_(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr)),
        open_(::OpenClipboard(owner_)) {}
  ~OpenClipboardFor() {
    if (open_) ::CloseClipboard();
    ::DestroyWindow(owner_);
  }
  bool IsOpen() const { return open_; }

 private:
  HWND owner_;
  bool open_;
};

}  // namespace

std::wstring ClipboardUnicode() {
  OpenClipboardFor clipboard;
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  const auto* text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  std::wstring out = text ? text : L"<none>";
  if (text) ::GlobalUnlock(data);
  return out;
}

std::string ClipboardRtf() {
  OpenClipboardFor clipboard;
  HANDLE data = ::GetClipboardData(::RegisterClipboardFormatA("Rich Text Format"));
  const auto* bytes = data ? static_cast<const char*>(::GlobalLock(data)) : nullptr;
  std::string out = bytes ? bytes : "<none>";
  if (bytes) ::GlobalUnlock(data);
  return out;
}

void PutClipboardUnicode(const std::wstring& text) {
  OpenClipboardFor clipboard;
  ASSERT_TRUE(clipboard.IsOpen());
  ::EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(::GlobalLock(block), text.c_str(), bytes);
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_UNICODETEXT, block);
}

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
  State().text.Reset();
  State().caption.Reset();
  rt::ClipboardClear();
}

EditorTest::~EditorTest() {
  form_.reset();
  RemoveFolder(folder_);
}

void EditorTest::Open(std::wstring_view rtf, std::wstring_view caption) {
  State().text = Bstr(rtf);
  State().caption = Bstr(caption);
  form_.reset();
  form_.emplace();
  form_->Load(nullptr);
  form_->Show();
}

std::vector<support::DialogRecord> EditorTest::MessageBoxes() const {
  std::vector<support::DialogRecord> shown;
  for (const auto& r : boxes_.Records()) {
    if (!r.handledByDriver) shown.push_back(r);
  }
  return shown;
}

}  // namespace kb::editor::test
