// What the editor does with documents: starting a new one, saving to text
// and RTF files, opening files, and exchanging text with the clipboard.
#include <richedit.h>

#include <optional>

#include "runtime/handles.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/import_hook.h"
#include "tests/support/runtime_checks.h"

namespace kb::editor::test {
namespace {

using support::FileDialogAnswer;

// The editor's plain text as a text file holds it: the ANSI code page.
std::string Ansi(const std::wstring& text) {
  std::string bytes(text.size() * 2 + 1, '\0');
  const int n =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

bool IsRtf(const std::string& bytes) { return bytes.starts_with("{\\rtf"); }

// ------------------------------------------------------------------- NEW

TEST_F(EditorTest, NewClearsUnchangedTextWithoutAsking) {
  Open();
  Ui().Type(L"abc");
  Ui().PressKey(VK_SHIFT);  // the snapshot now holds all of "abc"
  Ui().Click(L"NEW");
  EXPECT_EQ(Ui().Text(), L"");
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_EQ(::GetFocus(), Ui().Editor());
}

TEST_F(EditorTest, NewAsksWhenTheTextDiffersFromTheSnapshot) {
  Open();
  Ui().Type(L"abc");  // the snapshot was taken before the "c"
  boxes_.Answer(IDCANCEL);
  Ui().Click(L"NEW");
  const auto shown = MessageBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, kSaveQuestion);
  EXPECT_EQ(shown[0].title, kSaveQuestionTitle);
  EXPECT_EQ(shown[0].Style(), 51u);
  EXPECT_EQ(Ui().Text(), L"abc") << "Cancel keeps the document";
  EXPECT_EQ(files_.Count(), 0u);
}

TEST_F(EditorTest, NewAsksAfterAHandedInDocumentAndAfterAToolbarPaste) {
  Open(kSampleRtf, L"Brev");
  Ui().Click(L"NEW");  // nothing typed: the snapshot is empty
  EXPECT_EQ(MessageBoxes().size(), 1u);

  Ui().Type(L"x");
  Ui().PressKey(VK_SHIFT);
  PutClipboardUnicode(L"indsat");
  Ui().Click(L"PASTE");
  Ui().Click(L"NEW");
  EXPECT_EQ(MessageBoxes().size(), 2u);
}

struct NewCase {
  const char* name;
  int answer;
  std::optional<FileDialogAnswer> saveAs;
  const wchar_t* textAfter;
  const char* fileAfter;  // the saved file's bytes; "<missing>" when nothing was saved
};

TEST_F(EditorTest, NewQuestionHasThreeAnswers) {
  const NewCase kCases[] = {
      {"yes, saved as text", IDYES, FileDialogAnswer{L"", 1}, L"", "Hej"},
      {"yes, Save As cancelled", IDYES, FileDialogAnswer::Cancel(), L"", "<missing>"},
      {"no", IDNO, std::nullopt, L"", "<missing>"},
      {"cancel", IDCANCEL, std::nullopt, L"Hej", "<missing>"},
  };
  int n = 0;
  for (const NewCase& c : kCases) {
    const std::wstring file = Path(L"ny" + std::to_wstring(++n) + L".txt");
    Open();
    Ui().Type(L"Hej");
    boxes_.Answer(c.answer);
    if (c.saveAs) {
      FileDialogAnswer answer = *c.saveAs;
      answer.fileName = file;
      files_.Answer(answer);
    }
    const size_t dialogsBefore = files_.Count();
    Ui().Click(L"NEW");
    EXPECT_EQ(files_.Count() - dialogsBefore, c.saveAs ? 1u : 0u) << c.name;
    EXPECT_EQ(Ui().Text(), c.textAfter) << c.name;
    EXPECT_EQ(ReadBytes(file), c.fileAfter) << c.name;
    Form().Unload();
  }
}

TEST_F(EditorTest, NewAnsweredYesSavesAnExistingFileWithoutAsking) {
  Open();
  Ui().Type(L"Hej");
  files_.Answer({Path(L"brev.rtf"), 2});
  Ui().Click(L"SAVE");
  Ui().Type(L" igen");
  boxes_.Answer(IDYES);
  Ui().Click(L"NEW");
  EXPECT_EQ(files_.Count(), 1u);
  const std::string saved = ReadBytes(Path(L"brev.rtf"));
  EXPECT_TRUE(IsRtf(saved)) << saved;
  EXPECT_NE(saved.find("Hej igen"), std::string::npos) << saved;
  EXPECT_EQ(Ui().Text(), L"");
}

// ------------------------------------------------------------------ SAVE

TEST_F(EditorTest, FirstSaveAsksWithItsTitleFiltersAndFlags) {
  const std::wstring existing = Path(L"findes.txt");
  WriteBytes(existing, "gammel");
  wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, before);
  Open();
  Ui().Type(L"Hej");
  files_.Answer({existing, 1});
  boxes_.Answer(IDYES);  // the overwrite question
  Ui().Click(L"SAVE");
  ASSERT_EQ(files_.Count(), 1u);
  const auto& dialog = files_.Records()[0];
  EXPECT_EQ(dialog.title, kSaveAsTitle);
  EXPECT_EQ(dialog.filters,
            (std::vector<std::wstring>{L"Tekstfiler", L"RTF-Filer", L"Alle Filer (*.*)"}));
  EXPECT_FALSE(dialog.readOnlyBoxShown);
  ASSERT_EQ(MessageBoxes().size(), 1u) << "asked before overwriting";
  EXPECT_TRUE(MessageBoxes()[0].HasButton(IDYES));
  EXPECT_EQ(ReadBytes(existing), "Hej");
  ::GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(after, before) << "the current folder is kept";
}

TEST_F(EditorTest, CancelledSaveAsIsQuiet) {
  Open();
  Ui().Type(L"Hej");
  files_.Answer(FileDialogAnswer::Cancel());
  Ui().Click(L"SAVE");
  EXPECT_EQ(files_.Count(), 1u);
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_EQ(Ui().Text(), L"Hej");
  EXPECT_EQ(::GetFocus(), Ui().Editor());
}

struct SaveCase {
  int filterIndex;
  bool rtf;
};

TEST_F(EditorTest, LaterSavesWriteTheSameFileInTheChosenFormat) {
  const SaveCase kCases[] = {{1, false}, {2, true}, {3, true}};
  for (const SaveCase& c : kCases) {
    // No extension is added to the name typed.
    const std::wstring file = Path(L"dokument" + std::to_wstring(c.filterIndex));
    Open();
    const size_t dialogsBefore = files_.Count();
    Ui().Type(L"F\u00F8rste");
    files_.Answer({file, c.filterIndex});
    Ui().Click(L"SAVE");
    const std::string first = ReadBytes(file);
    EXPECT_EQ(IsRtf(first), c.rtf) << c.filterIndex << ": " << first;
    if (!c.rtf) {
      EXPECT_EQ(first, Ansi(L"F\u00F8rste"));
    }

    Ui().Type(L" og anden");
    Ui().Click(L"SAVE");
    EXPECT_EQ(files_.Count() - dialogsBefore, 1u) << c.filterIndex << ": no second dialog";
    const std::string second = ReadBytes(file);
    EXPECT_EQ(IsRtf(second), c.rtf) << c.filterIndex;
    if (c.rtf) {
      EXPECT_NE(second.find("F\\'f8rste og anden"), std::string::npos) << second;
    } else {
      EXPECT_EQ(second, Ansi(L"F\u00F8rste og anden"));
    }
    Form().Unload();
  }
}

TEST_F(EditorTest, SaveAfterNewAsksAgain) {
  Open();
  Ui().Type(L"Et");
  files_.Answer({Path(L"et.txt"), 1});
  Ui().Click(L"SAVE");
  Ui().Click(L"NEW");  // unchanged since the save: no question
  Ui().Type(L"To");
  files_.Answer({Path(L"to.txt"), 1});
  Ui().Click(L"SAVE");
  EXPECT_EQ(files_.Count(), 2u);
  EXPECT_EQ(ReadBytes(Path(L"et.txt")), "Et");
  EXPECT_EQ(ReadBytes(Path(L"to.txt")), "To");
}

TEST_F(EditorTest, SaveAfterACancelledSaveAsIsAFirstSaveAgain) {
  Open();
  Ui().Type(L"Hej");
  files_.Answer(FileDialogAnswer::Cancel());
  Ui().Click(L"SAVE");
  files_.Answer({Path(L"senere.txt"), 1});
  Ui().Click(L"SAVE");
  EXPECT_EQ(files_.Count(), 2u);
  EXPECT_EQ(ReadBytes(Path(L"senere.txt")), "Hej");
  EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(EditorTest, DocumentThatWasNotSavedStillCountsAsChanged) {
  Open();
  Ui().Type(L"Hej");  // the snapshot holds "He"
  files_.Answer(FileDialogAnswer::Cancel());
  Ui().Click(L"SAVE");
  boxes_.Answer(IDCANCEL);
  Ui().Click(L"NEW");
  EXPECT_EQ(MessageBoxes().size(), 1u) << "NEW still offers to save";
  EXPECT_EQ(Ui().Text(), L"Hej");
}

TEST_F(EditorTest, FileThatCannotBeWrittenIsReportedAndTheDocumentKept) {
  const std::wstring folder = Path(L"mappe\\");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  Open();
  Ui().Type(L"Hej");
  files_.Answer({folder + L"brev.txt", 1});
  Ui().Click(L"SAVE");
  ASSERT_EQ(ReadBytes(folder + L"brev.txt"), "Hej");
  ::DeleteFileW((folder + L"brev.txt").c_str());
  ::RemoveDirectoryW(folder.c_str());

  Ui().Type(L" igen");
  Ui().Click(L"SAVE");
  ASSERT_EQ(MessageBoxes().size(), 1u);
  EXPECT_EQ(MessageBoxes()[0].text, L"Fejl 76: Path not found");
  EXPECT_EQ(MessageBoxes()[0].Style(), static_cast<UINT>(MB_OK | MB_ICONHAND));
  EXPECT_TRUE(Form().IsLoaded());

  boxes_.Answer({IDYES, IDOK});
  Ui().Click(L"NEW");  // Yes: the save fails again, so the text stays
  ASSERT_EQ(MessageBoxes().size(), 3u);
  EXPECT_EQ(MessageBoxes()[2].text, L"Fejl 76: Path not found");
  EXPECT_EQ(Ui().Text(), L"Hej igen");
}

// A disk that fills up while the document is written.
BOOL WINAPI DiskFull(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
  if (written) *written = 0;
  ::SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

TEST_F(EditorTest, ASaveThatFailsMidwayLeavesTheFileAsItWas) {
  const std::wstring folder = Path(L"fuld\\");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring file = folder + L"brev.txt";
  WriteBytes(file, "gammel tekst");
  Open();
  files_.Answer({file, 0});
  Ui().Click(L"OPEN");
  Ui().Select(0, 0);
  Ui().Type(L"ny ");
  {
    const support::ImportHook hook(::GetModuleHandleW(nullptr), "kernel32.dll", "WriteFile",
                                   &DiskFull);
    Ui().Click(L"SAVE");
  }
  ASSERT_EQ(MessageBoxes().size(), 1u);
  EXPECT_EQ(MessageBoxes()[0].text, L"Fejl 61: Disk full");
  EXPECT_EQ(ReadBytes(file), "gammel tekst");
  // Nothing of the failed save is left beside it.
  WIN32_FIND_DATAW found;
  std::vector<std::wstring> names;
  const FindHandle search(::FindFirstFileW((folder + L"*").c_str(), &found));
  if (search) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileW(search.Get(), &found));
  }
  EXPECT_EQ(names, std::vector<std::wstring>{L"brev.txt"});
  Ui().Click(L"SAVE");  // the disk has room again
  EXPECT_EQ(ReadBytes(file), "ny gammel tekst");
  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

// ------------------------------------------------------------------ OPEN

TEST_F(EditorTest, OpenLoadsATextFileAndSavesBackToIt) {
  const std::wstring file = Path(L"brev.txt");
  WriteBytes(file, Ansi(L"K\u00E6re kunde\r\nTak"));
  Open();
  files_.Answer({file, 0});
  Ui().Click(L"OPEN");
  ASSERT_EQ(files_.Count(), 1u);
  EXPECT_EQ(files_.Records()[0].title, kOpenTitle);
  EXPECT_EQ(Ui().Text(), L"K\u00E6re kunde\r\nTak");

  Ui().Click(L"NEW");  // unchanged since it was opened: no question
  EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(EditorTest, OpenedFilesAreSavedBackInTheirOwnFormat) {
  const std::wstring text = Path(L"a.txt"), rtf = Path(L"b.rtf");
  WriteBytes(text, "tekst");
  WriteBytes(rtf, "{\\rtf1\\ansi fed \\b skrift\\b0\\par}");
  Open();
  files_.Answer({rtf, 0});
  Ui().Click(L"OPEN");
  EXPECT_NE(Ui().CharFormatAt(5).dwEffects & CFE_BOLD, 0u);
  Ui().Type(L"!");
  Ui().Click(L"SAVE");
  EXPECT_TRUE(IsRtf(ReadBytes(rtf)));

  boxes_.Answer(IDNO);
  files_.Answer({text, 0});
  Ui().Click(L"OPEN");
  Ui().Select(0, 0);
  Ui().Type(L"ny ");
  Ui().Click(L"SAVE");
  EXPECT_EQ(ReadBytes(text), "ny tekst");
  EXPECT_EQ(files_.Count(), 2u) << "no Save As for opened files";
}

TEST_F(EditorTest, OpenCancelledOrRefusedKeepsTheDocument) {
  Open();
  Ui().Type(L"Hej");
  boxes_.Answer(IDCANCEL);
  Ui().Click(L"OPEN");  // the document changed: asked first, and cancelled
  EXPECT_EQ(files_.Count(), 0u);
  boxes_.Answer(IDNO);
  files_.Answer(FileDialogAnswer::Cancel());
  Ui().Click(L"OPEN");
  EXPECT_EQ(files_.Count(), 1u);
  EXPECT_EQ(Ui().Text(), L"Hej");
}

// ------------------------------------------------------------- clipboard

TEST_F(EditorTest, CopyAndCutPutTheSelectionOnTheClipboardAsRtfAndText) {
  for (const wchar_t* key : {L"COPY", L"CUT"}) {
    Open(kSampleRtf, L"x");
    PutClipboardUnicode(L"gammelt");
    Ui().Select(4, 10);
    Ui().Click(key);
    EXPECT_EQ(ClipboardUnicode(), L"verden") << key;
    const std::string rtf = ClipboardRtf();
    EXPECT_TRUE(IsRtf(rtf)) << rtf;
    EXPECT_NE(rtf.find("\\b"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("verden"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("Hej"), std::string::npos) << rtf;
    EXPECT_EQ(Ui().Text(), key == std::wstring(L"CUT") ? L"Hej \r\nMidt" : L"Hej verden\r\nMidt");
    Form().Unload();
  }
}

TEST_F(EditorTest, PasteInsertsCopiedRichTextWithItsFormatting) {
  Open(kSampleRtf, L"x");
  Ui().Select(4, 10);
  Ui().Click(L"COPY");
  Ui().Select(15, 15);  // after "Midt"
  Ui().Click(L"PASTE");
  EXPECT_EQ(Ui().Text(), L"Hej verden\r\nMidtverden");
  EXPECT_NE(Ui().CharFormatAt(16).dwEffects & CFE_BOLD, 0u);
  EXPECT_EQ(Ui().CharFormatAt(14).dwEffects & CFE_BOLD, 0u);
}

TEST_F(EditorTest, PasteOfPlainTextReplacesTheSelection) {
  Open(kSampleRtf, L"x");
  PutClipboardUnicode(L"alle \u00E6\u00F8\u00E5");
  Ui().Select(4, 10);
  Ui().Click(L"PASTE");
  EXPECT_EQ(Ui().Text(), L"Hej alle \u00E6\u00F8\u00E5\r\nMidt");
}

TEST_F(EditorTest, PasteWithoutTextOnTheClipboardDoesNothing) {
  Open(kSampleRtf, L"x");
  Ui().Select(0, 3);
  Ui().Click(L"PASTE");
  EXPECT_EQ(Ui().Text(), L"Hej verden\r\nMidt");
}

TEST_F(EditorTest, ClipboardThatCannotBeOpenedIsReported) {
  Open(kSampleRtf, L"x");
  {
    support::ClipboardHolder holder;
    Ui().Select(0, 3);
    Ui().Click(L"CUT");
  }
  ASSERT_EQ(MessageBoxes().size(), 1u);
  EXPECT_EQ(MessageBoxes()[0].text, L"Fejl 521: Can't open Clipboard");
  EXPECT_TRUE(Form().IsLoaded());
  EXPECT_EQ(Ui().Text(), L"Hej verden\r\nMidt") << "nothing cut";
}

}  // namespace
}  // namespace kb::editor::test
