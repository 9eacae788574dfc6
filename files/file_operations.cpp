#include "files/file_operations.h"

#include <shellapi.h>

#include <string>

#include "files/siblings.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/file_numbers.h"
#include "runtime/late_bound.h"
#include "runtime/msgbox.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

constexpr unsigned kCritical = MB_OK | MB_ICONHAND;  // style 16
constexpr wchar_t kCopyAborted[] = L"Der opstod en fejl under kopieringen";
constexpr wchar_t kFileNotFound[] = L"Stien du har angivet er ikke gyldig, filen blev ikke fundet!";
constexpr wchar_t kLoadFailed[] = L"Der opstod en fejl under indl\u00E6sningen af filen.";

// The box's text grows by one line: the line alone while it is empty.
void AddLine(IDispatch* box, std::wstring_view line) {
  const Bstr present = rt::GetText(box, L"Text");
  std::wstring text(present.View());
  if (!text.empty()) text += L"\r\n";
  text += line;
  rt::Put(box, L"Text", *rt::FromText(text).Get());
}

}  // namespace

std::string ShellNameList(BSTR name) {
  const rt::AnsiText ansi(name, false);
  std::string list(ansi.Get(), ansi.Size());
  list.append(2, '\0');
  return list;
}

void CopyFile(frame::Common&, BSTR* Source, BSTR* Dest) {
  const std::string from = ShellNameList(*Source);
  const std::string to = ShellNameList(*Dest);
  SHFILEOPSTRUCTA request{};
  request.hwnd = nullptr;
  request.wFunc = FO_COPY;
  request.pFrom = from.c_str();
  request.pTo = to.c_str();
  request.fFlags = FOF_ALLOWUNDO;
  request.fAnyOperationsAborted = FALSE;
  request.hNameMappings = nullptr;
  request.lpszProgressTitle = nullptr;
  const int result = ::SHFileOperationA(&request);
  const auto lastError = static_cast<long>(::GetLastError());
  if (result != 0)
    rt::MsgBox(std::to_wstring(lastError), kCritical);
  else if (request.fAnyOperationsAborted)
    rt::MsgBox(kCopyAborted, kCritical);
}

void WriteLog(frame::Common& self, BSTR* FileName, BSTR* Text) {
  const short number = rt::CInt(static_cast<double>(FreeFileVia(self)));
  // The file is closed on every way out, also when writing fails: left open,
  // it would keep its file number and stay locked until the thread ends.
  rt::OpenedFile log(View(*FileName), rt::FileMode::Output, number);
  rt::PrintLine(number, View(*Text));
  log.Close();
}

void OpenTextFile(frame::Common&, VARIANT* txtBox, BSTR* FilePath) {
  try {
    const short number = rt::FreeFile();
    // Closed on every way out: an error no longer leaves the file open.
    rt::OpenedFile file(View(*FilePath), rt::FileMode::Input, number);
    const ComPtr<IDispatch> box = rt::ObjectOf(*txtBox);
    rt::Put(box.Get(), L"Text", *rt::FromText(L"").Get());
    while (!rt::Eof(number)) {
      const Bstr line = rt::LineInput(number);
      AddLine(box.Get(), line.View());
    }
    file.Close();
  } catch (...) {
    const Error error = CurrentError();
    rt::MsgBox(error.Number() == kErrFileNotFound ? kFileNotFound : kLoadFailed, kCritical);
  }
}

}  // namespace kb::files
