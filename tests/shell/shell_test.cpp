// The shell, clipboard and system services as a client calls them: the
// registered library through its vtable and through IDispatch, acting on the
// real shell, clipboard, registry, network and processes of the test prefix.
// Where the system's own effect cannot be watched (a CD door, a logon name, a
// sleep of hours) the library's import of the system function is replaced
// for the test, to see exactly what the system is handed.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/clipboard.h"
#include "runtime/errors.h"
#include "tests/shell/http_server.h"
#include "tests/shell/program_stub_log.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/import_hook.h"
#include "tests/support/library.h"
#include "tests/support/property_bag.h"
#include "tests/support/runtime_checks.h"

namespace kb::support {
namespace {

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring CurrentFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

// A path in the ANSI code page, as the library hands it to the system.
std::string Narrow(const std::wstring& text) {
  char bytes[MAX_PATH * 2] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

std::string ReadFile(const std::wstring& path) {
  const kb::Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char chunk[4096];
  DWORD n = 0;
  while (file && ::ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr) && n > 0)
    bytes.append(chunk, n);
  return bytes;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder of the test's own under the temporary folder, removed with it.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + L"\\";
    Remove();
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { Remove(); }
  const std::wstring& Path() const { return path_; }

 private:
  void Remove() {
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((path_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do ::DeleteFileW((path_ + found.cFileName).c_str());
      while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryW(path_.c_str());
  }
  std::wstring path_;
};

class ShellTest : public ::testing::Test {
 protected:
  // Wine's urlmon leaks its thread's notification window when a download's
  // last reference is dropped on its worker thread (seen when that thread
  // runs late, as under emulation). Unloaded and loaded again, which each
  // test's CoUninitialize does by freeing the library that imports it,
  // urlmon then cannot register its window class, and every later download
  // on the thread waits for a notification that never comes. A client
  // process keeps urlmon loaded; so does this one.
  static void SetUpTestSuite() { ::LoadLibraryW(L"urlmon.dll"); }

  CallResult Common(const wchar_t* member, std::vector<Arg> args = {}) {
    return CallMethod(common_.Get(), member, std::move(args));
  }
  // The run-time error number an early-bound call's HRESULT carries; any
  // other failure code as it is.
  static long RuntimeError(HRESULT hr) {
    return SUCCEEDED(hr) ? 0 : IsRuntimeHresult(hr) ? (hr & 0xFFFF) : hr;
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::_clsCommon* early_ = Early<kb::_clsCommon>(common_);
  HMODULE library_ = ::GetModuleHandleW(L"Kitbag.dll");
};

// ------------------------------------------------------------ documents

// The stub as the opener of a document type of the test's own.
class StubDocumentType {
 public:
  static constexpr wchar_t kExtension[] = L".kbstubdoc";
  StubDocumentType() {
    Set(kExtension, kClass);
    Set(std::wstring(kClass) + L"\\shell\\open\\command",
        L"\"" + ThisFolder() + L"rundll32.exe\" \"%1\"");
  }
  StubDocumentType(const StubDocumentType&) = delete;
  StubDocumentType& operator=(const StubDocumentType&) = delete;
  ~StubDocumentType() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kExtension);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kClass);
  }

 private:
  static constexpr wchar_t kClass[] = L"KitbagTest.StubDocument";
  static void Set(const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr);
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
};

TEST_F(ShellTest, OpenDocumentStartsTheRegisteredProgramInTheRootFolderShownNormally) {
  StubDocumentType type;
  TempFolder folder(L"kb_opendoc");
  StubLog log(folder.Path() + L"start.log");
  const std::wstring document = folder.Path() + L"letter" + StubDocumentType::kExtension;
  ::CloseHandle(
      ::CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  auto form = Make<Form>();
  IDispatch* frm = form->Disp();
  Bstr path(document);
  ASSERT_EQ(early_->lpVtbl->cmn_OpenDocument(early_, &frm, path.Ref()), S_OK);
  const auto start = log.Wait();
  ASSERT_TRUE(start) << "the document's program did not start";
  EXPECT_EQ(start->folder, L"C:\\");
  EXPECT_TRUE(start->flags & STARTF_USESHOWWINDOW);
  EXPECT_EQ(start->show, SW_SHOWNORMAL);
  EXPECT_NE(start->commandLine.find(L"letter.kbstubdoc"), std::wstring::npos)
      << Utf8(start->commandLine);
  EXPECT_EQ(path.View(), document);
}

struct ShellExecuteCall {
  int count = 0;
  HWND owner = nullptr;
  bool verb = false, parameters = false;
  std::string file, folder;
  bool fileIsNull = false;
  INT show = -1;
};
ShellExecuteCall g_shellExecute;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                    LPCSTR folder, INT show) {
  g_shellExecute = {g_shellExecute.count + 1, owner,
                    verb != nullptr,          parameters != nullptr,
                    file ? file : "",         folder ? folder : "",
                    file == nullptr,          show};
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

TEST_F(ShellTest, OpenDocumentHandsTheShellTheFormsWindowAndTheFixedArguments) {
  ImportHook hook(library_, "shell32.dll", "ShellExecuteA", &RecordShellExecute);
  auto form = Make<Form>();
  struct Case {
    const wchar_t* path;
    const char* file;      // as the shell receives it
    const wchar_t* after;  // the caller's variable afterwards
  } const cases[] = {
      {L"C:\\Breve\\brev \u00e6\u00f8\u00e5.txt", "C:\\Breve\\brev \xe6\xf8\xe5.txt",
       L"C:\\Breve\\brev \u00e6\u00f8\u00e5.txt"},
      {L"http://kitbag.example/", "http://kitbag.example/", L"http://kitbag.example/"},
      {L"C:\\\u03A9.txt", "C:\\?.txt", L"C:\\?.txt"}};
  for (const Case& c : cases) {
    g_shellExecute = {};
    IDispatch* frm = form->Disp();
    Bstr path(c.path);
    ASSERT_EQ(early_->lpVtbl->cmn_OpenDocument(early_, &frm, path.Ref()), S_OK);
    ASSERT_EQ(g_shellExecute.count, 1);
    EXPECT_EQ(g_shellExecute.owner, form->Hwnd());
    EXPECT_FALSE(g_shellExecute.verb) << "the default action";
    EXPECT_FALSE(g_shellExecute.parameters);
    EXPECT_EQ(g_shellExecute.file, c.file);
    EXPECT_EQ(g_shellExecute.folder, "C:\\");
    EXPECT_EQ(g_shellExecute.show, SW_SHOWNORMAL);
    EXPECT_EQ(path.View(), c.after);
  }
  // A null text reaches the shell as no file at all.
  g_shellExecute = {};
  IDispatch* frm = form->Disp();
  Bstr none;
  ASSERT_EQ(early_->lpVtbl->cmn_OpenDocument(early_, &frm, none.Ref()), S_OK);
  EXPECT_TRUE(g_shellExecute.fileIsNull);
}

TEST_F(ShellTest, OpenDocumentNeedsAFormWithAWindow) {
  ImportHook hook(library_, "shell32.dll", "ShellExecuteA", &RecordShellExecute);
  g_shellExecute = {};
  auto windowless = Make<PropertyBag>(L"Form");
  EXPECT_EQ(Common(L"cmn_OpenDocument", {windowless->Disp(), L"x.txt"}).ErrorNumber(), 438);
  EXPECT_EQ(Common(L"cmn_OpenDocument", {static_cast<IDispatch*>(nullptr), L"x.txt"}).ErrorNumber(),
            91);
  EXPECT_EQ(g_shellExecute.count, 0);
}

TEST_F(ShellTest, OpeningNoDocumentIsSilent) {
  auto form = Make<Form>();
  for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L""}) {
    IDispatch* frm = form->Disp();
    Bstr path = text ? Bstr(text) : Bstr();
    EXPECT_EQ(early_->lpVtbl->cmn_OpenDocument(early_, &frm, path.Ref()), S_OK);
  }
}

// The program the library asks the system to start, which the stub beside
// this test then stands in for.
std::string g_startedProgram;
decltype(&::CreateProcessA) g_createProcess = nullptr;

BOOL WINAPI StartStubInstead(LPCSTR program, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                             LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags,
                             LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                             LPPROCESS_INFORMATION started) {
  g_startedProgram = program ? program : "<by its name>";
  const std::string stub = Narrow(ThisFolder() + L"rundll32.exe");
  return g_createProcess(stub.c_str(), commandLine, process, thread, inherit, flags, environment,
                         folder, startup, started);
}

std::string SystemRundll32() {
  char folder[MAX_PATH] = {};
  ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\rundll32.exe";
}

TEST_F(ShellTest, PrintWebPageStartsTheHtmlPrintingCommandForTheAddress) {
  ImportHook hook(library_, "kernel32.dll", "CreateProcessA", &StartStubInstead);
  g_createProcess = hook.Original<decltype(&::CreateProcessA)>();
  // A program of that name in the current folder (the dialogs move it)
  // is not the one started.
  const std::wstring before = CurrentFolder();
  ::SetCurrentDirectoryW(ThisFolder().c_str());
  StubLog log(ThisFolder() + L"print.log");
  struct Case {
    const wchar_t* url;
    const wchar_t* tail;  // what follows the command in the program's command line
  } const cases[] = {{L"http://127.0.0.1/side.html?a=1&b=2", L"http://127.0.0.1/side.html?a=1&b=2"},
                     {L"", L""},
                     {L"C:\\sider\\\u03A9 \u00e6.htm", L"C:\\sider\\? \u00e6.htm"}};
  for (const Case& c : cases) {
    Bstr url(c.url);
    ASSERT_EQ(early_->lpVtbl->cmn_PrintWebPage(early_, url.Ref()), S_OK);
    const auto start = log.Wait();
    ASSERT_TRUE(start) << "the printing command did not start";
    EXPECT_EQ(_stricmp(g_startedProgram.c_str(), SystemRundll32().c_str()), 0) << g_startedProgram;
    EXPECT_EQ(start->commandLine,
              std::wstring(L"rundll32.exe C:\\WINDOWS\\SYSTEM\\MSHTML.DLL,PrintHTML ") + c.tail);
    EXPECT_TRUE(start->flags & STARTF_USESHOWWINDOW);
    EXPECT_EQ(start->show, SW_SHOWNORMAL) << "a normal window with focus";
    // The address itself never went to the system.
    EXPECT_EQ(url.View(), c.url);
    ::DeleteFileW((ThisFolder() + L"print.log").c_str());
  }
  ::SetCurrentDirectoryW(before.c_str());
}

// ------------------------------------------------------------- downloads

std::string Bytes(size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes += static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

TEST_F(ShellTest, DownloadWritesTheServedBytesToTheDestination) {
  TempFolder folder(L"kb_download");
  const std::string data = Bytes(70000);
  LoopbackHttpServer server({{"/data.bin?x=1&y=%C3%A6", {200, data}}, {"/empty", {200, ""}}});
  struct Case {
    std::wstring target, file;
    std::string content;
  } const cases[] = {{L"/data.bin?x=1&y=%C3%A6", L"data.bin", data}, {L"/empty", L"empty.txt", ""}};
  for (const Case& c : cases) {
    Bstr url(server.Url(c.target));
    Bstr destination(folder.Path() + c.file);
    ASSERT_EQ(early_->lpVtbl->cmn_URLDownloadToFile(early_, url.Ref(), destination.Ref()), S_OK);
    EXPECT_TRUE(Exists(folder.Path() + c.file)) << Utf8(c.file);
    EXPECT_EQ(ReadFile(folder.Path() + c.file), c.content) << Utf8(c.file);
  }
  const std::vector<std::string> requests = server.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0], "GET /data.bin?x=1&y=%C3%A6 HTTP/1.1");
  EXPECT_EQ(requests[1], "GET /empty HTTP/1.1");
  // Late bound, as a script passes its variables.
  CallResult r =
      Common(L"cmn_URLDownloadToFile", {server.Url(L"/empty"), folder.Path() + L"late.txt"});
  EXPECT_TRUE(r.Ok()) << r;
  EXPECT_TRUE(Exists(folder.Path() + L"late.txt"));
}

TEST_F(ShellTest, FailedDownloadsAreSilent) {
  TempFolder folder(L"kb_download_fail");
  std::wstring closedPort;
  {
    LoopbackHttpServer gone({});
    closedPort = gone.Url(L"/x");
  }
  LoopbackHttpServer server({{"/ok", {200, "ok"}}});
  struct Case {
    std::wstring url, destination;
  } const cases[] = {
      {closedPort, folder.Path() + L"closed.txt"},
      {server.Url(L"/ok"), folder.Path() + L"no such folder\\ok.txt"},
      {server.Url(L"/missing"), folder.Path() + L"missing.txt"},
      {L"kbnothing://x", folder.Path() + L"scheme.txt"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    CallResult r = Common(L"cmn_URLDownloadToFile", {c.url, c.destination});
    EXPECT_TRUE(r.Ok()) << Utf8(c.url) << ": " << r;
  }
  Bstr none, nowhere;
  EXPECT_EQ(early_->lpVtbl->cmn_URLDownloadToFile(early_, none.Ref(), nowhere.Ref()), S_OK);
  EXPECT_FALSE(Exists(folder.Path() + L"closed.txt"));
  EXPECT_FALSE(Exists(folder.Path() + L"no such folder\\ok.txt"));
}

TEST_F(ShellTest, DownloadArgumentsComeBackThroughTheCodePage) {
  TempFolder folder(L"kb_download_ansi");
  LoopbackHttpServer server({{"/f\xe6rdig.txt", {200, "done"}}});
  Bstr url(server.Url(L"/f\u00e6rdig.txt"));
  Bstr destination(folder.Path() + L"f\u00e6rdig \u03A9.txt");
  ASSERT_EQ(early_->lpVtbl->cmn_URLDownloadToFile(early_, url.Ref(), destination.Ref()), S_OK);
  EXPECT_EQ(url.View(), server.Url(L"/f\u00e6rdig.txt"));
  EXPECT_EQ(destination.View(), folder.Path() + L"f\u00e6rdig ?.txt");
}

// --------------------------------------------------------------- CD door

struct MciCall {
  std::string command;
  bool returnText = false;
  UINT returnLength = 99;
  bool callback = false;
};
std::vector<MciCall> g_mci;

MCIERROR WINAPI RecordMci(LPCSTR command, LPSTR returnText, UINT returnLength, HWND callback) {
  g_mci.push_back({command, returnText != nullptr, returnLength, callback != nullptr});
  return 266;  // no such device, as on a machine without a CD drive
}

TEST_F(ShellTest, AnyNonZeroStateOpensTheDoorAndZeroClosesIt) {
  ImportHook hook(library_, "winmm.dll", "mciSendStringA", &RecordMci);
  g_mci.clear();
  const VARIANT_BOOL states[] = {VARIANT_TRUE, 1, 0, 2, VARIANT_FALSE};
  for (VARIANT_BOOL state : states) {
    VARIANT_BOOL s = state;
    ASSERT_EQ(early_->lpVtbl->cmn_OpenCloseCDROM(early_, &s), S_OK);
    EXPECT_EQ(s, state);
  }
  const char* expected[] = {"Set CDAudio Door Open", "Set CDAudio Door Open",
                            "Set CDAudio Door Closed", "Set CDAudio Door Open",
                            "Set CDAudio Door Closed"};
  ASSERT_EQ(g_mci.size(), std::size(expected));
  for (size_t i = 0; i < g_mci.size(); ++i) {
    EXPECT_EQ(g_mci[i].command, expected[i]);
    EXPECT_FALSE(g_mci[i].returnText);
    EXPECT_EQ(g_mci[i].returnLength, 0u);
    EXPECT_FALSE(g_mci[i].callback);
  }
}

TEST_F(ShellTest, TheDoorCommandsAreSilentWhateverTheSystemAnswers) {
  for (bool open : {true, false}) EXPECT_TRUE(Common(L"cmn_OpenCloseCDROM", {open}).Ok());
}

// ------------------------------------------------------ typed addresses

// The browser's list of typed addresses, emptied before and after.
class TypedUrls {
 public:
  static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  TypedUrls() { Clear(); }
  TypedUrls(const TypedUrls&) = delete;
  TypedUrls& operator=(const TypedUrls&) = delete;
  ~TypedUrls() { Clear(); }
  void Clear() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void Set(const std::wstring& name, const std::wstring& value) {
    Write(name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
  }
  void SetNumber(const std::wstring& name, DWORD value) {
    Write(name, REG_DWORD, &value, sizeof value);
  }

 private:
  void Write(const std::wstring& name, DWORD type, const void* data, size_t size) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                     static_cast<DWORD>(size));
    ::RegCloseKey(key);
  }
};

TEST_F(ShellTest, UrlHistoryAlwaysHasTwentyFiveFields) {
  TypedUrls urls;
  EXPECT_EQ(Common(L"cmn_GetUrlHistory").Text(), std::wstring(24, L';')) << "no key at all";
  urls.Set(L"Other", L"not an address");
  EXPECT_EQ(Common(L"cmn_GetUrlHistory").Text(), std::wstring(24, L';')) << "no typed addresses";

  urls.Set(L"url1", L"http://www.example.dk/");
  urls.Set(L"Url2", L"kitbag.dk");
  EXPECT_EQ(Common(L"cmn_GetUrlHistory").Text(),
            L"http://www.example.dk/;kitbag.dk" + std::wstring(23, L';'));

  urls.Clear();
  urls.Set(L"Url1", L"a");
  urls.Set(L"Url3", L"c");
  urls.SetNumber(L"Url4", 42);
  urls.Set(L"Url5", std::wstring(L"cut\0here", 8));
  urls.Set(L"Url25", L"\u00e6blegr\u00f8d.dk");
  urls.Set(L"Url0", L"never read");
  urls.Set(L"Url26", L"never read");
  Bstr history;
  ASSERT_EQ(early_->lpVtbl->cmn_GetUrlHistory(early_, history.Out()), S_OK);
  EXPECT_EQ(history.View(), L"a;;c;42;cut" + std::wstring(20, L';') + L"\u00e6blegr\u00f8d.dk");
}

// ------------------------------------------------------------ logon name

struct LogonAnswer {
  bool ok = true;
  std::string name;
  DWORD offered = 0;
};
LogonAnswer g_logon;

BOOL WINAPI AnswerLogonName(LPSTR buffer, LPDWORD size) {
  g_logon.offered = *size;
  if (!g_logon.ok || g_logon.name.size() + 1 > *size) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, g_logon.name.c_str(), g_logon.name.size() + 1);
  *size = static_cast<DWORD>(g_logon.name.size() + 1);
  return TRUE;
}

TEST_F(ShellTest, UserNameIsTheLogonNameWithoutTheCharactersTheFilterDrops) {
  ImportHook hook(library_, "advapi32.dll", "GetUserNameA", &AnswerLogonName);
  struct Case {
    bool ok;
    std::string name;  // ANSI bytes
    const wchar_t* expected;
  } const cases[] = {
      {true, "root", L"root"},
      {true, "s\xf8ren.m\xfcller", L"s\u00f8ren.mller"},
      {true, "Bo\tHansen\x7f", L"BoHansen"},
      {true, "\xc6\xd8\xc5 (ekstern)", L"\u00c6\u00d8\u00c5 (ekstern)"},
      {true, "", L""},
      {true, std::string(198, 'x'), nullptr},
      {true, std::string(199, 'x'), L""},  // no room for the terminator
      {false, "root", L""},
  };
  for (const Case& c : cases) {
    g_logon = {c.ok, c.name, 0};
    CallResult r = Common(L"cmn_GetUserName");
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.Text(), c.expected ? std::wstring(c.expected) : std::wstring(198, L'x')) << c.name;
    EXPECT_EQ(g_logon.offered, 199u);
  }
}

TEST_F(ShellTest, UserNameOfThisSession) {
  char name[256] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(::GetUserNameA(name, &size));
  for (const char* c = name; *c; ++c) {
    if (*c < 32 || *c > 126) GTEST_SKIP() << "a logon name beyond printable ASCII";
  }
  Bstr result;
  ASSERT_EQ(early_->lpVtbl->cmn_GetUserName(early_, result.Out()), S_OK);
  EXPECT_EQ(Utf8(result.View()), name);
}

// ------------------------------------------------------------- clipboard

TEST_F(ShellTest, CopyLeavesTheTextAndNothingElseOnTheClipboard) {
  rt::ClipboardSetText(L"{\\rtf1 old}", rt::ClipFormat::kRtf);
  rt::ClipboardSetText(L"old");
  const wchar_t* texts[] = {L"K\u00e6re \u00c5se\r\nlinje 2 \u03A9", L""};
  for (const wchar_t* text : texts) {
    Bstr what(text);
    ASSERT_EQ(early_->lpVtbl->cmn_Copy(early_, what.Ref()), S_OK);
    EXPECT_EQ(rt::ClipboardGetText(), text);
    EXPECT_FALSE(rt::ClipboardHasFormat(rt::ClipFormat::kRtf));
    EXPECT_EQ(what.View(), text);
  }
}

TEST_F(ShellTest, PasteHandsTheClipboardTextBackInTheFormatAskedFor) {
  rt::ClipboardClear();
  rt::ClipboardSetText(L"{\\rtf1 rich}", rt::ClipFormat::kRtf);
  rt::ClipboardSetText(L"plain \u00e6\u00f8\u00e5 \u03A9");
  struct Case {
    const wchar_t* code;
    const wchar_t* text;
  } const cases[] = {{L"", L"plain \u00e6\u00f8\u00e5 \u03A9"},
                     {L"1", L"plain \u00e6\u00f8\u00e5 \u03A9"},
                     {L"-16639", L"{\\rtf1 rich}"}};
  for (const Case& c : cases) {
    Bstr what(c.code);
    ASSERT_EQ(early_->lpVtbl->cmn_Paste(early_, what.Ref()), S_OK) << Utf8(c.code);
    EXPECT_EQ(what.View(), c.text);
    // A script's variable, by reference.
    Variant variable = VText(c.code);
    CallResult r = Common(L"cmn_Paste", {Arg::ByRefTyped(variable.Get())});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(View(V_BSTR(variable.Get())), c.text);
  }
  // The clipboard is left as it was.
  EXPECT_EQ(rt::ClipboardGetText(), L"plain \u00e6\u00f8\u00e5 \u03A9");
  rt::ClipboardClear();
  Bstr what(L"");
  ASSERT_EQ(early_->lpVtbl->cmn_Paste(early_, what.Ref()), S_OK);
  EXPECT_EQ(what.View(), L"") << "an empty clipboard";
}

TEST_F(ShellTest, PasteRefusesCodesThatNameNoTextFormat) {
  rt::ClipboardSetText(L"kept");
  struct Case {
    const wchar_t* code;
    long error;
  } const cases[] = {{L"abc", 13}, {L"2", 5}, {L"8", 5}, {L"70000", 6}};
  for (const Case& c : cases) {
    Bstr what(c.code);
    EXPECT_EQ(RuntimeError(early_->lpVtbl->cmn_Paste(early_, what.Ref())), c.error) << Utf8(c.code);
    EXPECT_EQ(what.View(), c.code) << "the variable keeps its code";
  }
}

TEST_F(ShellTest, ABusyClipboardFailsWithTheClipboardsError) {
  rt::ClipboardSetText(L"before");
  {
    ClipboardHolder holder;
    Bstr what(L"new");
    EXPECT_EQ(RuntimeError(early_->lpVtbl->cmn_Copy(early_, what.Ref())), kErrCantOpenClipboard);
    Bstr code(L"1");
    EXPECT_EQ(RuntimeError(early_->lpVtbl->cmn_Paste(early_, code.Ref())), kErrCantOpenClipboard);
    EXPECT_EQ(code.View(), L"1");
  }
  EXPECT_EQ(rt::ClipboardGetText(), L"before");
}

// ------------------------------------------------------------- sleeping

std::vector<DWORD> g_sleeps;
void WINAPI RecordSleep(DWORD milliseconds) { g_sleeps.push_back(milliseconds); }

TEST_F(ShellTest, SleepHandsTheSystemMillisecondsAndWaitsNoTimeForNegatives) {
  struct Case {
    long seconds;
    long error;
    std::vector<DWORD> slept;
  } const cases[] = {
      {0, 0, {0}},        {1, 0, {1000}},     {3600, 0, {3600000}}, {2147483, 0, {2147483000}},
      {-1, 0, {0}},       {-2147483, 0, {0}}, {2147484, 6, {}},     {-2147484, 6, {}},
      {2147483647, 6, {}}};
  ImportHook hook(library_, "kernel32.dll", "Sleep", &RecordSleep);
  for (const Case& c : cases) {
    g_sleeps.clear();
    long seconds = c.seconds;
    EXPECT_EQ(RuntimeError(early_->lpVtbl->cmn_Sleep(early_, &seconds)), c.error) << c.seconds;
    EXPECT_EQ(g_sleeps, c.slept) << c.seconds;
    EXPECT_EQ(seconds, c.seconds);
  }
}

TEST_F(ShellTest, SleepBlocksTheThreadWithoutHandlingItsMessages) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
  ::PostMessageW(window, WM_USER + 7, 0, 0);
  LARGE_INTEGER frequency{}, before{}, after{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&before);
  ASSERT_TRUE(Common(L"cmn_Sleep", {1}).Ok());
  ::QueryPerformanceCounter(&after);
  // A second, give or take the clock's granularity.
  EXPECT_GE((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart, 950);
  MSG message{};
  EXPECT_TRUE(::PeekMessageW(&message, window, WM_USER + 7, WM_USER + 7, PM_REMOVE))
      << "the posted message waited in the queue";
  ::DestroyWindow(window);
}

// ------------------------------------------------------ timer interval

TEST_F(ShellTest, TheTimerIntervalIsWriteOnlyAndChangesNothing) {
  for (long value : {-1L, 0L, 64L, 65L, 67L, 120L, 2147483647L}) {
    CallResult r = Put(common_.Get(), L"cmn_ResetTimerInterval", value);
    EXPECT_TRUE(r.Ok()) << value << ": " << r;
    long v = value;
    EXPECT_EQ(early_->lpVtbl->put_cmn_ResetTimerInterval(early_, &v), S_OK);
    EXPECT_EQ(v, value);
  }
  EXPECT_FALSE(Get(common_.Get(), L"cmn_ResetTimerInterval").Ok());
}

// ------------------------------------------------------- random numbers

TEST_F(ShellTest, RandomWholeNumbersLieBetweenOneAndTheMaximum) {
  struct Case {
    double max;
    double low, high;
  } const cases[] = {{1, 1, 1}, {0, 1, 1}, {0.5, 1, 1}, {6, 1, 6}, {1000.5, 1, 1001}};
  for (const Case& c : cases) {
    std::set<double> seen;
    for (int i = 0; i < 600; ++i) {
      double max = c.max;
      double value = 0;
      ASSERT_EQ(early_->lpVtbl->cmn_RandomizeNumber(early_, &max, &value), S_OK);
      ASSERT_EQ(max, c.max);
      ASSERT_EQ(value, std::floor(value));
      ASSERT_GE(value, c.low);
      ASSERT_LE(value, c.high);
      seen.insert(value);
    }
    if (c.max == 6) {
      EXPECT_EQ(seen.size(), 6u) << "every face of the die";
    }
  }
}

TEST_F(ShellTest, RandomNumberOfAnEndlessMaximumOverflows) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double max : {inf, -inf, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(Common(L"cmn_RandomizeNumber", {max}).ErrorNumber(), 6) << max;
}

}  // namespace
}  // namespace kb::support
