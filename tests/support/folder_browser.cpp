#include "tests/support/folder_browser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

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

// The text of the tree's selected item.
std::wstring SelectedText(HWND tree) {
  wchar_t text[MAX_PATH + 1] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetSelection(tree);
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  if (!item.hItem || !TreeView_GetItem(tree, &item)) return {};
  return text;
}

// The browser may still be filling its tree when it first shows, and then
// drops a selection made too early; so the folder is chosen again from a
// timer until the tree shows it, and only then is OK pressed.
struct PendingChoice {
  std::string path;   // ANSI, as the browser's message takes it
  std::wstring leaf;  // the folder's own name; empty for a drive root
  int tries = 0;
};
constexpr UINT_PTR kChoiceTimer = 0x4B42;
constexpr int kMostTries = 100;  // 20 ms apart
thread_local std::map<HWND, PendingChoice> pendingChoices;

void CALLBACK ChooseAgain(HWND dialog, UINT, UINT_PTR, DWORD) {
  auto found = pendingChoices.find(dialog);
  if (found == pendingChoices.end()) return;
  PendingChoice& choice = found->second;
  ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(choice.path.c_str()));
  const bool shown =
      choice.leaf.empty() || SelectedText(::GetDlgItem(dialog, kTree)) == choice.leaf;
  if (!shown && ++choice.tries < kMostTries) return;
  ::KillTimer(dialog, kChoiceTimer);
  pendingChoices.erase(found);
  MsgBoxRecorder::PostCommand(dialog, IDOK);
}

std::wstring LeafOf(const std::wstring& folder) {
  const size_t slash = folder.find_last_of(L'\\');
  return slash == std::wstring::npos ? folder : folder.substr(slash + 1);
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
  if (answer.cancel) {
    MsgBoxRecorder::PostCommand(dialog, IDCANCEL);
    return true;
  }
  pendingChoices[dialog] = {Ansi(answer.folder), LeafOf(answer.folder)};
  ::SetTimer(dialog, kChoiceTimer, 20, ChooseAgain);
  return true;
}

}  // namespace kb::support
