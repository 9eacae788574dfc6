#include "tests/support/folder_browser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include <string>
#include <utility>

namespace kb::support {
namespace {

// Control ids of the shell's folder browser.
constexpr int kTree = 0x3741;
constexpr int kPrompt = 0x3742;

std::string Ansi(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(std::max(size, 1)), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

FolderBrowserDriver::FolderBrowserDriver(MsgBoxRecorder& recorder) : recorder_(recorder) {
  recorder_.SetDriver([this](HWND dialog, const DialogRecord&) { return Drive(dialog); });
}

FolderBrowserDriver::~FolderBrowserDriver() { recorder_.SetDriver(nullptr); }

bool FolderBrowserDriver::Drive(HWND dialog) {
  HWND tree = ::GetDlgItem(dialog, kTree);
  if (!tree || ClassName(tree) != WC_TREEVIEWW) return false;
  records_.push_back({ItemText(dialog, kPrompt), ::GetWindow(dialog, GW_OWNER)});
  FolderAnswer answer = FolderAnswer::Cancel();
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  if (!answer.cancel) {
    const std::string path = Ansi(answer.folder);
    ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
  }
  MsgBoxRecorder::PostCommand(dialog, answer.cancel ? IDCANCEL : IDOK);
  return true;
}

}  // namespace kb::support
