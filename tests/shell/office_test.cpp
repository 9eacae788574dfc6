// The spelling check and the letter to the word processor against stand-ins
// for the office applications (tests/shell/office_standin.cpp), registered
// under the applications' programmatic identifiers for each test and removed
// after it.  The stand-ins journal every call they receive; the test's text
// box notes its own calls in the same journal, so one list shows the whole
// sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/shell/journal_text.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/property_bag.h"

namespace kb::support {
namespace {

// The stand-ins, registered while the object lives.
class StandIns {
 public:
  StandIns() : module_(::LoadLibraryW(L"office_standin.dll")) {
    if (!module_) throw DispatchError(HRESULT_FROM_WIN32(::GetLastError()), L"office_standin.dll");
    Run("DllRegisterServer");
  }
  StandIns(const StandIns&) = delete;
  StandIns& operator=(const StandIns&) = delete;
  ~StandIns() {
    Unregister();
    ::FreeLibrary(module_);
  }
  void Unregister() { Run("DllUnregisterServer"); }

 private:
  void Run(const char* entry) {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto fn = reinterpret_cast<Entry>(::GetProcAddress(module_, entry));
    if (!fn || FAILED(fn())) throw DispatchError(E_FAIL, L"office_standin.dll registration");
  }
  HMODULE module_;
};

class Journal {
 public:
  std::vector<std::wstring> Entries() const {
    std::vector<std::wstring> entries;
    const long count = Get(object_.Get(), L"Count").Long();
    for (long i = 1; i <= count; ++i) entries.push_back(Get(object_.Get(), L"Entry", {i}).Text());
    return entries;
  }
  void Clear() { CallMethod(object_.Get(), L"Clear"); }
  void FailAt(long step) { Put(object_.Get(), L"FailAt", step); }
  long Live() const { return Get(object_.Get(), L"Live").Long(); }
  void Note(const std::wstring& text) { CallMethod(object_.Get(), L"Note", {text}); }

 private:
  kb::ComPtr<IDispatch> object_ = CreateLibraryObject(L"KitbagTest.OfficeJournal");
};

// A text box of the client's whose Text notes each read and assignment in
// the journal; either can be made to fail.
class JournalBox : public DispatchObject {
 public:
  JournalBox(Journal& journal, TextBox& box) : DispatchObject(L"TextBox") {
    Property(
        L"Text",
        [&journal, &box, this](Invocation& call) {
          journal.Note(failRead_ ? L"txtBox.Text get !" : L"txtBox.Text get");
          if (failRead_) RaiseRuntimeError(380, L"Invalid property value");
          call.ReturnVariant(*Get(box.Disp(), L"Text").value.Get());
        },
        [&journal, &box, this](Invocation& call) {
          journal.Note(L"txtBox.Text = " + JournalText(call.Value()) + (failWrite_ ? L" !" : L""));
          if (failWrite_) RaiseRuntimeError(383, L"'Text' property is read-only");
          Put(box.Disp(), L"Text", Arg::ByVal(call.Value()));
        });
  }
  bool failRead_ = false;
  bool failWrite_ = false;
};

class OfficeTest : public ::testing::Test {
 protected:
  // Runs the spelling check on a box holding the text; returns its HRESULT.
  HRESULT SpellCheck(const std::wstring& text, IDispatch* boxObject) {
    ::SetWindowTextW(box_->Hwnd(), text.c_str());
    journal_.Clear();
    IDispatch* frm = form_->Disp();
    IDispatch* box = boxObject;
    return early_->lpVtbl->cmn_SpeelCheck(early_, &frm, &box);
  }
  std::wstring BoxText() const { return box_->Text(); }
  static bool ErrorInfoLeft() {
    IErrorInfo* info = nullptr;
    const HRESULT hr = ::GetErrorInfo(0, &info);
    if (info) info->Release();
    return hr == S_OK;
  }
  // The entries of a full run cut after the step-th stand-in step, which is
  // marked failed; the test's own notes do not count as steps.
  static std::vector<std::wstring> FailedAt(const std::vector<std::wstring>& full, long step) {
    std::vector<std::wstring> cut;
    long steps = 0;
    for (const std::wstring& entry : full) {
      const bool own = entry.rfind(L"txtBox.", 0) == 0;
      cut.push_back(!own && ++steps == step ? entry + L" !" : entry);
      if (!own && steps == step) break;
    }
    return cut;
  }

  Apartment apartment_;
  StandIns standIns_;
  Journal journal_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::_clsCommon* early_ = Early<kb::_clsCommon>(common_);
  kb::ComPtr<PropertyBag> form_ = Make<PropertyBag>(L"Form");
  kb::ComPtr<Form> window_ = Make<Form>();
  kb::ComPtr<TextBox> box_ = window_->AddTextBox(L"txtText");
  kb::ComPtr<JournalBox> journalBox_ = Make<JournalBox>(journal_, *box_);
};

const std::vector<std::wstring> kSpellCheck = {
    L"create Excel.Sheet",
    L"Workbook.Application",
    L"Application.ActiveWorkbook",
    L"Workbook.ActiveSheet",
    L"txtBox.Text get",
    L"Worksheet.Range(\"A1\")",
    L"Range.Value = \"teh cat sat on teh mat\"",
    L"Worksheet.CheckSpelling()",
    L"Worksheet.Range(\"A1\")",
    L"Range.Value get",
    L"txtBox.Text = \"the cat sat on the mat\"",
};
constexpr long kSpellCheckSteps = 9;

TEST_F(OfficeTest, SpellCheckRunsTheSheetsCheckerOverTheBoxAndWritesTheResultBack) {
  form_->StartLog();
  ASSERT_EQ(SpellCheck(L"teh cat sat on teh mat", journalBox_->Disp()), S_OK);
  EXPECT_EQ(journal_.Entries(), kSpellCheck);
  EXPECT_EQ(BoxText(), L"the cat sat on the mat");
  EXPECT_EQ(journal_.Live(), 0) << "every stand-in released";
  EXPECT_TRUE(form_->Log().empty()) << "frm is never touched";
}

TEST_F(OfficeTest, SpellCheckOfAnEmptyBoxStillChecksAndLeavesItEmpty) {
  ASSERT_EQ(SpellCheck(L"", journalBox_->Disp()), S_OK);
  const std::vector<std::wstring> expected = {
      L"create Excel.Sheet",   L"Workbook.Application",      L"Application.ActiveWorkbook",
      L"Workbook.ActiveSheet", L"txtBox.Text get",           L"Worksheet.Range(\"A1\")",
      L"Range.Value = \"\"",   L"Worksheet.CheckSpelling()", L"Worksheet.Range(\"A1\")",
      L"Range.Value get",      L"txtBox.Text = Empty"};
  EXPECT_EQ(journal_.Entries(), expected);
  EXPECT_EQ(BoxText(), L"");
}

TEST_F(OfficeTest, AFailureAtAnyStepEndsTheSpellCheckSilentlyAndLeavesTheBox) {
  for (long step = 1; step <= kSpellCheckSteps; ++step) {
    ::SetWindowTextW(box_->Hwnd(), L"teh cat sat on teh mat");
    journal_.Clear();
    journal_.FailAt(step);
    IDispatch* frm = nullptr;
    IDispatch* box = journalBox_->Disp();
    ASSERT_EQ(early_->lpVtbl->cmn_SpeelCheck(early_, &frm, &box), S_OK) << "step " << step;
    EXPECT_FALSE(ErrorInfoLeft()) << "step " << step;
    EXPECT_EQ(journal_.Entries(), FailedAt(kSpellCheck, step));
    EXPECT_EQ(BoxText(), L"teh cat sat on teh mat") << "step " << step;
    EXPECT_EQ(journal_.Live(), 0) << "step " << step;
  }
  // The box itself failing, on the read or on the write.
  for (bool read : {true, false}) {
    journalBox_->failRead_ = read;
    journalBox_->failWrite_ = !read;
    CallResult r =
        CallMethod(common_.Get(), L"cmn_SpeelCheck", {form_->Disp(), journalBox_->Disp()});
    EXPECT_TRUE(r.Ok()) << r;
    const std::vector<std::wstring> entries = journal_.Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back(),
              read ? L"txtBox.Text get !" : L"txtBox.Text = \"the cat sat on the mat\" !");
    EXPECT_EQ(BoxText(), L"teh cat sat on teh mat");
    journal_.Clear();
  }
  // No box at all.
  ASSERT_EQ(SpellCheck(L"", nullptr), S_OK);
  EXPECT_EQ(journal_.Entries().size(), 4u);
  EXPECT_EQ(journal_.Live(), 0);
}

std::vector<std::wstring> LetterTo(const std::wstring& text) {
  return {L"create Word.Application",
          L"Application.Application",
          L"Application.Documents",
          L"Documents.Add()",
          L"Application.Selection",
          L"Selection.TypeText(ByRef " + JournalText(*VText(text).Get()) + L")",
          L"Application.Visible = True"};
}

TEST_F(OfficeTest, SendToWordTypesTheTextIntoANewDocumentAndShowsTheApplication) {
  for (const wchar_t* text : {L"K\u00e6re \u00c5se,\r\nHermed brevet.", L""}) {
    journal_.Clear();
    Bstr letter(text);
    ASSERT_EQ(early_->lpVtbl->cmn_SendToWord(early_, letter.Ref()), S_OK);
    EXPECT_EQ(journal_.Entries(), LetterTo(text));
    EXPECT_EQ(letter.View(), text);
    EXPECT_EQ(journal_.Live(), 0) << "the application is left to the user";
  }
  journal_.Clear();
  Variant variable = VText(L"fra et script");
  CallResult r = CallMethod(common_.Get(), L"cmn_SendToWord", {Arg::ByRefTyped(variable.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(journal_.Entries(), LetterTo(L"fra et script"));
}

TEST_F(OfficeTest, AFailureAtAnyStepEndsSendToWordSilently) {
  const std::vector<std::wstring> full = LetterTo(L"brev");
  for (long step = 1; step <= static_cast<long>(full.size()); ++step) {
    journal_.Clear();
    journal_.FailAt(step);
    Bstr letter(L"brev");
    ASSERT_EQ(early_->lpVtbl->cmn_SendToWord(early_, letter.Ref()), S_OK) << "step " << step;
    EXPECT_FALSE(ErrorInfoLeft());
    const std::vector<std::wstring> entries = journal_.Entries();
    EXPECT_EQ(entries, FailedAt(full, step));
    // Shown only when every step before the last went well.
    EXPECT_EQ(entries.back().rfind(L"Application.Visible", 0) == 0, step == 7) << "step " << step;
    EXPECT_EQ(journal_.Live(), 0);
  }
}

TEST_F(OfficeTest, WithoutTheApplicationsBothReturnAtOnce) {
  standIns_.Unregister();
  CLSID clsid{};
  ASSERT_TRUE(FAILED(::CLSIDFromProgID(L"Excel.Sheet", &clsid)));
  ASSERT_TRUE(FAILED(::CLSIDFromProgID(L"Word.Application", &clsid)));
  ASSERT_EQ(SpellCheck(L"teh cat", journalBox_->Disp()), S_OK);
  EXPECT_EQ(BoxText(), L"teh cat");
  Bstr letter(L"brev");
  ASSERT_EQ(early_->lpVtbl->cmn_SendToWord(early_, letter.Ref()), S_OK);
  EXPECT_FALSE(ErrorInfoLeft());
  EXPECT_TRUE(journal_.Entries().empty()) << "not even the box was read";
}

}  // namespace
}  // namespace kb::support
