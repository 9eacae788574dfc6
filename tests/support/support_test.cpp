// The test support must itself be right before other tests lean on it: the
// recorder must read what a user would see, and the form model must behave
// like the client's objects when reached by name.
#include <gtest/gtest.h>
#include <olectl.h>

#include <string>

#include "runtime/client_forms.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/forms.h"
#include "tests/support/message_pump.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/pixels.h"

namespace kb::support {
namespace {

const wchar_t kDanishText[] = L"Filen findes ikke, \u00E6\u00F8\u00E5";

// ---------------------------------------------------------- message boxes

TEST(MsgBoxRecorder, ReadsDanishTextAndTitleOfAnAnsiBox) {
  MsgBoxRecorder boxes;
  int result = ::MessageBoxA(nullptr, "Filen findes ikke, \xE6\xF8\xE5", "Kitbag \xC6\xD8\xC5",
                             MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(boxes.Count(), 1u);
  const DialogRecord& box = boxes.Last();
  EXPECT_EQ(box.text, kDanishText);
  EXPECT_EQ(box.title, L"Kitbag \u00C6\u00D8\u00C5");
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(box.hasIcon);
  EXPECT_EQ(box.Style(), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

TEST(MsgBoxRecorder, AnswersYesNoBoxesAsQueued) {
  MsgBoxRecorder boxes;
  boxes.Answer({IDYES, IDNO});
  EXPECT_EQ(::MessageBoxW(nullptr, L"Gem?", L"Kitbag", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(::MessageBoxW(nullptr, L"Slet?", L"Kitbag", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Records()[0].text, L"Gem?");
  EXPECT_EQ(boxes.Records()[1].answer, IDNO);
  EXPECT_EQ(boxes.Records()[1].buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(boxes.Records()[1].Style(), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(boxes.PendingAnswers(), 0u);
}

TEST(MsgBoxRecorder, DeducesButtonsIconAndDefaultButton) {
  const UINT styles[] = {
      MB_OK,
      MB_OKCANCEL | MB_ICONHAND | MB_DEFBUTTON2,
      MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON3,
      MB_YESNO | MB_DEFBUTTON2,
      MB_ABORTRETRYIGNORE | MB_ICONASTERISK,
      MB_RETRYCANCEL | MB_ICONQUESTION,
      MB_OK | MB_HELP,
  };
  MsgBoxRecorder boxes;
  for (UINT style : styles) {
    ::MessageBoxW(nullptr, L"x", L"y", style);
    ASSERT_GT(boxes.Count(), 0u);
    EXPECT_EQ(boxes.Last().Style(), style) << std::hex << "style 0x" << style;
  }
  EXPECT_EQ(boxes.Count(), std::size(styles));
}

TEST(MsgBoxRecorder, ReportsABoxWithoutIcon) {
  MsgBoxRecorder boxes;
  ::MessageBoxW(nullptr, L"Ingen ikon", L"Kitbag", MB_OKCANCEL);
  EXPECT_FALSE(boxes.Last().hasIcon);
  EXPECT_EQ(boxes.Last().iconStyle, std::optional<UINT>(0u));
}

TEST(MsgBoxRecorder, DefaultAnswerFallsBackToCancelThenToTheFirstButton) {
  MsgBoxRecorder boxes;
  EXPECT_EQ(::MessageBoxW(nullptr, L"a", L"b", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(boxes.Last().requested, IDOK);
  EXPECT_EQ(::MessageBoxW(nullptr, L"a", L"b", MB_YESNO), IDYES);
  boxes.SetDefaultAnswer(IDNO);
  EXPECT_EQ(::MessageBoxW(nullptr, L"a", L"b", MB_YESNO), IDNO);
}

TEST(MsgBoxRecorder, AQueuedAnswerThatIsNoButtonIsNotPosted) {
  MsgBoxRecorder boxes;
  boxes.Answer(IDYES);
  EXPECT_EQ(::MessageBoxW(nullptr, L"a", L"b", MB_OK), IDOK);
  EXPECT_EQ(boxes.Last().requested, IDYES);
  EXPECT_EQ(boxes.Last().answer, IDOK);
}

TEST(MsgBoxRecorder, ADriverThatHandlesTheDialogKeepsTheQueue) {
  MsgBoxRecorder boxes;
  boxes.Answer(IDYES);
  std::wstring seen;
  boxes.SetDriver([&](HWND dialog, const DialogRecord& record) {
    seen = record.text;
    if (record.text != L"driven") return false;
    MsgBoxRecorder::PostCommand(dialog, IDNO);
    return true;
  });
  EXPECT_EQ(::MessageBoxW(nullptr, L"driven", L"b", MB_YESNO), IDNO);
  EXPECT_EQ(seen, L"driven");
  EXPECT_TRUE(boxes.Last().handledByDriver);
  EXPECT_EQ(boxes.PendingAnswers(), 1u);
  EXPECT_EQ(::MessageBoxW(nullptr, L"not driven", L"b", MB_YESNO), IDYES);
  EXPECT_FALSE(boxes.Last().handledByDriver);
}

TEST(MsgBoxRecorder, RecordsTheOwnerWindow) {
  Apartment apartment;
  auto form = Make<Form>();
  MsgBoxRecorder boxes;
  ::MessageBoxW(form->Hwnd(), L"a", L"b", MB_OK);
  EXPECT_EQ(boxes.Last().owner, form->Hwnd());
}

TEST(MsgBoxRecorder, OnlyOnePerThread) {
  MsgBoxRecorder boxes;
  EXPECT_THROW(MsgBoxRecorder second, std::logic_error);
  EXPECT_THROW(boxes.Last(), std::out_of_range);
}

// An in-memory dialog with an edit (id 100) and OK/Cancel, standing in for
// the other dialogs later routines show.
class DialogTemplate {
 public:
  explicit DialogTemplate(std::wstring_view title) {
    Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    Dword(0);
    words_.push_back(0);  // item count, raised by AddItem
    for (short v : {10, 10, 160, 60}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    Text(title);
  }
  void AddItem(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy,
               std::wstring_view text) {
    if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD
    Dword(WS_CHILD | WS_VISIBLE | style);
    Dword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    Text(text);
    words_.push_back(0);  // no creation data
    ++words_[4];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Text(std::wstring_view text) {
    words_.insert(words_.end(), text.begin(), text.end());
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr int kEditId = 100;

// Hands back what is in the edit when OK is pressed.
INT_PTR CALLBACK EchoDialog(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
    return TRUE;
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    auto* typed = reinterpret_cast<std::wstring*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (LOWORD(wp) == IDOK) *typed = ItemText(dialog, kEditId);
    ::EndDialog(dialog, LOWORD(wp));
    return TRUE;
  }
  return FALSE;
}

INT_PTR ShowEchoDialog(std::wstring* typed) {
  DialogTemplate dialog(L"S\u00F8g");
  dialog.AddItem(kEditAtom, kEditId, WS_BORDER | ES_AUTOHSCROLL, 5, 5, 150, 12, L"");
  dialog.AddItem(kButtonAtom, IDOK, BS_DEFPUSHBUTTON, 5, 40, 50, 14, L"OK");
  dialog.AddItem(kButtonAtom, IDCANCEL, BS_PUSHBUTTON, 60, 40, 50, 14, L"Annuller");
  return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog.Get(), nullptr, EchoDialog,
                                   reinterpret_cast<LPARAM>(typed));
}

TEST(MsgBoxRecorder, ADriverCanFillInAnOrdinaryDialog) {
  MsgBoxRecorder dialogs;
  dialogs.SetDriver([](HWND dialog, const DialogRecord& record) {
    if (record.title != L"S\u00F8g") return false;
    ::SetDlgItemTextW(dialog, kEditId, L"\u00C5benr\u00E5");
    MsgBoxRecorder::PostCommand(dialog, IDOK);
    return true;
  });
  std::wstring typed;
  EXPECT_EQ(ShowEchoDialog(&typed), IDOK);
  EXPECT_EQ(typed, L"\u00C5benr\u00E5");
  ASSERT_EQ(dialogs.Count(), 1u);
  EXPECT_TRUE(dialogs.Last().handledByDriver);
  EXPECT_EQ(dialogs.Last().text, L"");
  EXPECT_EQ(dialogs.Last().captions, (std::vector<std::wstring>{L"OK", L"Annuller"}));
  EXPECT_EQ(dialogs.Last().ButtonStyle(), std::optional<UINT>(MB_OKCANCEL));
}

TEST(MsgBoxRecorder, OrdinaryDialogsGetTheDefaultAnswerToo) {
  MsgBoxRecorder dialogs;
  dialogs.Answer(IDCANCEL);
  std::wstring typed = L"untouched";
  EXPECT_EQ(ShowEchoDialog(&typed), IDCANCEL);
  EXPECT_EQ(typed, L"untouched");
  EXPECT_EQ(ShowEchoDialog(&typed), IDOK);
  EXPECT_EQ(typed, L"");
  dialogs.Clear();
  EXPECT_EQ(dialogs.Count(), 0u);
}

// ------------------------------------------------- dispatch base and calls

// Members that exercise the argument handling of the base directly.
class Probe : public DispatchObject {
 public:
  Probe() : DispatchObject(L"Probe") {
    Method(L"Double", {1, 1}, [](Invocation& c) {
      kb::Variant doubled = VI4(c.Long(0) * 2);
      c.SetRef(0, *doubled.Get());
      c.ReturnBool(c.IsRef(0));
    });
    Method(L"Join", {1, 3},
           [](Invocation& c) {
             std::wstring out;
             for (size_t i = 0; i < c.Count(); ++i) {
               if (i) out += L"|";
               out += c.Has(i) ? c.Text(i) : L"-";
             }
             c.ReturnText(out);
           },
           {L"First", L"Second", L"Third"});
    Property(
        L"Value", [this](Invocation& c) { c.ReturnText(value_); },
        [this](Invocation& c) { value_ = c.ValueText(); });
    SetDefaultMember(L"Value");
    Property(L"WriteOnly", {}, [](Invocation&) {});
    Property(
        L"Picture", [this](Invocation& c) { c.ReturnBool(putRef_); },
        [this](Invocation& c) { putRef_ = c.IsPutRef(); });
  }

 private:
  std::wstring value_ = L"start";
  bool putRef_ = false;
};

TEST(DispatchObject, NamesAreCaseInsensitiveAndUnknownOnesRefused) {
  auto probe = Make<Probe>();
  LPOLESTR upper = const_cast<LPOLESTR>(L"JOIN");
  LPOLESTR lower = const_cast<LPOLESTR>(L"join");
  DISPID a = 0, b = 0;
  ASSERT_EQ(probe->GetIDsOfNames(IID_NULL, &upper, 1, 0, &a), S_OK);
  ASSERT_EQ(probe->GetIDsOfNames(IID_NULL, &lower, 1, 0, &b), S_OK);
  EXPECT_EQ(a, b);
  EXPECT_EQ(Get(probe->Disp(), L"NoSuchMember").hr, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(CallId(probe->Disp(), 4711, DISPATCH_METHOD).hr, DISP_E_MEMBERNOTFOUND);
}

TEST(DispatchObject, DefaultMemberAnswersDispidValue) {
  auto probe = Make<Probe>();
  ASSERT_TRUE(Put(probe->Disp(), L"value", L"ny").Ok());
  CallResult r = CallId(probe->Disp(), DISPID_VALUE, DISPATCH_PROPERTYGET);
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(r.Text(), L"ny");
}

TEST(DispatchObject, WrongKindOfAccessIsMemberNotFound) {
  auto probe = Make<Probe>();
  EXPECT_EQ(Get(probe->Disp(), L"WriteOnly").hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Put(probe->Disp(), L"Join", L"x").hr, DISP_E_MEMBERNOTFOUND);
  // A method needs DISPATCH_METHOD.
  EXPECT_EQ(Get(probe->Disp(), L"Join", {L"a"}).hr, DISP_E_MEMBERNOTFOUND);
}

TEST(DispatchObject, ByReferenceVariantIsReadAndWrittenBack) {
  auto probe = Make<Probe>();
  kb::Variant x = VI4(21);
  CallResult r = CallMethod(probe->Disp(), L"Double", {Arg::ByRef(x.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_TRUE(r.Bool());
  ASSERT_EQ(x.Type(), VT_I4);
  EXPECT_EQ(V_I4(x.Get()), 42);
}

TEST(DispatchObject, TypedReferenceKeepsTheCallersType) {
  auto probe = Make<Probe>();
  kb::Variant s = VText(L"7");
  CallResult r = CallMethod(probe->Disp(), L"Double", {Arg::ByRefTyped(s.Get())});
  ASSERT_TRUE(r.Ok()) << r;
  ASSERT_EQ(s.Type(), VT_BSTR);
  EXPECT_EQ(kb::View(V_BSTR(s.Get())), L"14");
}

TEST(DispatchObject, ByValueArgumentIsLeftAlone) {
  auto probe = Make<Probe>();
  CallResult r = CallMethod(probe->Disp(), L"Double", {21});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_FALSE(r.Bool());
}

TEST(DispatchObject, NamedAndMissingArgumentsLandInTheirPlaces) {
  auto probe = Make<Probe>();
  CallResult byName =
      CallMethod(probe->Disp(), L"Join", {L"a", Arg::Named(std::wstring(L"third"), L"c")});
  ASSERT_TRUE(byName.Ok()) << byName;
  EXPECT_EQ(byName.Text(), L"a|-|c");
  CallResult byId = CallMethod(probe->Disp(), L"Join", {Arg::Named(1, L"b"), L"a"});
  ASSERT_TRUE(byId.Ok()) << byId;
  EXPECT_EQ(byId.Text(), L"a|b");
  CallResult missing = CallMethod(probe->Disp(), L"Join", {L"a", Arg::Missing(), L"c"});
  ASSERT_TRUE(missing.Ok()) << missing;
  EXPECT_EQ(missing.Text(), L"a|-|c");
  EXPECT_EQ(CallMethod(probe->Disp(), L"Join", {Arg::Named(std::wstring(L"Fourth"), 1)}).hr,
            DISP_E_UNKNOWNNAME);
}

TEST(DispatchObject, ArgumentCountAndTypeAreChecked) {
  auto probe = Make<Probe>();
  EXPECT_EQ(CallMethod(probe->Disp(), L"Join", {1, 2, 3, 4}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(probe->Disp(), L"Join").hr, DISP_E_BADPARAMCOUNT);
  CallResult r = CallMethod(probe->Disp(), L"Double", {L"abc"});
  EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(r.argErr, 0u);
}

TEST(DispatchObject, PutTakesItsValueByReferenceAndTellsPutRefApart) {
  auto probe = Make<Probe>();
  kb::Variant value = VText(L"via reference");
  ASSERT_TRUE(Put(probe->Disp(), L"Value", Arg::ByRef(value.Get())).Ok());
  EXPECT_EQ(Get(probe->Disp(), L"Value").Text(), L"via reference");
  ASSERT_TRUE(PutRef(probe->Disp(), L"Picture", VObject(nullptr)).Ok());
  EXPECT_TRUE(Get(probe->Disp(), L"Picture").Bool());
  ASSERT_TRUE(Put(probe->Disp(), L"Picture", 1).Ok());
  EXPECT_FALSE(Get(probe->Disp(), L"Picture").Bool());
}

TEST(DispatchObject, ExtraArgumentsNeedAnObjectToPassThemTo) {
  auto probe = Make<Probe>();
  EXPECT_EQ(Get(probe->Disp(), L"Value", {1}).hr, DISP_E_BADPARAMCOUNT);
}

TEST(VariantEnumerator, FollowsTheEnumeratorProtocol) {
  std::vector<kb::Variant> values;
  for (long i = 1; i <= 3; ++i) values.push_back(VI4(i));
  kb::ComPtr<IEnumVARIANT> walker = VariantEnumerator::Create(std::move(values));
  kb::Variant first, second;
  VARIANT pair[2];
  ULONG fetched = 0;
  ASSERT_EQ(walker->Next(2, pair, &fetched), S_OK);
  *first.Out() = pair[0];
  *second.Out() = pair[1];
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(V_I4(first.Get()), 1);
  EXPECT_EQ(V_I4(second.Get()), 2);

  kb::ComPtr<IEnumVARIANT> clone;
  ASSERT_EQ(walker->Clone(clone.Out()), S_OK);
  kb::Variant third;
  ASSERT_EQ(clone->Next(1, third.Out(), nullptr), S_OK);
  EXPECT_EQ(V_I4(third.Get()), 3);

  EXPECT_EQ(walker->Skip(5), S_FALSE);
  kb::Variant none;
  EXPECT_EQ(walker->Next(1, none.Out(), &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  ASSERT_EQ(walker->Reset(), S_OK);
  kb::Variant again;
  ASSERT_EQ(walker->Next(1, again.Out(), &fetched), S_OK);
  EXPECT_EQ(V_I4(again.Get()), 1);
}

TEST(DispatchCall, HresultTextNamesTheFailure) {
  EXPECT_EQ(HresultText(DISP_E_MEMBERNOTFOUND), "0x80020003 DISP_E_MEMBERNOTFOUND");
  EXPECT_EQ(HresultText(RuntimeErrorHr(53)), "0x800A0035 run-time error 53");
  EXPECT_EQ(VariantText(*VText(L"\u00E6").Get()), "VT_BSTR \"\xC3\xA6\"");
}

// ----------------------------------------------------------------- forms

TextBoxOptions WithText(std::wstring text) {
  TextBoxOptions o;
  o.text = std::move(text);
  return o;
}
TextBoxOptions MultiLine() {
  TextBoxOptions o;
  o.multiLine = true;
  return o;
}
TextBoxOptions Element(short index) {
  TextBoxOptions o;
  o.index = index;
  return o;
}
TextBoxOptions At(Bounds bounds) {
  TextBoxOptions o;
  o.bounds = bounds;
  return o;
}
LabelOptions Captioned(std::wstring caption) {
  LabelOptions o;
  o.caption = std::move(caption);
  return o;
}
CommandButtonOptions Button(std::wstring caption) {
  CommandButtonOptions o;
  o.caption = std::move(caption);
  return o;
}

class FormTest : public ::testing::Test {
 protected:
  Apartment apartment_;
  kb::ComPtr<Form> form_ = Make<Form>(FormOptions{L"frmKunde", L"Kunde"});
  IDispatch* F() const { return form_->Disp(); }
};

std::wstring ReadWindowText(HWND hwnd) {
  wchar_t buffer[256] = {};
  ::SendMessageW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

HWND HwndOf(IDispatch* object) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(Get(object, L"hwnd").Long()));
}

TEST_F(FormTest, TextRoundTripsThroughTheEditWindow) {
  auto text = form_->AddTextBox(L"txtNavn");
  HWND edit = HwndOf(text->Disp());
  ASSERT_EQ(edit, text->Hwnd());
  EXPECT_EQ(ClassName(edit), L"Edit");
  ASSERT_TRUE(Put(text->Disp(), L"Text", L"Hej \u00E6\u00F8\u00E5").Ok());
  EXPECT_EQ(ReadWindowText(edit), L"Hej \u00E6\u00F8\u00E5");
  ::SetWindowTextW(edit, L"fra vinduet");
  EXPECT_EQ(Get(text->Disp(), L"Text").Text(), L"fra vinduet");
  // Text is the default member.
  EXPECT_EQ(CallId(text->Disp(), DISPID_VALUE, DISPATCH_PROPERTYGET).Text(), L"fra vinduet");
}

TEST_F(FormTest, SelectionPropertiesFollowTheEditWindow) {
  auto text = form_->AddTextBox(L"txtNavn", WithText(L"abcdef"));
  ASSERT_TRUE(Put(text->Disp(), L"SelStart", 2).Ok());
  ASSERT_TRUE(Put(text->Disp(), L"SelLength", 3).Ok());
  DWORD start = 0, end = 0;
  ::SendMessageW(text->Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 5u);
  EXPECT_EQ(Get(text->Disp(), L"SelText").Text(), L"cde");
  ASSERT_TRUE(Put(text->Disp(), L"SelText", L"X").Ok());
  EXPECT_EQ(text->Text(), L"abXf");
  ASSERT_TRUE(Put(text->Disp(), L"SelStart", 1).Ok());
  EXPECT_EQ(Get(text->Disp(), L"SelLength").Long(), 0);
  EXPECT_EQ(Put(text->Disp(), L"SelStart", -1).ErrorNumber(), 380);
}

TEST_F(FormTest, MultiLineTextBoxHasTheEditStyle) {
  auto memo = form_->AddTextBox(L"txtNote", MultiLine());
  EXPECT_TRUE(::GetWindowLongW(memo->Hwnd(), GWL_STYLE) & ES_MULTILINE);
  EXPECT_TRUE(Get(memo->Disp(), L"MultiLine").Bool());
  EXPECT_FALSE(Get(form_->AddTextBox(L"txtOne")->Disp(), L"MultiLine").Bool());
}

TEST_F(FormTest, ListBoxItemsLiveInTheListWindow) {
  auto list = form_->AddListBox(L"lstByer");
  IDispatch* l = list->Disp();
  HWND box = HwndOf(l);
  ASSERT_EQ(ClassName(box), L"ListBox");
  ASSERT_TRUE(CallMethod(l, L"AddItem", {L"Aarhus"}).Ok());
  ASSERT_TRUE(CallMethod(l, L"AddItem", {L"\u00C5lborg"}).Ok());
  ASSERT_TRUE(CallMethod(l, L"AddItem", {L"Odense", 1}).Ok());
  EXPECT_EQ(::SendMessageW(box, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Get(l, L"ListCount").Long(), 3);
  wchar_t item[32] = {};
  ::SendMessageW(box, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, L"Odense");
  EXPECT_EQ(Get(l, L"List", {2}).Text(), L"\u00C5lborg");
  EXPECT_EQ(Get(l, L"List", {3}).Text(), L"");
  ASSERT_TRUE(Put(l, L"List", L"Vejle", {0}).Ok());
  EXPECT_EQ(list->Items(), (std::vector<std::wstring>{L"Vejle", L"Odense", L"\u00C5lborg"}));
  EXPECT_EQ(Put(l, L"List", L"x", {3}).ErrorNumber(), 381);
  ASSERT_TRUE(CallMethod(l, L"RemoveItem", {0}).Ok());
  EXPECT_EQ(::SendMessageW(box, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(CallMethod(l, L"AddItem", {L"x", 9}).ErrorNumber(), 5);
  ASSERT_TRUE(CallMethod(l, L"Clear").Ok());
  EXPECT_EQ(::SendMessageW(box, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(FormTest, ListIndexAndTextFollowTheSelection) {
  auto list = form_->AddListBox(L"lstByer");
  IDispatch* l = list->Disp();
  for (const wchar_t* city : {L"A", L"B", L"C"}) CallMethod(l, L"AddItem", {city});
  EXPECT_EQ(Get(l, L"ListIndex").Long(), -1);
  EXPECT_EQ(Get(l, L"Text").Text(), L"");
  ::SendMessageW(list->Hwnd(), LB_SETCURSEL, 2, 0);
  EXPECT_EQ(Get(l, L"ListIndex").Long(), 2);
  EXPECT_EQ(Get(l, L"Text").Text(), L"C");
  ASSERT_TRUE(Put(l, L"ListIndex", 0).Ok());
  EXPECT_EQ(::SendMessageW(list->Hwnd(), LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Put(l, L"ListIndex", 3).ErrorNumber(), 380);
  ASSERT_TRUE(Put(l, L"ItemData", 77, {1}).Ok());
  EXPECT_EQ(::SendMessageW(list->Hwnd(), LB_GETITEMDATA, 1, 0), 77);
}

TEST_F(FormTest, ListBoxArgumentsMayComeByReferenceOrByName) {
  auto list = form_->AddListBox(L"lstByer");
  kb::Variant city = VText(L"Ribe");
  ASSERT_TRUE(CallMethod(list->Disp(), L"AddItem", {Arg::ByRef(city.Get())}).Ok());
  kb::Variant typed = VText(L"Skive");
  ASSERT_TRUE(CallMethod(list->Disp(), L"AddItem", {Arg::ByRefTyped(typed.Get())}).Ok());
  CallResult named = CallMethod(
      list->Disp(), L"AddItem",
      {Arg::Named(std::wstring(L"Index"), 0), Arg::Named(std::wstring(L"Item"), L"Tarm")});
  ASSERT_TRUE(named.Ok()) << named;
  EXPECT_EQ(list->Items(), (std::vector<std::wstring>{L"Tarm", L"Ribe", L"Skive"}));
}

TEST_F(FormTest, ControlsCanBeWalkedWithForEach) {
  form_->AddTextBox(L"txtNavn");
  form_->AddListBox(L"lstByer");
  form_->AddLabel(L"lblNavn", Captioned(L"Navn:"));
  form_->AddCommandButton(L"cmdOk", Button(L"OK"));
  kb::ComPtr<IDispatch> controls = Get(F(), L"Controls").Object();
  ASSERT_TRUE(controls);
  EXPECT_EQ(Get(controls.Get(), L"Count").Long(), 4);
  HRESULT hr = E_FAIL;
  std::vector<kb::Variant> items = Enumerate(controls.Get(), &hr);
  ASSERT_EQ(hr, S_OK) << HresultText(hr);
  std::vector<std::wstring> names;
  for (kb::Variant& item : items) {
    ASSERT_EQ(item.Type(), VT_DISPATCH);
    names.push_back(Get(V_DISPATCH(item.Get()), L"Name").Text());
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"txtNavn", L"lstByer", L"lblNavn", L"cmdOk"}));
}

TEST_F(FormTest, ControlsAreReachedByIndexNameAndMember) {
  auto text = form_->AddTextBox(L"txtNavn");
  auto label = form_->AddLabel(L"lblNavn", Captioned(L"Navn:"));
  kb::ComPtr<IDispatch> holder = Get(F(), L"Controls").Object();
  IDispatch* controls = holder.Get();
  EXPECT_EQ(Get(controls, L"Item", {1}).Object().Get(), label->Disp());
  EXPECT_EQ(CallId(controls, DISPID_VALUE, DISPATCH_PROPERTYGET, {L"TXTNAVN"}).Object().Get(),
            text->Disp());
  // Form1(1): the form's default member is Controls, which passes the index on.
  EXPECT_EQ(CallId(F(), DISPID_VALUE, DISPATCH_PROPERTYGET, {1}).Object().Get(), label->Disp());
  EXPECT_EQ(Get(F(), L"Controls", {0}).Object().Get(), text->Disp());
  EXPECT_EQ(Get(F(), L"lblNavn").Object().Get(), label->Disp());
  EXPECT_EQ(Get(label->Disp(), L"Caption").Text(), L"Navn:");
  EXPECT_EQ(Get(controls, L"Item", {2}).ErrorNumber(), 9);
  EXPECT_EQ(Get(controls, L"Item", {L"nope"}).ErrorNumber(), 730);
  EXPECT_EQ(Get(label->Disp(), L"Parent").Object().Get(), F());
}

TEST_F(FormTest, ControlArraysAreIndexed) {
  form_->AddTextBox(L"txtLinje", Element(0));
  auto second = form_->AddTextBox(L"txtLinje", Element(1));
  auto single = form_->AddTextBox(L"txtEne");
  CallResult element = Get(F(), L"txtLinje", {1});
  ASSERT_TRUE(element.Ok()) << element;
  EXPECT_EQ(element.Object().Get(), second->Disp());
  EXPECT_EQ(Get(second->Disp(), L"Index").Long(), 1);
  EXPECT_EQ(Get(F(), L"txtLinje", {5}).ErrorNumber(), 340);
  EXPECT_EQ(Get(single->Disp(), L"Index").ErrorNumber(), 343);
}

TEST_F(FormTest, SizesAreTwipsUntilScaleModeSaysPixels) {
  const int dpi = form_->DpiX();
  RECT client{}, outer{};
  ::GetClientRect(form_->Hwnd(), &client);
  ::GetWindowRect(form_->Hwnd(), &outer);
  EXPECT_EQ(Get(F(), L"ScaleMode").Long(), 1);
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleWidth").Double(), client.right * 1440.0 / dpi);
  EXPECT_DOUBLE_EQ(Get(F(), L"Width").Double(), (outer.right - outer.left) * 1440.0 / dpi);
  auto text = form_->AddTextBox(L"txtNavn", At({16, 24, 100, 20}));
  EXPECT_DOUBLE_EQ(Get(text->Disp(), L"Left").Double(), 16 * 1440.0 / dpi);

  ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleWidth").Double(), client.right);
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleHeight").Double(), client.bottom);
  EXPECT_DOUBLE_EQ(Get(text->Disp(), L"Top").Double(), 24);
  ASSERT_TRUE(Put(text->Disp(), L"Width", 50).Ok());
  EXPECT_EQ(text->PixelRect().right - text->PixelRect().left, 50);
  // The form's own size stays in twips.
  EXPECT_DOUBLE_EQ(Get(F(), L"Width").Double(), (outer.right - outer.left) * 1440.0 / dpi);
  EXPECT_EQ(Put(F(), L"ScaleMode", 8).ErrorNumber(), 380);
}

TEST_F(FormTest, FormGeometryMovesTheWindow) {
  const int dpi = form_->DpiX();
  ASSERT_TRUE(Put(F(), L"Width", 6000).Ok());
  ASSERT_TRUE(Put(F(), L"Left", 1500).Ok());
  RECT outer{};
  ::GetWindowRect(form_->Hwnd(), &outer);
  EXPECT_EQ(outer.right - outer.left, 6000 * dpi / 1440);
  EXPECT_EQ(outer.left, 1500 * dpi / 1440);
}

TEST_F(FormTest, HandlesCaptionAndDrawingProperties) {
  EXPECT_EQ(HwndOf(F()), form_->Hwnd());
  EXPECT_EQ(Get(F(), L"Name").Text(), L"frmKunde");
  ASSERT_TRUE(Put(F(), L"Caption", L"Kunde \u00F8").Ok());
  EXPECT_EQ(ReadWindowText(form_->Hwnd()), L"Kunde \u00F8");
  HDC dc = reinterpret_cast<HDC>(static_cast<LONG_PTR>(Get(F(), L"hdc").Long()));
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(::WindowFromDC(dc), form_->Hwnd());
  EXPECT_EQ(Get(F(), L"DrawWidth").Long(), 1);
  EXPECT_EQ(Put(F(), L"DrawWidth", 0).ErrorNumber(), 380);
}

TEST_F(FormTest, IconIsNothingUntilSet) {
  CallResult none = Get(F(), L"Icon");
  ASSERT_EQ(none.value.Type(), VT_DISPATCH);
  EXPECT_EQ(none.Object().Get(), nullptr);
  kb::ComPtr<IDispatch> picture = MakeIconPicture();
  ASSERT_TRUE(PutRef(F(), L"Icon", picture.Get()).Ok());
  EXPECT_EQ(Get(F(), L"Icon").Object().Get(), picture.Get());
  EXPECT_EQ(Get(picture.Get(), L"Type").Long(), PICTYPE_ICON);
}

TEST_F(FormTest, ButtonValueTrueClicksIt) {
  auto button = form_->AddCommandButton(L"cmdOk", Button(L"OK"));
  int clicked = 0;
  button->OnClick([&] { ++clicked; });
  ASSERT_TRUE(Put(button->Disp(), L"Value", true).Ok());
  EXPECT_EQ(button->Clicks(), 1);
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(Get(button->Disp(), L"Caption").Text(), L"OK");
}

TEST_F(FormTest, LabelHasNoWindowHandleMember) {
  auto label = form_->AddLabel(L"lblNavn");
  EXPECT_EQ(Get(label->Disp(), L"hwnd").hr, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Get(label->Disp(), L"SetFocus").hr, DISP_E_UNKNOWNNAME);
}

TEST_F(FormTest, CommonPropertiesReachTheControlWindow) {
  auto text = form_->AddTextBox(L"txtNavn");
  IDispatch* t = text->Disp();
  HWND edit = text->Hwnd();
  ASSERT_TRUE(Put(t, L"TabStop", false).Ok());
  EXPECT_FALSE(::GetWindowLongW(edit, GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(Get(t, L"TabStop").Bool());
  ASSERT_TRUE(Put(t, L"Enabled", false).Ok());
  EXPECT_FALSE(::IsWindowEnabled(edit));
  EXPECT_EQ(CallMethod(t, L"SetFocus").ErrorNumber(), 5);
  ASSERT_TRUE(Put(t, L"Enabled", true).Ok());
  ASSERT_TRUE(CallMethod(t, L"SetFocus").Ok());
  EXPECT_EQ(::GetFocus(), edit);
  ASSERT_TRUE(Put(t, L"Visible", false).Ok());
  EXPECT_FALSE(::GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(Get(t, L"Visible").Bool());
  ASSERT_TRUE(Put(t, L"Tag", L"n\u00F8gle").Ok());
  EXPECT_EQ(Get(t, L"Tag").Text(), L"n\u00F8gle");
  auto list = form_->AddListBox(L"lstByer");
  ASSERT_TRUE(Put(list->Disp(), L"ToolTipText", L"V\u00E6lg by").Ok());
  EXPECT_EQ(Get(list->Disp(), L"ToolTipText").Text(), L"V\u00E6lg by");
}

TEST_F(FormTest, FontPropertiesChangeTheWindowFont) {
  auto text = form_->AddTextBox(L"txtNavn");
  IDispatch* t = text->Disp();
  // Until set, the control carries the system's dialog font.
  EXPECT_FALSE(Get(t, L"FontName").Text().empty());
  EXPECT_GT(Get(t, L"FontSize").Double(), 0);
  ASSERT_TRUE(Put(t, L"FontName", L"Arial").Ok());
  ASSERT_TRUE(Put(t, L"FontSize", 12).Ok());
  ASSERT_TRUE(Put(t, L"FontBold", true).Ok());
  auto font = reinterpret_cast<HFONT>(::SendMessageW(text->Hwnd(), WM_GETFONT, 0, 0));
  LOGFONTW face{};
  ASSERT_EQ(::GetObjectW(font, sizeof face, &face), static_cast<int>(sizeof face));
  EXPECT_STREQ(face.lfFaceName, L"Arial");
  EXPECT_EQ(face.lfHeight, -::MulDiv(12, form_->DpiY(), 72));
  EXPECT_EQ(face.lfWeight, FW_BOLD);
  EXPECT_EQ(Get(t, L"FontName").Text(), L"Arial");
  EXPECT_DOUBLE_EQ(Get(t, L"FontSize").Double(), 12);
  EXPECT_EQ(Put(t, L"FontSize", 0).ErrorNumber(), 380);
}

TEST_F(FormTest, ControlsMoveInTheFormsScale) {
  auto text = form_->AddTextBox(L"txtNavn");
  IDispatch* t = text->Disp();
  ASSERT_TRUE(Put(t, L"Left", 40 * 1440 / form_->DpiX()).Ok());
  EXPECT_EQ(text->PixelRect().left, 40);
  ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
  ASSERT_TRUE(CallMethod(t, L"Move", {10, 20, 30, 40}).Ok());
  RECT r = text->PixelRect();
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 40);
  EXPECT_EQ(r.bottom, 60);
  ASSERT_TRUE(CallMethod(t, L"Move", {5}).Ok());
  EXPECT_EQ(text->PixelRect().left, 5);
  EXPECT_EQ(text->PixelRect().right, 35);
  EXPECT_EQ(Put(t, L"Height", -1).ErrorNumber(), 380);
}

TEST_F(FormTest, TextBoxLimitsAndLocks) {
  auto text = form_->AddTextBox(L"txtKode");
  ASSERT_TRUE(Put(text->Disp(), L"MaxLength", 3).Ok());
  EXPECT_EQ(::SendMessageW(text->Hwnd(), EM_GETLIMITTEXT, 0, 0), 3);
  EXPECT_EQ(Get(text->Disp(), L"MaxLength").Long(), 3);
  ASSERT_TRUE(Put(text->Disp(), L"Locked", true).Ok());
  EXPECT_TRUE(::GetWindowLongW(text->Hwnd(), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(Get(text->Disp(), L"Locked").Bool());
}

TEST_F(FormTest, SortedListBoxSelectionByTextAndSelected) {
  ListBoxOptions sorted;
  sorted.sorted = true;
  auto list = form_->AddListBox(L"lstNavne", sorted);
  IDispatch* l = list->Disp();
  for (const wchar_t* name : {L"b", L"a", L"c"}) CallMethod(l, L"AddItem", {name});
  EXPECT_EQ(list->Items(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_TRUE(Get(l, L"Sorted").Bool());
  ASSERT_TRUE(Put(l, L"Text", L"c").Ok());
  EXPECT_EQ(Get(l, L"ListIndex").Long(), 2);
  ASSERT_TRUE(Put(l, L"Text", L"zz").Ok());
  EXPECT_EQ(Get(l, L"ListIndex").Long(), -1);
  ASSERT_TRUE(Put(l, L"Selected", true, {1}).Ok());
  EXPECT_EQ(Get(l, L"ListIndex").Long(), 1);
  EXPECT_TRUE(Get(l, L"Selected", {1}).Bool());
  ASSERT_TRUE(Put(l, L"Selected", false, {1}).Ok());
  EXPECT_EQ(Get(l, L"ListIndex").Long(), -1);
  EXPECT_EQ(Get(l, L"Selected", {7}).ErrorNumber(), 381);
}

TEST_F(FormTest, LabelCaptionIsItsDefaultMemberAndWindowText) {
  auto label = form_->AddLabel(L"lblNavn");
  CallResult put = CallId(label->Disp(), DISPID_VALUE, DISPATCH_PROPERTYPUT,
                          {Arg::Named(DISPID_PROPERTYPUT, L"Navn:")});
  ASSERT_TRUE(put.Ok()) << put;
  EXPECT_EQ(WindowText(label->Hwnd()), L"Navn:");
  EXPECT_EQ(label->Caption(), L"Navn:");
}

TEST_F(FormTest, FormVisibilityAndWindowState) {
  ASSERT_TRUE(CallMethod(F(), L"Hide").Ok());
  EXPECT_FALSE(::IsWindowVisible(form_->Hwnd()));
  EXPECT_FALSE(Get(F(), L"Visible").Bool());
  ASSERT_TRUE(CallMethod(F(), L"Show").Ok());
  EXPECT_TRUE(Get(F(), L"Visible").Bool());
  ASSERT_TRUE(Put(F(), L"WindowState", 2).Ok());
  EXPECT_TRUE(::IsZoomed(form_->Hwnd()));
  EXPECT_EQ(Get(F(), L"WindowState").Long(), 2);
  ASSERT_TRUE(Put(F(), L"WindowState", 0).Ok());
  EXPECT_FALSE(::IsZoomed(form_->Hwnd()));
  EXPECT_EQ(Put(F(), L"WindowState", 3).ErrorNumber(), 380);
  const int dpi = form_->DpiX();
  ASSERT_TRUE(CallMethod(F(), L"Move", {0, 0, 4500, 3000}).Ok());
  RECT outer{};
  ::GetWindowRect(form_->Hwnd(), &outer);
  EXPECT_EQ(outer.right - outer.left, 4500 * dpi / 1440);
}

TEST_F(FormTest, RunTimeErrorsCarryExceptionInfo) {
  auto list = form_->AddListBox(L"lstByer");
  CallResult r = Put(list->Disp(), L"List", L"x", {0});
  EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(r.scode, RuntimeErrorHr(381));
  EXPECT_EQ(r.source, L"ListBox");
  EXPECT_EQ(r.description, L"Invalid property array index");
  // Without an EXCEPINFO the error comes back as the HRESULT itself.
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR name = const_cast<LPOLESTR>(L"RemoveItem");
  ASSERT_EQ(list->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  kb::Variant index = VI4(0);
  DISPPARAMS params{index.Get(), nullptr, 1, 0};
  EXPECT_EQ(list->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            RuntimeErrorHr(5));
}

TEST_F(FormTest, ControlsOutliveTheirForm) {
  auto text = form_->AddTextBox(L"txtNavn");
  form_ = nullptr;
  CallResult parent = Get(text->Disp(), L"Parent");
  ASSERT_TRUE(parent.Ok()) << parent;
  EXPECT_EQ(parent.Object().Get(), nullptr);
  EXPECT_TRUE(Get(text->Disp(), L"Left").Ok());
}

TEST_F(FormTest, ClosingTheWindowUnloadsTheForm) {
  HWND hwnd = form_->Hwnd();
  ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return form_->Unloaded(); }));
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(form_->CloseRequests(), 1);
  EXPECT_EQ(Get(F(), L"Caption").Text(), L"Kunde");
}

TEST_F(FormTest, AFormThatCancelsItsUnloadStays) {
  form_->SetCancelUnload(true);
  form_->Close();
  EXPECT_FALSE(form_->Unloaded());
  EXPECT_TRUE(::IsWindow(form_->Hwnd()));
  EXPECT_EQ(form_->CloseRequests(), 1);
  form_->SetCancelUnload(false);
  ::SendMessageW(form_->Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(form_->Unloaded());
}

// ------------------------------------------------- drawing, scale, new kinds

TEST_F(FormTest, TheFormItselfEnumeratesItsControls) {
  form_->AddTextBox(L"txtNavn");
  form_->Add<Line>(L"linSkille", LineOptions{});
  form_->Add<Timer>(L"tmrUr", TimerOptions{});
  HRESULT hr = E_FAIL;
  std::vector<kb::Variant> items = Enumerate(F(), &hr);
  ASSERT_EQ(hr, S_OK) << HresultText(hr);
  std::vector<std::wstring> names;
  for (kb::Variant& item : items) names.push_back(Get(V_DISPATCH(item.Get()), L"Name").Text());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"txtNavn", L"linSkille", L"tmrUr"}));
}

TEST_F(FormTest, AUserScaleKeepsItsUnitsPerPixelWhenTheFormGrows) {
  form_->SetClientSize(300, 200);
  ASSERT_TRUE(Put(F(), L"ScaleWidth", 6000).Ok());
  ASSERT_TRUE(Put(F(), L"ScaleHeight", 1000).Ok());
  EXPECT_EQ(Get(F(), L"ScaleMode").Long(), 0);
  auto text = form_->AddTextBox(L"txtNavn", At({30, 40, 60, 20}));
  EXPECT_DOUBLE_EQ(Get(text->Disp(), L"Left").Double(), 600);
  EXPECT_DOUBLE_EQ(Get(text->Disp(), L"Top").Double(), 200);
  form_->SetClientSize(450, 250);
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleWidth").Double(), 9000);
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleHeight").Double(), 1250);
  // Choosing the user scale by number keeps the scale in use.
  ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
  ASSERT_TRUE(Put(F(), L"ScaleMode", 0).Ok());
  EXPECT_DOUBLE_EQ(Get(F(), L"ScaleWidth").Double(), 450);
  EXPECT_EQ(Put(F(), L"ScaleWidth", 0).ErrorNumber(), 380);
}

class DrawingTest : public FormTest {
 protected:
  void SetUp() override {
    form_->SetClientSize(200, 100);
    ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
    ASSERT_TRUE(Put(F(), L"BackColor", 0xFFFFFF).Ok());
  }
  COLORREF Pixel(int x, int y) const { return ::GetPixel(form_->WindowHdc(), x, y); }
  CallResult Box(long flags, int x1, int y1, int x2, int y2, std::optional<long> color = {}) {
    std::vector<Arg> args{flags, x1, y1, x2, y2};
    if (color) args.emplace_back(*color);
    return CallMethod(F(), L"Line", std::move(args));
  }
};

TEST_F(DrawingTest, ABoxWithAnInvisibleOutlineFillsBothCornersInclusive) {
  ASSERT_TRUE(Put(F(), L"DrawStyle", 5).Ok());
  ASSERT_TRUE(Put(F(), L"FillStyle", 0).Ok());
  ASSERT_TRUE(Put(F(), L"FillColor", 0xFF0000).Ok());
  ASSERT_TRUE(Box(kb::rt::kLineBox, 10, 20, 30, 22).Ok());
  const COLORREF blue = RGB(0, 0, 255), white = RGB(255, 255, 255);
  for (int y : {20, 21, 22}) {
    EXPECT_EQ(Pixel(10, y), blue) << y;
    EXPECT_EQ(Pixel(30, y), blue) << y;
    EXPECT_EQ(Pixel(31, y), white) << y;
  }
  EXPECT_EQ(Pixel(10, 19), white);
  EXPECT_EQ(Pixel(10, 23), white);
  EXPECT_EQ(Pixel(9, 21), white);
}

TEST_F(DrawingTest, OutlinesFillsAndLinesUseTheirOwnColours) {
  // The default transparent fill leaves the inside alone.
  ASSERT_TRUE(Box(kb::rt::kLineBox, 10, 10, 20, 20, 0x0000FF).Ok());
  EXPECT_EQ(Pixel(10, 15), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(20, 20), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(15, 15), RGB(255, 255, 255));
  // BF fills with the colour, whatever the fill style.
  ASSERT_TRUE(Box(kb::rt::kLineBox | kb::rt::kLineFilled, 40, 10, 50, 20, 0x00FF00).Ok());
  EXPECT_EQ(Pixel(45, 15), RGB(0, 255, 0));
  EXPECT_EQ(Pixel(50, 20), RGB(0, 255, 0));
  // A plain line in ForeColor.
  ASSERT_TRUE(Put(F(), L"ForeColor", 0).Ok());
  ASSERT_TRUE(Box(0, 60, 30, 90, 30).Ok());
  EXPECT_EQ(Pixel(70, 30), RGB(0, 0, 0));
  EXPECT_DOUBLE_EQ(Get(F(), L"CurrentX").Double(), 90);
  EXPECT_EQ(CallMethod(F(), L"Line", {0, 1, 2, 3}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Put(F(), L"FillStyle", 8).ErrorNumber(), 380);
  EXPECT_EQ(Put(F(), L"ForeColor", 0x1000000).ErrorNumber(), 380);
}

TEST_F(DrawingTest, ClsPaintsTheBackColourAndTheDrawModeCombinesPixels) {
  ASSERT_TRUE(Box(kb::rt::kLineBox | kb::rt::kLineFilled, 0, 0, 199, 99, 0x00FF00).Ok());
  ASSERT_TRUE(CallMethod(F(), L"Cls").Ok());
  EXPECT_EQ(Pixel(100, 50), RGB(255, 255, 255));
  // Not-xor pen: a white pixel takes the pen colour.
  ASSERT_TRUE(Put(F(), L"DrawMode", 10).Ok());
  ASSERT_TRUE(Box(kb::rt::kLineBox | kb::rt::kLineFilled, 0, 0, 9, 9, 0xFF0000).Ok());
  EXPECT_EQ(Pixel(5, 5), RGB(0, 0, 255));
  ASSERT_TRUE(Box(kb::rt::kLineBox | kb::rt::kLineFilled, 0, 0, 9, 9, 0xFF0000).Ok());
  EXPECT_EQ(Pixel(5, 5), RGB(255, 255, 255)) << "drawn twice, it is undone";
}

TEST_F(DrawingTest, TextIsMeasuredAndPrintedInTheFormsFont) {
  kb::ComPtr<IDispatch> font = Get(F(), L"Font").Object();
  ASSERT_TRUE(font);
  EXPECT_EQ(Get(font.Get(), L"Name").Text(), Get(F(), L"FontName").Text());
  const double narrow = CallMethod(F(), L"TextWidth", {L"ii"}).Double();
  const double wide = CallMethod(F(), L"TextWidth", {L"WWWW"}).Double();
  EXPECT_GT(narrow, 0);
  EXPECT_GT(wide, narrow);
  const double height = CallMethod(F(), L"TextHeight", {L"x"}).Double();
  ASSERT_TRUE(Put(F(), L"FontSize", 24).Ok());
  EXPECT_GT(CallMethod(F(), L"TextHeight", {L"x"}).Double(), height * 2);
  ASSERT_TRUE(Put(F(), L"ForeColor", 0xFF).Ok());
  ASSERT_TRUE(Put(F(), L"CurrentY", 10).Ok());
  ASSERT_TRUE(CallMethod(F(), L"Print", {L"WWW"}).Ok());
  Image image = CaptureClient(form_->Hwnd());
  int red = 0;
  for (COLORREF c : image.pixels) red += c == RGB(255, 0, 0);
  EXPECT_GT(red, 20) << "the printed text shows in ForeColor";
  EXPECT_NEAR(Get(F(), L"CurrentY").Double(), 10 + CallMethod(F(), L"TextHeight", {L"W"}).Double(),
              0.01);
}

TEST_F(DrawingTest, AutoRedrawKeepsTheDrawingThroughARepaint) {
  ASSERT_TRUE(Put(F(), L"AutoRedraw", true).Ok());
  HDC image = reinterpret_cast<HDC>(static_cast<LONG_PTR>(Get(F(), L"hdc").Long()));
  EXPECT_NE(image, form_->WindowHdc());
  ASSERT_TRUE(Box(kb::rt::kLineBox | kb::rt::kLineFilled, 0, 0, 20, 20, 0xFF0000).Ok());
  ASSERT_TRUE(CallMethod(F(), L"Refresh").Ok());
  EXPECT_EQ(Pixel(10, 10), RGB(0, 0, 255));
  ::RedrawWindow(form_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(Pixel(10, 10), RGB(0, 0, 255));
  ASSERT_TRUE(Put(F(), L"AutoRedraw", false).Ok());
  ::RedrawWindow(form_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(Pixel(10, 10), RGB(255, 255, 255));
}

TEST_F(FormTest, LinesHaveEndsButNoBox) {
  ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
  auto line = form_->Add<Line>(L"linSkille", LineOptions::Between({10, 20}, {110, 20}));
  IDispatch* l = line->Disp();
  EXPECT_DOUBLE_EQ(Get(l, L"X1").Double(), 10);
  EXPECT_DOUBLE_EQ(Get(l, L"X2").Double(), 110);
  ASSERT_TRUE(Put(l, L"Y2", 40).Ok());
  EXPECT_EQ(line->To().y, 40);
  for (const wchar_t* missing : {L"Left", L"Top", L"Width", L"Height", L"Move", L"hwnd"})
    EXPECT_EQ(Get(l, missing).hr, DISP_E_UNKNOWNNAME) << Utf8(missing);
  EXPECT_EQ(Get(l, L"Index").ErrorNumber(), 343);
}

TEST_F(FormTest, TimersHaveAPositionAndFireWhileMessagesRun) {
  ASSERT_TRUE(Put(F(), L"ScaleMode", 3).Ok());
  auto timer = form_->Add<Timer>(L"tmrUr", TimerOptions::Every(5, {16, 24}));
  IDispatch* t = timer->Disp();
  EXPECT_DOUBLE_EQ(Get(t, L"Left").Double(), 16);
  EXPECT_DOUBLE_EQ(Get(t, L"Top").Double(), 24);
  EXPECT_EQ(Get(t, L"Width").hr, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Get(t, L"Move").hr, DISP_E_UNKNOWNNAME);
  int ticks = 0;
  timer->OnTick([&] { ++ticks; });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  ASSERT_TRUE(Put(t, L"Enabled", false).Ok());
  const int stopped = ticks;
  ::Sleep(30);
  PumpMessages();
  EXPECT_EQ(ticks, stopped);
  EXPECT_EQ(Put(t, L"Interval", -1).ErrorNumber(), 380);
}

TEST_F(FormTest, AComboBoxRefusesAHeight) {
  auto combo = form_->Add<ComboBox>(L"cboBy", ComboBoxOptions{});
  IDispatch* c = combo->Disp();
  const double height = Get(c, L"Height").Double();
  EXPECT_EQ(Put(c, L"Height", 600).ErrorNumber(), 383);
  EXPECT_EQ(CallMethod(c, L"Move", {150, 150, 1500, 600}).ErrorNumber(), 383);
  ASSERT_TRUE(CallMethod(c, L"Move", {150, 300, 1500}).Ok());
  EXPECT_DOUBLE_EQ(Get(c, L"Top").Double(), 300);
  EXPECT_DOUBLE_EQ(Get(c, L"Width").Double(), 1500);
  EXPECT_DOUBLE_EQ(Get(c, L"Height").Double(), height);
  ASSERT_TRUE(CallMethod(c, L"AddItem", {L"Odense"}).Ok());
  EXPECT_EQ(Get(c, L"ListCount").Long(), 1);
  EXPECT_EQ(Get(c, L"List", {0}).Text(), L"Odense");
}

TEST_F(FormTest, FormsAndControlsNameTheirClassInTheirTypeInformation) {
  auto text = form_->AddTextBox(L"txtNavn");
  auto line = form_->Add<Line>(L"linSkille", LineOptions{});
  for (auto [object, expected] :
       {std::pair<IDispatch*, const wchar_t*>{text->Disp(), L"TextBox"}, {line->Disp(), L"Line"}}) {
    UINT count = 0;
    ASSERT_EQ(object->GetTypeInfoCount(&count), S_OK);
    ASSERT_EQ(count, 1u);
    kb::ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.Out()), S_OK);
    kb::Bstr name;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.View(), expected);
  }
  // A form's type is the client's own name for it, which is a Form.
  kb::ComPtr<ITypeInfo> form;
  ASSERT_EQ(F()->GetTypeInfo(0, 0, form.Out()), S_OK);
  kb::Bstr name;
  form->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.View(), Get(F(), L"Name").Text());
  HREFTYPE ref = 0;
  kb::ComPtr<ITypeInfo> base;
  ASSERT_EQ(form->GetRefTypeOfImplType(0, &ref), S_OK);
  ASSERT_EQ(form->GetRefTypeInfo(ref, base.Out()), S_OK);
  base->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.View(), L"Form");
}

TEST_F(FormTest, TheCallLogShowsWhatWasReadAssignedAndCalled) {
  auto text = form_->AddTextBox(L"txtNavn");
  text->StartLog();
  Get(text->Disp(), L"Left");
  Put(text->Disp(), L"Top", L"150");
  CallMethod(text->Disp(), L"Move", {1, 2});
  const auto& log = text->Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].member, L"Left");
  EXPECT_FALSE(log[0].IsPut());
  ASSERT_EQ(text->PutsOf(L"top").size(), 1u);
  const VARIANT* value = text->PutsOf(L"top")[0]->value.Get();
  ASSERT_EQ(V_VT(value), VT_BSTR);
  EXPECT_EQ(kb::View(V_BSTR(value)), L"150");
  ASSERT_EQ(text->CallsOf(L"Move").size(), 1u);
  EXPECT_EQ(text->CallsOf(L"Move")[0]->args.size(), 2u);
}

}  // namespace
}  // namespace kb::support
