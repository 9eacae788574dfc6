// File operations called early bound: the shell's copy with its overwrite
// question answered, log lines, text files loaded into a real text box, and
// a real list box filled with a folder's listing.  Message boxes are read and
// answered by the recorder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/handles.h"
#include "tests/files/file_tree.h"
#include "tests/files/files_test.h"
#include "tests/frame/frame_test.h"
#include "tests/support/forms.h"
#include "tests/support/msgbox_recorder.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kb::support::MsgBoxRecorder;
using kbtest::FileTree;
using namespace kbtest;

Apartment apartment;

constexpr UINT kCritical = MB_OK | MB_ICONHAND;
constexpr wchar_t kNotFound[] = L"Stien du har angivet er ikke gyldig, filen blev ikke fundet!";
constexpr wchar_t kLoadFailed[] = L"Der opstod en fejl under indl\u00E6sningen af filen.";

bool AllDigits(const std::wstring& text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(iswdigit(text[i]) || (i == 0 && text[i] == L'-'))) return false;
  return true;
}

class FileOperations : public CommonTest {
 protected:
  HRESULT Copy(const std::wstring& source, const std::wstring& dest) {
    Bstr s(source), d(dest);
    BSTR rawSource = s.Get(), rawDest = d.Get();
    return o_->lpVtbl->cmn_CopyFile(o_, &rawSource, &rawDest);
  }
  std::wstring WriteLog(const std::wstring& file, const std::wstring& text) {
    Bstr f(file), t(text);
    BSTR rawFile = f.Get(), rawText = t.Get();
    const HRESULT hr = o_->lpVtbl->cmn_WriteLog(o_, &rawFile, &rawText);
    return FAILED(hr) ? Failure(hr) : L"ok";
  }
  HRESULT Load(VARIANT* box, const std::wstring& file) {
    Bstr f(file);
    BSTR raw = f.Get();
    return o_->lpVtbl->cmn_OpenTextFile(o_, box, &raw);
  }
  HRESULT Load(IDispatch* box, const std::wstring& file) {
    Variant v;
    V_VT(v.Get()) = VT_DISPATCH;
    V_DISPATCH(v.Get()) = box;
    box->AddRef();
    return Load(v.Get(), file);
  }
  long FreeFile() {
    long number = 0;
    o_->lpVtbl->cmn_FreeFile(o_, &number);
    return number;
  }

  FileTree tree_{L"ops"};
  MsgBoxRecorder boxes_;
};

// ---- copying -------------------------------------------------------------------------

TEST_F(FileOperations, CopyToANewPlaceAsksNothing) {
  tree_.Bytes(L"kilde\\\u00E6ble.txt", "first");
  tree_.Bytes(L"kilde\\p\u00E6re.txt", "second");
  tree_.Bytes(L"kilde\\other.dat", "third");
  EXPECT_EQ(S_OK, Copy(tree_.Path(L"kilde\\\u00E6ble.txt"), tree_.Path(L"m\u00E5l\\kopi.txt")));
  EXPECT_EQ("first", tree_.Read(L"m\u00E5l\\kopi.txt"));
  // A pattern copies every file it matches; the target folder is made.
  EXPECT_EQ(S_OK, Copy(tree_.Path(L"kilde\\*.txt"), tree_.Path(L"alle")));
  EXPECT_EQ("first", tree_.Read(L"alle\\\u00E6ble.txt"));
  EXPECT_EQ("second", tree_.Read(L"alle\\p\u00E6re.txt"));
  EXPECT_FALSE(tree_.Exists(L"alle\\other.dat"));
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(FileOperations, OverwritingIsTheShellsQuestion) {
  tree_.Bytes(L"new.txt", "new");
  tree_.Bytes(L"old.txt", "old");
  boxes_.Answer(IDYES);
  EXPECT_EQ(S_OK, Copy(tree_.Path(L"new.txt"), tree_.Path(L"old.txt")));
  ASSERT_EQ(1u, boxes_.Count());  // the shell's own question, nothing of ours
  EXPECT_TRUE(boxes_.Last().HasButton(IDYES));
  EXPECT_EQ("new", tree_.Read(L"old.txt"));

  // Cancelled (the question shows no Cancel button to press, so the dialog
  // is told as the Escape key tells it): the shell's failure code comes
  // back, and the number the system left as its last error is told.
  tree_.Bytes(L"old.txt", "old");
  boxes_.Clear();
  boxes_.SetDriver([](HWND dialog, const kb::support::DialogRecord& record) {
    // The shell's question, in the locale's language; ours carry the
    // library's title.
    if (record.title == L"Kitbag") return false;
    MsgBoxRecorder::PostCommand(dialog, IDCANCEL);
    return true;
  });
  boxes_.Answer(IDOK);
  EXPECT_EQ(S_OK, Copy(tree_.Path(L"new.txt"), tree_.Path(L"old.txt")));
  ASSERT_EQ(2u, boxes_.Count());
  const auto& told = boxes_.Records()[1];
  EXPECT_TRUE(AllDigits(told.text)) << told.text.size();
  EXPECT_EQ(kCritical, told.Style());
  EXPECT_EQ(L"Kitbag", told.title);
  EXPECT_EQ("old", tree_.Read(L"old.txt"));
}

TEST_F(FileOperations, AMissingSourceIsTold) {
  boxes_.Answer(IDOK);
  EXPECT_EQ(S_OK, Copy(tree_.Path(L"missing.txt"), tree_.Path(L"copy.txt")));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_TRUE(AllDigits(boxes_.Last().text));
  EXPECT_EQ(kCritical, boxes_.Last().Style());
  EXPECT_FALSE(tree_.Exists(L"copy.txt"));
}

// ---- log lines -------------------------------------------------------------------------

TEST_F(FileOperations, TheLogHoldsTheLastLineOnly) {
  const std::wstring log = tree_.Path(L"k\u00F8rsel.log");
  EXPECT_EQ(L"ok", WriteLog(log, L"f\u00F8rste linje"));
  EXPECT_EQ(L"ok", WriteLog(log, L"\u00C6ndret \u0100"));
  EXPECT_EQ("\xC6ndret ?\r\n", tree_.Read(L"k\u00F8rsel.log"));
  EXPECT_EQ(L"ok", WriteLog(log, L""));
  EXPECT_EQ("\r\n", tree_.Read(L"k\u00F8rsel.log"));
  EXPECT_EQ(1, FreeFile());
}

TEST_F(FileOperations, LogFailuresAreTheCallersAndCloseTheFile) {
  tree_.Bytes(L"locked.log", "kept");
  kb::Handle holder(::CreateFileW(tree_.Path(L"locked.log").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  struct Case {
    std::wstring file;
    const wchar_t* outcome;
  };
  const Case cases[] = {
      {tree_.Path(L"no folder\\x.log"), L"#76"},
      {tree_.Path(L"locked.log"), L"#70"},
      {L"", L"#52"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.outcome, WriteLog(c.file, L"line")) << c.file.size();
    EXPECT_EQ(1, FreeFile());
  }
  holder.Reset();
  EXPECT_EQ("kept", tree_.Read(L"locked.log"));
}

// ---- text files into a text box -------------------------------------------------------

class TextBoxLoading : public FileOperations {
 protected:
  kb::ComPtr<kb::support::Form> form_ = kb::support::Make<kb::support::Form>();
  kb::ComPtr<kb::support::TextBox> box_ =
      form_->AddTextBox(L"txtView", {{8, 8, 300, 200}, true, L"old text"});
};

TEST_F(TextBoxLoading, LinesBecomeTheText) {
  struct Case {
    std::string bytes;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"A\r\n\r\nB\r\n", L"A\r\n\r\nB"},
      {"A\r\n\r\nB", L"A\r\n\r\nB"},
      {"\r\nC\r\n", L"C"},  // empty lines before the first text do not show
      {"\r\n\r\n", L""},
      {"X\rY\r\n", L"X\r\nY"},  // a lone CR ends a line too
      {"\xE6\xF8\xE5 \xC6\xD8\xC5", L"\u00E6\u00F8\u00E5 \u00C6\u00D8\u00C5"},
      {"", L""},
  };
  for (const auto& c : cases) {
    tree_.Bytes(L"fil.txt", c.bytes);
    EXPECT_EQ(S_OK, Load(box_.Get(), tree_.Path(L"fil.txt")));
    EXPECT_EQ(c.text, box_->Text()) << c.bytes;
  }
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(1, FreeFile());
}

TEST_F(TextBoxLoading, TroubleIsToldAndTheBoxKept) {
  tree_.Bytes(L"fil.txt", "line\r\n");
  struct Case {
    const wchar_t* file;
    bool boxIsObject;
    const wchar_t* told;
  };
  const Case cases[] = {
      {L"missing.txt", true, kNotFound},
      {L"no folder\\missing.txt", true, kLoadFailed},  // path not found: 76
      {L"fil.txt", false, kLoadFailed},                // no object to put the text in
  };
  for (const auto& c : cases) {
    boxes_.Clear();
    boxes_.Answer(IDOK);
    Variant notABox = Variant::FromText(Bstr(L"text"));
    const HRESULT hr = c.boxIsObject ? Load(box_.Get(), tree_.Path(c.file))
                                     : Load(notABox.Get(), tree_.Path(c.file));
    EXPECT_EQ(S_OK, hr);
    ASSERT_EQ(1u, boxes_.Count()) << c.file;
    EXPECT_EQ(c.told, boxes_.Last().text);
    EXPECT_EQ(kCritical, boxes_.Last().Style());
    EXPECT_EQ(L"Kitbag", boxes_.Last().title);
    EXPECT_EQ(L"old text", box_->Text());
    // A file that was open is closed again: its number is free, and it can
    // be replaced.
    EXPECT_EQ(1, FreeFile());
  }
  EXPECT_TRUE(::DeleteFileW(tree_.Path(L"fil.txt").c_str()));
}

TEST_F(TextBoxLoading, AnObjectWithoutTextKeepsWhatWasPutInTheBox) {
  tree_.Bytes(L"fil.txt", "line\r\n");
  auto label = form_->AddLabel(L"lblView", {{8, 220, 100, 17}, L"caption"});
  boxes_.Answer(IDOK);
  EXPECT_EQ(S_OK, Load(label.Get(), tree_.Path(L"fil.txt")));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(kLoadFailed, boxes_.Last().text);
  EXPECT_EQ(L"caption", label->Caption());
  EXPECT_EQ(1, FreeFile());
}

// ---- a list box filled with a listing -----------------------------------------------------

class ListBoxFilling : public FileOperations {
 protected:
  ListBoxFilling() {
    tree_.File(L"a.txt", 1);
    tree_.File(L"\u00E6ble.doc", 1);
    tree_.File(L"h.txt", 1);
    tree_.Hide(L"h.txt");
    tree_.File(L"r.txt", 1);
    ::SetFileAttributesW(tree_.Path(L"r.txt").c_str(),
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    tree_.Folder(L"sub");
  }
  ~ListBoxFilling() override {
    ::SetFileAttributesW(tree_.Path(L"r.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  std::vector<std::wstring> Fill(IDispatch* box, const std::wstring& path, long what) {
    Variant v;
    V_VT(v.Get()) = VT_DISPATCH;
    V_DISPATCH(v.Get()) = box;
    box->AddRef();
    Bstr p(path);
    BSTR raw = p.Get();
    const HRESULT hr = o_->lpVtbl->cmn_FillFileSystem(o_, v.Get(), &raw, &what);
    if (FAILED(hr)) return {Failure(hr)};
    return list_->Items();
  }
  // What the list box itself lists for an attribute word and a pattern.
  std::vector<std::wstring> Listing(WPARAM attributes, const std::wstring& pattern) {
    ::SendMessageW(check_->Hwnd(), LB_RESETCONTENT, 0, 0);
    ::SendMessageW(check_->Hwnd(), LB_DIR, attributes, reinterpret_cast<LPARAM>(pattern.c_str()));
    return check_->Items();
  }
  static bool Has(const std::vector<std::wstring>& items, const wchar_t* item) {
    for (const auto& i : items)
      if (i == item) return true;
    return false;
  }

  kb::ComPtr<kb::support::Form> form_ = kb::support::Make<kb::support::Form>();
  kb::ComPtr<kb::support::ListBox> list_ = form_->AddListBox(L"lstFiles");
  kb::ComPtr<kb::support::ListBox> check_ = form_->AddListBox(L"lstCheck");
};

TEST_F(ListBoxFilling, EachKindListsWhatItsAttributeWordAsksFor) {
  struct Case {
    long what;
    WPARAM word;
  };
  const Case cases[] = {{0, 0xFFFF8020u}, {1, 0xFFFF8030u}, {2, 0xFFFF8002u}, {3, 0xFFFF8010u},
                        {4, 0xFFFFC000u}, {9, 0},           {-1, 0}};
  const std::wstring pattern = tree_.Root() + L"\\*.*";
  for (const auto& c : cases) {
    ::SendMessageW(list_->Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"stale"));
    const auto filled = Fill(list_.Get(), tree_.Root(), c.what);
    EXPECT_EQ(Listing(c.word, pattern), filled) << c.what;
    EXPECT_FALSE(Has(filled, L"stale")) << c.what;
  }
  // What they amount to: files for 9 (hidden ones too), folders for 3,
  // drives for 4.
  const auto files = Fill(list_.Get(), tree_.Root() + L"\\", 9);
  EXPECT_TRUE(Has(files, L"a.txt") && Has(files, L"\u00E6ble.doc") && Has(files, L"r.txt"));
  EXPECT_FALSE(Has(files, L"[sub]"));
  const auto folders = Fill(list_.Get(), tree_.Root(), 3);
  EXPECT_TRUE(Has(folders, L"[sub]"));
  EXPECT_FALSE(Has(folders, L"a.txt"));
  EXPECT_TRUE(Has(Fill(list_.Get(), tree_.Root(), 4), L"[-c-]"));
}

TEST_F(ListBoxFilling, ABoxWithoutAWindowFails) {
  auto label = form_->AddLabel(L"lbl");
  EXPECT_EQ(std::vector<std::wstring>{L"#438"}, Fill(label.Get(), tree_.Root(), 9));
  Variant notABox = Variant::FromText(Bstr(L"x"));
  Bstr p(tree_.Root());
  BSTR raw = p.Get();
  long what = 9;
  EXPECT_EQ(L"#424", Failure(o_->lpVtbl->cmn_FillFileSystem(o_, notABox.Get(), &raw, &what)));
}

}  // namespace
