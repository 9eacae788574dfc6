// The members that hand their work to the shell, the network, the media
// control interface, the registry and the logon.
#include <windows.h>

#include <mmsystem.h>
#include <shellapi.h>
#include <urlmon.h>

#include <string>

#include "frame/classes.h"
#include "frame/interfaces.h"
#include "runtime/ansi_ref.h"
#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/shell.h"
#include "runtime/text.h"
#include "shell/shell_services.h"

namespace kb::shell {
namespace {

constexpr char kDocumentFolder[] = "C:\\";
constexpr wchar_t kPrintCommand[] = L"rundll32.exe C:\\WINDOWS\\SYSTEM\\MSHTML.DLL,PrintHTML ";
constexpr char kDoorOpen[] = "Set CDAudio Door Open";
constexpr char kDoorClosed[] = "Set CDAudio Door Closed";
constexpr wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr int kTypedUrls = 25;
constexpr long kCurrentUser = -2147483647;  // HKEY_CURRENT_USER of enRootKeys
constexpr size_t kLogonNameBuffer = 200;

// A clsRegistry of this call's own, released with it.
class OwnRegistry {
 public:
  OwnRegistry() : object_(frame::CreateObject(meta::ClassId::clsRegistry)) {}
  OwnRegistry(const OwnRegistry&) = delete;
  OwnRegistry& operator=(const OwnRegistry&) = delete;
  ~OwnRegistry() { object_->Release(); }

  Bstr GetSetting(BSTR key, BSTR valueName) {
    auto* registry = reinterpret_cast<_clsRegistry*>(object_->Dual());
    long root = kCurrentUser;
    Bstr value;
    Check(registry->lpVtbl->reg_RegGetSetting(registry, key, valueName, &root, value.Out()));
    return value;
  }

 private:
  frame::ObjectBase* object_;
};

// A program of the system folder, by its full path.
std::wstring SystemProgram(std::wstring_view name) {
  char folder[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring(name);
  std::wstring path(rt::FromAnsi(folder, n).View());
  return path + L"\\" + std::wstring(name);
}

}  // namespace

void OpenDocument(frame::Common&, IDispatch** frm, BSTR* CompletePath) {
  const HWND owner = rt::WindowOf(rt::Require(frm));
  rt::AnsiRef path(CompletePath);
  ::ShellExecuteA(owner, nullptr, path.Get(), nullptr, kDocumentFolder, SW_SHOWNORMAL);
  path.Return();
}

void PrintWebPage(frame::Common&, BSTR* URL) {
  std::wstring command(kPrintCommand);
  command += View(*URL);
  // The system's own program: by its bare name, a rundll32.exe in the
  // current folder (which the dialogs and cmn_SetCurDir move) would be found
  // first. The program still sees the command line as it always did.
  rt::Shell(command, rt::kShellNormalFocus, SystemProgram(L"rundll32.exe"));
}

void DownloadUrlToFile(frame::Common&, BSTR* CompleteURL, BSTR* CompleteDestination) {
  rt::AnsiRef url(CompleteURL);
  rt::AnsiRef destination(CompleteDestination);
  ::URLDownloadToFileA(nullptr, url.Get(), destination.Get(), 0, nullptr);
  rt::ReturnAll(url, destination);
}

void OpenCloseCDROM(frame::Common&, VARIANT_BOOL* pbState) {
  ::mciSendStringA(*pbState ? kDoorOpen : kDoorClosed, nullptr, 0, nullptr);
}

Bstr GetUrlHistory(frame::Common&) {
  OwnRegistry registry;
  const Bstr key(kTypedUrlsKey);
  std::wstring history;
  for (int n = 1; n <= kTypedUrls; ++n) {
    const Bstr name(L"Url" + std::to_wstring(n));
    history += registry.GetSetting(key.Get(), name.Get()).View();
    if (n < kTypedUrls) history += L';';
  }
  return Bstr(history);
}

Bstr GetLogonName(frame::Common& self) {
  std::string buffer(kLogonNameBuffer, '\0');
  DWORD size = kLogonNameBuffer - 1;
  if (!::GetUserNameA(buffer.data(), &size)) return Bstr(L"");
  // The whole buffer comes back, and the name is its first `size`
  // characters: the count includes the terminating NUL, which the filter drops.
  const Bstr whole = rt::FromAnsi(buffer.data(), buffer.size());
  Bstr name(whole.View().substr(0, size));
  _clsCommon* me = self.Self();
  Variant kept;
  Check(me->lpVtbl->cmn_ZapIlligalCharSet(me, name.Ref(), kept.Out()));
  return rt::ToText(*kept.Get());
}

}  // namespace kb::shell
