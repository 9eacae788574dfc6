// The dialog helpers with the real dialogs answered by the test: the shell's
// folder browser, and the system's Open dialog behind a model common dialog
// control that answers as the client's control does (the folder and the
// short names of the chosen files, separated by spaces).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/support/apartment.h"
#include "tests/support/common_dialog.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/file_dialog.h"
#include "tests/support/folder_browser.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/msgbox_recorder.h"

namespace kb::support {
namespace {

constexpr long kMultipleOpenFlags = 0x1204;
constexpr long kPresetFlags = 2103566;

// A folder of its own under the temporary folder, removed with its files.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const auto& file : files_) ::DeleteFileW(file.c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
    ::RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& Path() const { return path_; }
  std::wstring AddFolder(const std::wstring& name) {
    folders_.push_back(path_ + L"\\" + name);
    ::CreateDirectoryW(folders_.back().c_str(), nullptr);
    return folders_.back();
  }
  std::wstring AddFile(const std::wstring& name) {
    files_.push_back(path_ + L"\\" + name);
    ::CloseHandle(::CreateFileW(files_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return files_.back();
  }

 private:
  std::wstring path_;
  std::vector<std::wstring> folders_;
  std::vector<std::wstring> files_;
};

// The current folder, put back afterwards: the Open dialog moves it.
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    folder_ = folder;
  }
  ~CurrentFolderKeeper() { ::SetCurrentDirectoryW(folder_.c_str()); }

 private:
  std::wstring folder_;
};

class DialogTest : public ::testing::Test {
 protected:
  CallResult Common(const wchar_t* member, std::vector<Arg> args) {
    return CallMethod(common_.Get(), member, std::move(args));
  }
  long FormHandle() { return static_cast<long>(reinterpret_cast<LONG_PTR>(form_->Hwnd())); }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::ComPtr<Form> form_ = Make<Form>();
  MsgBoxRecorder recorder_;
};

// ------------------------------------------------------------ folder browser

class BrowseTest : public DialogTest {
 protected:
  FolderBrowserDriver browser_{recorder_};
  ScratchFolder scratch_{L"kitbag_browse_"};
};

TEST_F(BrowseTest, TheChosenFolderWithOrWithoutItsSlash) {
  const std::wstring data = scratch_.AddFolder(L"Første data");
  struct Case {
    std::vector<Arg> slash;  // none: the default
    std::wstring expected;
  };
  const Case cases[] = {{{}, data + L"\\"}, {{true}, data + L"\\"}, {{false}, data}};
  for (const Case& c : cases) {
    browser_.Answer({data});
    std::vector<Arg> args = {FormHandle(), L"Vælg en mappe"};
    args.insert(args.end(), c.slash.begin(), c.slash.end());
    const CallResult r = Common(L"cmn_Browse4Folder", std::move(args));
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.Text(), c.expected);
  }
  ASSERT_EQ(browser_.Records().size(), 3u);
  EXPECT_EQ(browser_.Records()[0].prompt, L"Vælg en mappe");
  EXPECT_EQ(browser_.Records()[0].owner, form_->Hwnd());
}

TEST_F(BrowseTest, OnlyExactlyTrueAddsTheSlash) {
  // A compiled client can pass any 16-bit value as the Boolean.
  const std::wstring data = scratch_.AddFolder(L"Data");
  _clsCommon* early = Early<_clsCommon>(common_);
  kb::Bstr title(L"Mappe");
  for (auto [slash, expected] :
       {std::pair{VARIANT_BOOL{1}, data}, std::pair{VARIANT_TRUE, data + L"\\"}}) {
    browser_.Answer({data});
    BSTR result = nullptr;
    ASSERT_EQ(early->lpVtbl->cmn_Browse4Folder(early, FormHandle(), title.Ref(), &slash, &result),
              S_OK);
    const kb::Bstr folder(result);
    EXPECT_EQ(folder.View(), expected) << slash;
  }
}

TEST_F(BrowseTest, ADriveRootEndsInItsSlashEitherWay) {
  for (bool slash : {true, false}) {
    browser_.Answer({L"C:\\"});
    EXPECT_EQ(Common(L"cmn_Browse4Folder", {0, L"Drev", slash}).Text(), L"C:\\");
  }
}

TEST_F(BrowseTest, ACancelledBrowseGivesTheEmptyText) {
  for (bool slash : {true, false}) {
    browser_.Answer(FolderAnswer::Cancel());
    const CallResult r = Common(L"cmn_Browse4Folder", {FormHandle(), L"Mappe", slash});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.value.Type(), VT_BSTR);
    EXPECT_EQ(r.Text(), L"");
  }
  EXPECT_EQ(browser_.Records().size(), 2u);
}

// -------------------------------------------------------------- file dialog

class MultipleFilesTest : public DialogTest {
 protected:
  MultipleFilesTest() {
    dialog_ = form_->Add<CommonDialog>(L"cdlFiler");
    EXPECT_TRUE(Put(dialog_->Disp(), L"InitDir", scratch_.Path()).Ok());
    scratch_.AddFile(L"Første rapport.txt");
    scratch_.AddFile(L"budget 2026.txt");
    scratch_.AddFile(L"b.txt");
  }
  CallResult Choose(const std::wstring& typed, std::vector<Arg> more = {}) {
    files_.Answer({typed});
    std::vector<Arg> args = {dialog_->Disp(), L"Vælg filer"};
    args.insert(args.end(), more.begin(), more.end());
    return Common(L"cmn_MultipleFileCmnDialog", std::move(args));
  }

  CurrentFolderKeeper keeper_;
  ScratchFolder scratch_{L"kitbag_files_"};
  FileDialogDriver files_{recorder_};
  kb::ComPtr<CommonDialog> dialog_;
};

TEST_F(MultipleFilesTest, TheChosenFilesLongNamesJoinedByTheDelimiter) {
  const CallResult r = Choose(L"\"Første rapport.txt\" \"budget 2026.txt\"");
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(r.Text(), L"Første rapport.txt;budget 2026.txt");
  EXPECT_NE(dialog_->FileName().find(L' '), std::wstring::npos) << "what the control answered";
  EXPECT_EQ(dialog_->ShownFlags(), kMultipleOpenFlags);
  ASSERT_EQ(files_.Count(), 1u);
  EXPECT_EQ(files_.Records()[0].title, L"Vælg filer");
  EXPECT_EQ(files_.Records()[0].filters, std::vector<std::wstring>{L"Alle Filer"});
}

TEST_F(MultipleFilesTest, DelimitersOfOneAndTwoCharacters) {
  const std::wstring two = L"\"b.txt\" \"budget 2026.txt\"";
  EXPECT_EQ(Choose(two, {L"Tekst|*.txt", L","}).Text(), L"b.txt,budget 2026.txt");
  EXPECT_EQ(files_.Records().back().filters, std::vector<std::wstring>{L"Tekst"});
  EXPECT_EQ(Choose(two, {L"Alle|*.*", L";;"}).Text(), L"b.txt;;budget 2026.txt;")
      << "only the last character goes";
}

TEST_F(MultipleFilesTest, OneChosenFileGivesItsWholeLongName) {
  const CallResult r = Choose(L"Første rapport.txt");
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(r.Text(), scratch_.Path() + L"\\Første rapport.txt");
}

TEST_F(MultipleFilesTest, CancellingGivesTheEmptyTextOrTheControlsError) {
  ASSERT_EQ(Choose(L"\"b.txt\" \"budget 2026.txt\"").Text(), L"b.txt;budget 2026.txt");
  files_.Answer(FileDialogAnswer::Cancel());
  const CallResult r = Common(L"cmn_MultipleFileCmnDialog", {dialog_->Disp(), L"Igen"});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(r.Text(), L"") << "not the earlier choice again";

  ASSERT_TRUE(Put(dialog_->Disp(), L"CancelError", true).Ok());
  files_.Answer(FileDialogAnswer::Cancel());
  EXPECT_EQ(Common(L"cmn_MultipleFileCmnDialog", {dialog_->Disp(), L"Igen"}).ErrorNumber(), 32755);
}

TEST_F(MultipleFilesTest, NotACommonDialog) {
  auto label = form_->AddLabel(L"lblFiler");
  EXPECT_EQ(Common(L"cmn_MultipleFileCmnDialog", {label->Disp(), L"x"}).ErrorNumber(), 438);
  EXPECT_EQ(Common(L"cmn_MultipleFileCmnDialog", {L"cdlFiler", L"x"}).ErrorNumber(), 424);
  EXPECT_EQ(files_.Count(), 0u);
}

// ------------------------------------------------------------------ flags

TEST_F(DialogTest, TheFlagsPresetReplacesWhatWasSet) {
  auto dialog = form_->Add<CommonDialog>(L"cdlGem");
  ASSERT_TRUE(Put(dialog->Disp(), L"Flags", 0x80000L).Ok());
  kb::ComPtr<IDispatch> disp(dialog->Disp());
  _clsCommon* early = Early<_clsCommon>(common_);
  IDispatch* raw = disp.Get();
  ASSERT_EQ(early->lpVtbl->cmn_CommonDialogFlags(early, &raw), S_OK);
  EXPECT_EQ(dialog->Flags(), kPresetFlags);
  EXPECT_EQ(dialog->Shown(), 0) << "nothing is shown";
  auto label = form_->AddLabel(L"lblGem");
  EXPECT_EQ(Common(L"cmn_CommonDialogFlags", {label->Disp()}).ErrorNumber(), 438);
}

}  // namespace
}  // namespace kb::support
