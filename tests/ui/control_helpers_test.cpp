// The text, list and button helpers as a client's forms feel them: the
// registered library acting on model controls with real EDIT, LISTBOX and
// BUTTON windows, read back from the windows themselves (styles, line
// counts, selections, items), the message boxes it shows, and what reaches a
// real printer's page.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/file_printer.h"
#include "tests/support/forms.h"
#include "tests/support/import_hook.h"
#include "tests/support/library.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/property_bag.h"

namespace kb::support {
namespace {

constexpr wchar_t kNotFound[] = L"Din søgning gav intet resultat.";
constexpr wchar_t kFindTitle[] = L"Kitbag ver. 1.0";

IDispatch* const kNothing = nullptr;

LONG StyleOf(HWND hwnd) { return ::GetWindowLongW(hwnd, GWL_STYLE); }

std::pair<long, long> Selection(HWND edit) {
  DWORD start = 0, end = 0;
  ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<long>(start), static_cast<long>(end - start)};
}

class ControlTest : public ::testing::Test {
 protected:
  CallResult Common(const wchar_t* member, std::vector<Arg> args = {}) {
    return CallMethod(common_.Get(), member, std::move(args));
  }
  _clsCommon* EarlyCommon() { return Early<_clsCommon>(common_); }
  kb::ComPtr<ListBox> ListOf(const wchar_t* name, std::vector<std::wstring> items,
                             bool sorted = false) {
    ListBoxOptions options;
    options.sorted = sorted;
    auto list = form_->AddListBox(name, options);
    for (const auto& item : items) CallMethod(list->Disp(), L"AddItem", {item});
    return list;
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::ComPtr<Form> form_ = Make<Form>();
};

// ---------------------------------------------------------------- line count

TEST_F(ControlTest, LineCountIsTheEditControlsOwnCountForTextBoxesOnly) {
  TextBoxOptions narrow;
  narrow.multiLine = true;
  narrow.bounds = {8, 8, 60, 120};
  struct Case {
    const wchar_t* text;
    bool multiLine;
  };
  for (const Case c : {Case{L"", false}, Case{L"one line", false}, Case{L"a\r\nb\r\nc", true},
                       Case{L"a\r\n", true},
                       Case{L"words enough to wrap round a narrow box several times", true}}) {
    TextBoxOptions options = c.multiLine ? narrow : TextBoxOptions{};
    options.text = c.text;
    auto box = form_->AddTextBox(L"txtLines", options);
    const LRESULT expected = ::SendMessageW(box->Hwnd(), EM_GETLINECOUNT, 0, 0);
    CallResult r = Common(L"cmn_GetTxtLineCount", {box->Disp()});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.value.Type(), VT_I4) << "a Long";
    EXPECT_EQ(r.Long(), expected) << Utf8(c.text);
  }
  auto empty = form_->AddTextBox(L"txtEmpty");
  EXPECT_EQ(Common(L"cmn_GetTxtLineCount", {empty->Disp()}).Long(), 1);
  auto wrapped = form_->AddTextBox(L"txtWrapped", [&] {
    TextBoxOptions o = narrow;
    o.text = L"words enough to wrap round a narrow box several times";
    return o;
  }());
  EXPECT_GT(Common(L"cmn_GetTxtLineCount", {wrapped->Disp()}).Long(), 1) << "wrapped lines count";
}

TEST_F(ControlTest, LineCountOfAnythingButATextBoxIsEmptyAndReadsNothing) {
  auto list = ListOf(L"lstItems", {L"a", L"b"});
  auto label = form_->AddLabel(L"lblNavn");
  for (DispatchObject* other :
       {static_cast<DispatchObject*>(list.Get()), static_cast<DispatchObject*>(label.Get())}) {
    other->StartLog();
    CallResult r = Common(L"cmn_GetTxtLineCount", {other->Disp()});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.value.Type(), VT_EMPTY);
    EXPECT_TRUE(other->Log().empty()) << "no property was read";
  }
  CallResult nothing = Common(L"cmn_GetTxtLineCount", {kNothing});
  ASSERT_TRUE(nothing.Ok()) << nothing;
  EXPECT_EQ(nothing.value.Type(), VT_EMPTY);
  EXPECT_EQ(Common(L"cmn_GetTxtLineCount", {12}).ErrorNumber(), 424) << "not an object";
}

// ---------------------------------------------------------- digits only

TEST_F(ControlTest, ForceTextBoxNumericSetsAndClearsOnlyTheNumberStyle) {
  auto box = form_->AddTextBox(L"txtBelob");
  const LONG plain = StyleOf(box->Hwnd());
  ASSERT_EQ(plain & ES_NUMBER, 0);
  struct Step {
    std::vector<Arg> force;  // after the text box
    bool numeric;
  };
  const Step steps[] = {{{}, true},
                        {{true}, true},
                        {{false}, false},
                        {{false}, false},
                        {{static_cast<short>(1)}, true},
                        {{0}, false}};
  for (const Step& s : steps) {
    std::vector<Arg> args{box->Disp()};
    args.insert(args.end(), s.force.begin(), s.force.end());
    ASSERT_TRUE(Common(L"cmn_ForceTextBoxNumeric", std::move(args)).Ok());
    EXPECT_EQ(StyleOf(box->Hwnd()), s.numeric ? plain | ES_NUMBER : plain) << "other bits kept";
  }
}

TEST_F(ControlTest, ANumericTextBoxRefusesLettersAsTheUserTypesThem) {
  auto box = form_->AddTextBox(L"txtAntal");
  IDispatch* disp = box->Disp();
  VARIANT_BOOL force = VARIANT_TRUE;
  ASSERT_EQ(EarlyCommon()->lpVtbl->cmn_ForceTextBoxNumeric(EarlyCommon(), &disp, &force), S_OK);
  for (wchar_t c : std::wstring(L"4a2")) ::SendMessageW(box->Hwnd(), WM_CHAR, c, 0);
  EXPECT_EQ(box->Text(), L"42");
  EXPECT_EQ(Common(L"cmn_ForceTextBoxNumeric", {kNothing}).ErrorNumber(), 91);
  auto windowless = Make<PropertyBag>(L"TextBox");
  EXPECT_EQ(Common(L"cmn_ForceTextBoxNumeric", {windowless->Disp()}).ErrorNumber(), 438);
}

// ---------------------------------------------------------- copying lists

TEST_F(ControlTest, CopyControl2ControlAppendsEveryItemBehindTheOldOnes) {
  auto source = ListOf(L"lstSource", {L"Cecilie", L"Anders", L"Bo"});
  auto target = ListOf(L"lstTarget", {L"x", L"y"});
  ASSERT_TRUE(Common(L"cmn_CopyControl2Control", {source->Disp(), target->Disp()}).Ok());
  EXPECT_EQ(target->Items(), (std::vector<std::wstring>{L"x", L"y", L"Cecilie", L"Anders", L"Bo"}));
  EXPECT_EQ(source->Items().size(), 3u) << "the source keeps its items";

  auto sorted = ListOf(L"lstSorted", {L"Bent"}, true);
  ASSERT_TRUE(Common(L"cmn_CopyControl2Control", {source->Disp(), sorted->Disp()}).Ok());
  EXPECT_EQ(sorted->Items(), (std::vector<std::wstring>{L"Anders", L"Bent", L"Bo", L"Cecilie"}))
      << "a sorted list puts them in its own order";
}

TEST_F(ControlTest, CopyControl2ControlFromAnEmptyListTouchesNoDestination) {
  auto empty = ListOf(L"lstEmpty", {});
  CallResult r = Common(L"cmn_CopyControl2Control", {empty->Disp(), 7});
  EXPECT_TRUE(r.Ok()) << "the destination is never reached: " << r;
  auto source = ListOf(L"lstSource", {L"a"});
  EXPECT_EQ(Common(L"cmn_CopyControl2Control", {source->Disp(), 7}).ErrorNumber(), 424);
  auto label = form_->AddLabel(L"lblNavn");
  EXPECT_EQ(Common(L"cmn_CopyControl2Control", {label->Disp(), source->Disp()}).ErrorNumber(), 438);
}

TEST_F(ControlTest, CopyControl2ControlCountsItemsWithASixteenBitCounter) {
  auto huge = Make<PropertyBag>(L"ListBox");
  huge->Set(L"List", 0.0);
  auto target = Make<PropertyBag>(L"ListBox");
  target->AddMethod(L"AddItem", 2);
  target->StartLog();
  huge->Set(L"ListCount", 32769.0);
  EXPECT_EQ(Common(L"cmn_CopyControl2Control", {huge->Disp(), target->Disp()}).ErrorNumber(), 6);
  EXPECT_TRUE(target->CallsOf(L"AddItem").empty()) << "the count fails before any copy";
}

// ------------------------------------------------------------- selecting

TEST_F(ControlTest, FocusMeSelectsTheWholeTextAndLeavesTheFocusAlone) {
  auto other = form_->AddTextBox(L"txtOther");
  TextBoxOptions options;
  options.text = L"Kære Åse";
  auto box = form_->AddTextBox(L"txtNavn", options);
  ::SetFocus(other->Hwnd());
  ::SendMessageW(box->Hwnd(), EM_SETSEL, 2, 4);
  ASSERT_TRUE(Common(L"cmn_FocusMe", {box->Disp()}).Ok());
  EXPECT_EQ(Selection(box->Hwnd()), (std::pair<long, long>{0, 8}));
  EXPECT_EQ(::GetFocus(), other->Hwnd());
  auto empty = form_->AddTextBox(L"txtTom");
  ASSERT_TRUE(Common(L"cmn_FocusMe", {empty->Disp()}).Ok());
  EXPECT_EQ(Selection(empty->Hwnd()), (std::pair<long, long>{0, 0}));
  auto list = ListOf(L"lstItems", {L"a"});
  EXPECT_EQ(Common(L"cmn_FocusMe", {list->Disp()}).ErrorNumber(), 438) << "no SelStart";
}

// ------------------------------------------------------- clearing a form

TEST_F(ControlTest, ClearAllTextBoxesEmptiesTheTextBoxesAndNothingElse) {
  TextBoxOptions filled;
  filled.text = L"noget";
  auto first = form_->AddTextBox(L"txtFirst", filled);
  auto label = form_->AddLabel(L"lblNavn", {{8, 40, 120, 17}, L"Navn", {}});
  auto list = ListOf(L"lstItems", {L"a", L"b"});
  auto combo = form_->Add<ComboBox>(L"cboValg", ComboBoxOptions{});
  Put(combo->Disp(), L"Text", L"valgt");
  filled.index = 1;
  auto inArray = form_->AddTextBox(L"txtArray", filled);
  IDispatch* form = form_->Disp();
  ASSERT_EQ(EarlyCommon()->lpVtbl->cmn_ClearAllTextBoxes(EarlyCommon(), &form), S_OK);
  EXPECT_EQ(first->Text(), L"");
  EXPECT_EQ(inArray->Text(), L"");
  EXPECT_EQ(label->Caption(), L"Navn");
  EXPECT_EQ(list->Items().size(), 2u);
  EXPECT_EQ(Get(combo->Disp(), L"Text").Text(), L"valgt");

  auto bare = Make<Form>();
  EXPECT_TRUE(Common(L"cmn_ClearAllTextBoxes", {bare->Disp()}).Ok()) << "no controls at all";
  EXPECT_EQ(Common(L"cmn_ClearAllTextBoxes", {kNothing}).ErrorNumber(), 91);
}

// ------------------------------------------------------- button alignment

TEST_F(ControlTest, AlignmentBitsAccumulateAndAreNeverCleared) {
  auto button = form_->AddCommandButton(L"cmdOK");
  const LONG plain = StyleOf(button->Hwnd());
  ASSERT_EQ(plain & (BS_CENTER | BS_TOP), 0);
  struct Step {
    long style;
    LONG bits;  // the alignment bits afterwards
  };
  for (const Step s : {Step{BS_LEFT, BS_LEFT}, Step{BS_RIGHT, BS_CENTER}, Step{BS_LEFT, BS_CENTER},
                       Step{BS_TOP, BS_CENTER | BS_TOP}}) {
    button->StartLog();
    ASSERT_TRUE(Common(L"cmn_AlignCommandButtonText", {button->Disp(), s.style}).Ok());
    EXPECT_EQ(StyleOf(button->Hwnd()), plain | s.bits) << "after " << s.style;
    EXPECT_EQ(button->CallsOf(L"Refresh").size(), 1u);
  }
}

TEST_F(ControlTest, AlignCommandButtonTextIgnoresEveryFailure) {
  auto noWindow = Make<PropertyBag>(L"CommandButton");
  noWindow->Set(L"hwnd", 0.0);
  noWindow->AddMethod(L"Refresh", 0);
  noWindow->StartLog();
  EXPECT_TRUE(Common(L"cmn_AlignCommandButtonText", {noWindow->Disp(), BS_RIGHT}).Ok());
  EXPECT_TRUE(noWindow->CallsOf(L"Refresh").empty()) << "a handle of 0 ends it";

  auto button = form_->AddCommandButton(L"cmdOK");
  auto noRefresh = Make<PropertyBag>(L"CommandButton");
  noRefresh->Set(L"hwnd", static_cast<double>(reinterpret_cast<LONG_PTR>(button->Hwnd())));
  EXPECT_TRUE(Common(L"cmn_AlignCommandButtonText", {noRefresh->Disp(), BS_RIGHT}).Ok());
  EXPECT_EQ(StyleOf(button->Hwnd()) & BS_CENTER, BS_RIGHT) << "the style changed all the same";

  auto failing = Make<PropertyBag>(L"CommandButton");
  failing->Fail(L"hwnd", 5);
  for (Arg target : {Arg(failing->Disp()), Arg(kNothing)}) {
    CallResult r = Common(L"cmn_AlignCommandButtonText", {target, BS_CENTER});
    EXPECT_TRUE(r.Ok()) << r;
  }
}

// ------------------------------------------------------------- tooltips

class TooltipTest : public ControlTest {
 protected:
  void SetUp() override {
    list_ = form_->AddListBox(L"lstKunder", ListBoxOptions{{8, 8, 160, 120}});
    for (int i = 0; i < 30; ++i)
      CallMethod(list_->Disp(), L"AddItem", {L"Kunde " + std::to_wstring(i)});
  }
  // Twips of the middle of a visible row, as the list's mouse events give it.
  double RowMiddle(int row) const {
    const auto height = ::SendMessageW(list_->Hwnd(), LB_GETITEMHEIGHT, 0, 0);
    return (row * height + height / 2.0) * form_->ToTwipsY(1);
  }
  CallResult Tooltip(double y) {
    return Common(L"cmn_ShowListboxTooltip", {form_->Disp(), list_->Disp(), static_cast<float>(y)});
  }
  std::wstring Tip() { return Get(list_->Disp(), L"ToolTipText").Text(); }

  kb::ComPtr<ListBox> list_;
};

TEST_F(TooltipTest, TheItemUnderTheMouseBecomesTheTooltip) {
  Put(list_->Disp(), L"TopIndex", 10);
  ASSERT_EQ(::SendMessageW(list_->Hwnd(), LB_GETTOPINDEX, 0, 0), 10);
  struct Case {
    int row;  // visible row under the mouse
    const wchar_t* tip;
  };
  for (const Case c : {Case{2, L"Kunde 12"}, Case{0, L"Kunde 10"}, Case{5, L"Kunde 15"}}) {
    CallResult r = Tooltip(RowMiddle(c.row));
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.value.Type(), VT_EMPTY);
    EXPECT_EQ(Tip(), c.tip);
  }
  ASSERT_TRUE(Tooltip(RowMiddle(25)).Ok());
  EXPECT_EQ(Tip(), L"") << "past the last item";
  ASSERT_TRUE(Tooltip(RowMiddle(2)).Ok());
  ASSERT_TRUE(Tooltip(-RowMiddle(12)).Ok());
  EXPECT_EQ(Tip(), L"") << "a drag above the list points at no item";
}

TEST_F(TooltipTest, RowsAreMeasuredAtTheListsSizeAndTheFormKeepsItsOwn) {
  Put(Get(list_->Disp(), L"Font").Object().Get(), L"Size", 14);
  auto formFont = Get(form_->Disp(), L"Font").Object();
  Put(formFont.Get(), L"Size", 9.75);
  const double before = Get(formFont.Get(), L"Size").Double();
  ASSERT_TRUE(Tooltip(RowMiddle(3)).Ok());
  EXPECT_EQ(Tip(), L"Kunde 3") << "the rows of a 14 point list";
  EXPECT_EQ(Get(formFont.Get(), L"Size").Double(), before) << "not rounded to a whole point";
}

TEST_F(TooltipTest, OnlyListBoxesGetTooltips) {
  auto box = form_->AddTextBox(L"txtNavn");
  box->StartLog();
  CallResult r = Common(L"cmn_ShowListboxTooltip", {form_->Disp(), box->Disp(), 100.0f});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_TRUE(box->Log().empty());
  EXPECT_TRUE(Common(L"cmn_ShowListboxTooltip", {form_->Disp(), kNothing, 100.0f}).Ok());
  EXPECT_EQ(Common(L"cmn_ShowListboxTooltip", {kNothing, list_->Disp(), 100.0f}).ErrorNumber(), 91);
}

// ---------------------------------------------------------------- finding

TEST_F(ControlTest, FindStringSelectsTheFirstExactOccurrence) {
  TextBoxOptions options;
  options.text = L"xxABCabc abc";
  auto box = form_->AddTextBox(L"txtTekst", options);
  MsgBoxRecorder boxes;
  struct Case {
    const wchar_t* what;
    std::pair<long, long> selection;
  };
  for (const Case c : {Case{L"abc", {5, 3}}, Case{L"abc", {5, 3}}, Case{L"ABC", {2, 3}},
                       Case{L"x", {0, 1}}, Case{L"", {0, 0}}}) {
    ::SendMessageW(box->Hwnd(), EM_SETSEL, 1, 1);
    ASSERT_TRUE(Common(L"cmn_FindString", {c.what, box->Disp()}).Ok());
    EXPECT_EQ(Selection(box->Hwnd()), c.selection) << Utf8(c.what);
  }
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ControlTest, FindStringSaysSoWhenTheTextIsNotThere) {
  TextBoxOptions options;
  options.text = L"xxABCabc";
  auto box = form_->AddTextBox(L"txtTekst", options);
  auto empty = form_->AddTextBox(L"txtTom");
  MsgBoxRecorder boxes;
  for (auto [what, target] : {std::pair{L"q", box.Get()}, std::pair{L"", empty.Get()}}) {
    ::SendMessageW(target->Hwnd(), EM_SETSEL, 1, 2);
    const auto before = Selection(target->Hwnd());
    boxes.Clear();
    ASSERT_TRUE(Common(L"cmn_FindString", {what, target->Disp()}).Ok());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, kNotFound);
    EXPECT_EQ(boxes.Last().title, kFindTitle);
    EXPECT_EQ(boxes.Last().Style(), static_cast<UINT>(MB_OK)) << "OK alone, no icon";
    EXPECT_EQ(Selection(target->Hwnd()), before) << "nothing changes";
  }
  auto label = form_->AddLabel(L"lblTekst");  // a caption, no Text
  EXPECT_EQ(Common(L"cmn_FindString", {L"q", label->Disp()}).ErrorNumber(), 438);
  EXPECT_EQ(boxes.Count(), 1u);
}

// --------------------------------------------------------------- printing

bool HasDefaultPrinter() {
  DWORD size = 0;
  ::GetDefaultPrinterW(nullptr, &size);
  return size != 0;
}

class PrintTest : public ControlTest {
 protected:
  kb::ComPtr<TextBox> TextBoxWith(const std::wstring& text) {
    TextBoxOptions options;
    options.multiLine = true;
    options.text = text;
    return form_->AddTextBox(L"txtBrev", options);
  }
};

TEST_F(PrintTest, TheTextReachesThePageOfTheDefaultPrinter) {
  FilePrinter printer;
  auto box = TextBoxWith(L"Kære Åse\r\nHilsen Bo");
  MsgBoxRecorder boxes;
  IDispatch* disp = box->Disp();
  kb::Variant text = VObject(disp);
  long size = 14;
  kb::Bstr font(L"Liberation Mono");  // a face the prefix has, unlike Arial's stand-in
  ASSERT_EQ(EarlyCommon()->lpVtbl->cmn_PrintTextBox(EarlyCommon(), text.Get(), &size, font.Ref()),
            S_OK);
  EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? Utf8(boxes.Last().text) : "");
  EXPECT_EQ(printer.Text(), L"Kære ÅseHilsen Bo");
  EXPECT_EQ(printer.Pages(), 1);
  EXPECT_NE(printer.Output().find("/FontName /LiberationMono"), std::string::npos)
      << "the font asked for";
}

TEST_F(PrintTest, ALongTextRunsOntoMorePages) {
  FilePrinter printer;
  std::wstring text;
  for (int i = 0; i < 120; ++i) text += L"Linje\r\n";
  auto box = TextBoxWith(text);
  ASSERT_TRUE(Common(L"cmn_PrintTextBox", {box->Disp(), 12}).Ok());
  std::wstring words;
  for (int i = 0; i < 120; ++i) words += L"Linje";
  EXPECT_EQ(printer.Text(), words) << "every line, none lost at a page break";
  EXPECT_GE(printer.Pages(), 2);
}

// The printer takes the first line of a text and fails on the next.
int g_textOuts = 0;
decltype(&::TextOutW) g_textOut = nullptr;
BOOL WINAPI FailSecondLine(HDC dc, int x, int y, LPCWSTR text, int length) {
  if (++g_textOuts == 2) return FALSE;
  return g_textOut(dc, x, y, text, length);
}

TEST_F(PrintTest, AJobThatFailsIsDroppedSoTheNextStartsClean) {
  FilePrinter printer;
  MsgBoxRecorder boxes;
  {
    ImportHook hook(::GetModuleHandleW(L"Kitbag.dll"), "gdi32.dll", "TextOutW", &FailSecondLine);
    g_textOut = hook.Original<decltype(&::TextOutW)>();
    g_textOuts = 0;
    ASSERT_TRUE(
        Common(L"cmn_PrintTextBox", {TextBoxWith(L"F\u00f8rste\r\nlinje")->Disp(), 12}).Ok());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, L"Printer error");
  }
  ASSERT_TRUE(Common(L"cmn_PrintTextBox", {TextBoxWith(L"Anden")->Disp(), 12}).Ok());
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(printer.Text(), L"Anden") << "the failed job's first line went out with it";
  EXPECT_EQ(printer.Pages(), 1);
}

TEST_F(PrintTest, AFailureIsShownInABoxAndTheCallSucceeds) {
  ASSERT_FALSE(HasDefaultPrinter()) << "the test prefix has no printer of its own";
  auto box = TextBoxWith(L"Brev");
  MsgBoxRecorder boxes;
  CallResult r = Common(L"cmn_PrintTextBox", {box->Disp(), 10, L"Arial"});
  ASSERT_TRUE(r.Ok()) << r;
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, L"Printer error");
  EXPECT_EQ(boxes.Last().title, L"Kitbag");
  EXPECT_EQ(boxes.Last().Style(), static_cast<UINT>(MB_OK));

  FilePrinter printer;
  auto label = form_->AddLabel(L"lblNavn");
  for (auto [target, size, message] :
       {std::tuple{Arg(label->Disp()), 10, L"Object doesn't support this property or method"},
        std::tuple{Arg(box->Disp()), 0, L"Invalid property value"}}) {
    boxes.Clear();
    ASSERT_TRUE(Common(L"cmn_PrintTextBox", {target, size}).Ok());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, message);
  }
  EXPECT_EQ(printer.Output(), "") << "nothing was printed";
}

}  // namespace
}  // namespace kb::support
