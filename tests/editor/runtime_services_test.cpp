// The runtime's clipboard and file dialog services on their own, as every
// routine that leans on them sees them.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/clipboard.h"
#include "runtime/common_dialog.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "tests/support/apartment.h"
#include "tests/support/file_dialog.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/runtime_checks.h"

namespace kb::rt {
namespace {

using support::ErrorOf;

// ------------------------------------------------------------- clipboard

TEST(Clipboard, TextRoundTripsWhatTheCodePageCannotHold) {
  const std::wstring text = L"\u00E6\u00F8\u00E5 \u0141\u00F3d\u017A \u4E2D\r\nlinje 2";
  ClipboardClear();
  ClipboardSetText(text);
  EXPECT_EQ(ClipboardGetText(), text);
  EXPECT_TRUE(ClipboardHasFormat(ClipFormat::kText));
  EXPECT_FALSE(ClipboardHasFormat(ClipFormat::kRtf));
  EXPECT_EQ(ClipboardGetText(ClipFormat::kRtf), L"");
}

TEST(Clipboard, FormatsStandSideBySideUntilCleared) {
  const std::wstring rtf = L"{\\rtf1\\ansi \\b fed\\b0  \\'e6\\par}";
  ClipboardClear();
  ClipboardSetText(L"fed", ClipFormat::kText);
  ClipboardSetText(rtf, ClipFormat::kRtf);
  EXPECT_EQ(ClipboardGetText(ClipFormat::kText), L"fed");
  EXPECT_EQ(ClipboardGetText(ClipFormat::kRtf), rtf);
  ClipboardSetText(L"ny", ClipFormat::kText);  // replaces its own format only
  EXPECT_EQ(ClipboardGetText(ClipFormat::kRtf), rtf);
  ClipboardClear();
  EXPECT_EQ(ClipboardGetText(ClipFormat::kText), L"");
  EXPECT_EQ(ClipboardGetText(ClipFormat::kRtf), L"");
}

TEST(Clipboard, OtherProgramsReadTheTextInTheirCodePage) {
  ClipboardClear();
  ClipboardSetText(L"K\u00E6re");
  ASSERT_TRUE(::OpenClipboard(nullptr));
  HANDLE data = ::GetClipboardData(CF_TEXT);
  const std::string ansi = data ? static_cast<const char*>(::GlobalLock(data)) : "";
  if (data) ::GlobalUnlock(data);
  ::CloseClipboard();
  EXPECT_EQ(ansi, "K\xE6re");
}

TEST(Clipboard, HeldClipboardRaisesCantOpenClipboard) {
  ClipboardClear();
  ClipboardSetText(L"bevares");
  {
    support::ClipboardHolder holder;
    EXPECT_EQ(ErrorOf([] { ClipboardSetText(L"x"); }), kErrCantOpenClipboard);
    EXPECT_EQ(ErrorOf([] { ClipboardClear(); }), kErrCantOpenClipboard);
  }
  EXPECT_EQ(ClipboardGetText(), L"bevares") << "nothing was lost";
}

// ------------------------------------------------------------ file dialog

class FileDialogTest : public ::testing::Test {
 protected:
  support::Apartment apartment_;
  support::MsgBoxRecorder boxes_;
  support::FileDialogDriver files_{boxes_};

  static std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
  }
};

TEST_F(FileDialogTest, ChosenNameAndFilterComeBack) {
  FileDialog dialog;
  dialog.dialogTitle = L"V\u00E6lg fil";
  dialog.filter = L"Tekst|*.txt|Alle|*.*";
  dialog.fileName = L"start.txt";
  const std::wstring chosen = TempFile(L"valgt.dat");
  files_.Answer({chosen, 2});
  dialog.ShowSave(nullptr);
  ASSERT_EQ(files_.Count(), 1u);
  EXPECT_EQ(files_.Records()[0].title, L"V\u00E6lg fil");
  EXPECT_EQ(files_.Records()[0].filters, (std::vector<std::wstring>{L"Tekst", L"Alle"}));
  EXPECT_EQ(files_.Records()[0].initialName, L"start.txt");
  EXPECT_EQ(::CompareStringOrdinal(dialog.fileName.c_str(), -1, chosen.c_str(), -1, TRUE),
            CSTR_EQUAL)
      << dialog.fileName;
  EXPECT_EQ(dialog.filterIndex, 2);
}

TEST_F(FileDialogTest, CancelRaisesOnlyWhenAskedTo) {
  for (bool cancelError : {false, true}) {
    FileDialog dialog;
    dialog.cancelError = cancelError;
    dialog.filter = L"Alle|*.*";
    dialog.fileName = L"u\u00E6ndret";
    dialog.filterIndex = 1;
    files_.Answer(support::FileDialogAnswer::Cancel());
    EXPECT_EQ(ErrorOf([&] { dialog.ShowOpen(nullptr); }), cancelError ? kErrDialogCancelled : 0);
    EXPECT_EQ(dialog.fileName, L"u\u00E6ndret") << cancelError;
    EXPECT_EQ(dialog.filterIndex, 1) << cancelError;
  }
}

}  // namespace
}  // namespace kb::rt
