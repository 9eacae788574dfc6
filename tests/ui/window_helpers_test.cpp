// The window helpers as a client's forms feel them: the registered library
// acting on model forms with real windows, read back from the windows
// themselves (styles, system menu, position, pixels, captions, dialogs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/errors.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/message_pump.h"
#include "tests/support/msgbox_recorder.h"
#include "tests/support/pixels.h"
#include "tests/support/property_bag.h"

namespace kb::support {
namespace {

// The test display: 1280 x 1024 pixels at 96 dots per inch, so the screen
// is 19200 x 15360 twips.
constexpr double kScreenHeight = 15360;

bool StandardScreen() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return ::GetSystemMetrics(SM_CXSCREEN) == 1280 && ::GetSystemMetrics(SM_CYSCREEN) == 1024 &&
         dpi == 96;
}

FormOptions Sized(int width, int height, bool visible = true) {
  FormOptions o;
  o.name = L"frmTest";
  o.caption = L"Kitbag";
  o.width = width;
  o.height = height;
  o.visible = visible;
  return o;
}

double NumberOf(const VARIANT& v) { return AsDouble(v); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StandardScreen()) GTEST_SKIP() << "needs the 1280 x 1024, 96 dpi test display";
  }
  CallResult Common(const wchar_t* member, std::vector<Arg> args = {}) {
    return CallMethod(common_.Get(), member, std::move(args));
  }
  RECT Outer() const {
    RECT r{};
    ::GetWindowRect(form_->Hwnd(), &r);
    return r;
  }
  // The values a routine assigned to a property, as numbers.
  static std::vector<double> Assigned(const DispatchObject& object, const wchar_t* member) {
    std::vector<double> values;
    for (const LoggedCall* put : object.PutsOf(member))
      values.push_back(NumberOf(*put->value.Get()));
    return values;
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::ComPtr<Form> form_ = Make<Form>(Sized(480, 360));
};

// ------------------------------------------------------------ on top, close

TEST_F(WindowTest, OnlyTrueItselfKeepsTheFormOnTop) {
  auto* early = Early<kb::_clsCommon>(common_);
  IDispatch* form = form_->Disp();
  const RECT before = Outer();
  struct Case {
    VARIANT_BOOL value;
    bool topmost;
  };
  for (const Case c : {Case{VARIANT_TRUE, true}, Case{1, false}, Case{VARIANT_TRUE, true},
                       Case{VARIANT_FALSE, false}, Case{2, false}}) {
    VARIANT_BOOL value = c.value;
    ASSERT_EQ(early->lpVtbl->cmn_FormOnTop(early, &form, &value), S_OK);
    const bool topmost = (::GetWindowLongW(form_->Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    EXPECT_EQ(topmost, c.topmost) << "FormOnTop = " << c.value;
  }
  const RECT after = Outer();
  EXPECT_TRUE(::EqualRect(&before, &after)) << "position and size are kept";
  // Late bound, a script's True and a Boolean holding 1 as they come.
  ASSERT_TRUE(Common(L"cmn_FormOnTop", {form_->Disp(), true}).Ok());
  EXPECT_NE(::GetWindowLongW(form_->Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  kb::Variant one;
  V_VT(one.Get()) = VT_BOOL;
  V_BOOL(one.Get()) = 1;
  ASSERT_TRUE(Common(L"cmn_FormOnTop", {form_->Disp(), Arg(std::move(one))}).Ok());
  EXPECT_EQ(::GetWindowLongW(form_->Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(Common(L"cmn_FormOnTop", {static_cast<IDispatch*>(nullptr), true}).ErrorNumber(), 91);
}

std::vector<UINT> MenuIds(HWND hwnd) {
  HMENU menu = ::GetSystemMenu(hwnd, FALSE);
  std::vector<UINT> ids;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) ids.push_back(::GetMenuItemID(menu, i));
  return ids;
}

TEST_F(WindowTest, DisableXRemovesTheLastTwoItemsOfTheSystemMenuEachTime) {
  const std::vector<UINT> before = MenuIds(form_->Hwnd());
  ASSERT_GE(before.size(), 4u);
  ASSERT_TRUE(Common(L"cmn_DisableX", {form_->Disp()}).Ok());
  EXPECT_EQ(MenuIds(form_->Hwnd()), std::vector<UINT>(before.begin(), before.end() - 2));
  ASSERT_TRUE(Common(L"cmn_DisableX", {form_->Disp()}).Ok());
  EXPECT_EQ(MenuIds(form_->Hwnd()), std::vector<UINT>(before.begin(), before.end() - 4));
}

TEST_F(WindowTest, DisableXOnAWindowWithoutASystemMenuChangesNothing) {
  // A child window has no system menu; neither has no window at all.
  auto text = form_->AddTextBox(L"txtNavn");
  ASSERT_EQ(::GetSystemMenu(text->Hwnd(), FALSE), nullptr);
  auto bag = Make<PropertyBag>(L"Form");
  for (HWND hwnd : {text->Hwnd(), static_cast<HWND>(nullptr)}) {
    bag->Set(L"hwnd", static_cast<double>(reinterpret_cast<LONG_PTR>(hwnd)));
    CallResult r = Common(L"cmn_DisableX", {bag->Disp()});
    EXPECT_TRUE(r.Ok()) << r;
  }
}

// ------------------------------------------------------------------ centre

TEST_F(WindowTest, CenterFormSplitsWhatTheScreenLeavesTruncatingHalves) {
  struct Case {
    int width, height;  // outer size in pixels
    double left, top;   // what is assigned, in twips
  };
  const Case cases[] = {
      {321, 201, 7192, 6172},  // (19200 - 4815) \ 2 and (15360 - 3015) \ 2
      {480, 360, 6000, 4980},  //
      {1292, 1036, -90, -90},  // larger than the screen: off its top left
  };
  for (const Case& c : cases) {
    auto form = Make<Form>(Sized(c.width, c.height));
    RECT r{};
    ::GetWindowRect(form->Hwnd(), &r);
    ASSERT_EQ(r.right - r.left, c.width) << "the window manager kept the size";
    form->StartLog();
    ASSERT_TRUE(Common(L"cmn_CenterForm", {form->Disp()}).Ok());
    EXPECT_EQ(Assigned(*form, L"Left"), std::vector<double>{c.left}) << c.width;
    EXPECT_EQ(Assigned(*form, L"Top"), std::vector<double>{c.top}) << c.height;
  }
}

TEST_F(WindowTest, CenterFormRoundsTheDifferenceHalfToEvenBeforeHalving) {
  auto form = Make<PropertyBag>(L"Form");
  for (auto [width, left] : {std::pair{4800.5, 7200.0}, {4801.5, 7199.0}}) {
    form->Set(L"Width", width);
    form->Set(L"Height", 3600.0);
    form->Set(L"Left", 0.0);
    form->Set(L"Top", 0.0);
    ASSERT_TRUE(Common(L"cmn_CenterForm", {form->Disp()}).Ok());
    EXPECT_EQ(form->Number(L"Left"), left) << width;
    EXPECT_EQ(form->Number(L"Top"), (kScreenHeight - 3600) / 2);
  }
  auto noHeight = Make<PropertyBag>(L"Form");
  noHeight->Set(L"Width", 4800.0);
  noHeight->Set(L"Left", 0.0);
  EXPECT_EQ(Common(L"cmn_CenterForm", {noHeight->Disp()}).ErrorNumber(), 438);
  EXPECT_EQ(noHeight->Number(L"Left"), 7200) << "Left was placed before Height was needed";
}

// ---------------------------------------------------------------- gradient

class GradientTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form_->SetClientSize(360, 255);
  }
};

TEST_F(GradientTest, BlueFallsByOnePerRowFromTopToBottom) {
  form_->StartLog();
  ASSERT_TRUE(Common(L"cmn_FormSetup", {form_->Disp()}).Ok());
  const Image image = CaptureClient(form_->Hwnd());
  ASSERT_EQ(image.height, 255);
  for (int y = 0; y < image.height; ++y) {
    for (int x : {0, image.width / 2, image.width - 1}) {
      ASSERT_EQ(image.At(x, y), RGB(0, 0, 254 - y)) << "row " << y << ", column " << x;
    }
  }
  EXPECT_EQ(form_->CallsOf(L"Line").size(), 256u) << "one band per row and one more";
  EXPECT_EQ(Get(form_->Disp(), L"ScaleMode").Long(), 3);
  EXPECT_EQ(Get(form_->Disp(), L"DrawStyle").Long(), 5);
  EXPECT_EQ(Get(form_->Disp(), L"FillStyle").Long(), 0);
  EXPECT_EQ(Get(form_->Disp(), L"FillColor").Long(), 0) << "the last band's colour stays";
  const std::vector<double> fills = Assigned(*form_, L"FillColor");
  ASSERT_EQ(fills.size(), 256u);
  EXPECT_EQ(fills.front(), 255 * 65536);
  EXPECT_EQ(fills[128], (255 - 128) * 65536);
}

TEST_F(GradientTest, TheScreenshotForTheDocumentation) {
  ASSERT_TRUE(Put(form_->Disp(), L"Caption", L"Kitbag - cmn_FormSetup").Ok());
  ASSERT_TRUE(Common(L"cmn_FormSetup", {form_->Disp()}).Ok());
  const Image shot = CaptureWindow(form_->Hwnd());
  ASSERT_GT(shot.width, 360);
  EXPECT_TRUE(SaveBmp(shot, L"gradient.bmp"));
}

TEST_F(GradientTest, FailuresEndThePaintingQuietly) {
  // Not an object, an object without the drawing members: nothing happens.
  EXPECT_TRUE(Common(L"cmn_FormSetup", {L"frmKunde"}).Ok());
  auto bag = Make<PropertyBag>(L"Form");
  bag->StartLog();
  EXPECT_TRUE(Common(L"cmn_FormSetup", {bag->Disp()}).Ok());
  EXPECT_EQ(bag->Log().size(), 0u) << "ScaleMode is not a member: the first step fails";
  // No height: the first band divides by zero, after the settings are made.
  form_->SetClientSize(360, 0);
  form_->StartLog();
  EXPECT_TRUE(Common(L"cmn_FormSetup", {form_->Disp()}).Ok());
  EXPECT_EQ(Get(form_->Disp(), L"DrawStyle").Long(), 5);
  EXPECT_EQ(Get(form_->Disp(), L"FillStyle").Long(), 0);
  EXPECT_TRUE(form_->PutsOf(L"FillColor").empty());
  EXPECT_TRUE(form_->CallsOf(L"Line").empty());
}

// -------------------------------------------------------------- slide out

struct Exit {
  const char* what;
  long style;
  const wchar_t* coordinate;
  double start, step;
  size_t rounds;
};

class FormExitTest : public WindowTest {
 protected:
  CallResult FormExit(IDispatch* form, std::vector<Arg> args) {
    args.insert(args.begin(), Arg(form));
    return Common(L"cmn_FormExit", std::move(args));
  }
  // The texts assigned to a coordinate.
  static std::vector<std::wstring> Texts(const Form& form, const wchar_t* member) {
    std::vector<std::wstring> texts;
    for (const LoggedCall* put : form.PutsOf(member)) {
      EXPECT_EQ(V_VT(put->value.Get()), VT_BSTR) << "assigned as text";
      texts.push_back(AsText(*put->value.Get()));
    }
    return texts;
  }
};

TEST_F(FormExitTest, TheFormSlidesOutInEachDirectionAndIsUnloaded) {
  // The form is 480 x 360 pixels (7200 x 5400 twips) at (40, 40) pixels.
  const Exit exits[] = {
      {"down, past the screen's height", 0, L"Top", 600, 1500, 10},
      {"up, until wholly above", 1, L"Top", 600, -1500, 5},
      {"left, until wholly to the left", 2, L"Left", 600, -1500, 6},
      {"right, past the screen's width", 3, L"Left", 600, 1500, 13},
  };
  for (const Exit& e : exits) {
    SCOPED_TRACE(e.what);
    auto form = Make<Form>(Sized(480, 360));
    form->StartLog();
    CallResult r = FormExit(form->Disp(), {e.style, 1500});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(r.value.Type(), VT_EMPTY);
    const std::vector<double> moves = Assigned(*form, e.coordinate);
    ASSERT_EQ(moves.size(), e.rounds);
    for (size_t i = 0; i < moves.size(); ++i)
      EXPECT_EQ(moves[i], e.start + e.step * static_cast<double>(i + 1)) << i;
    EXPECT_TRUE(form->PutsOf(e.coordinate == std::wstring(L"Top") ? L"Left" : L"Top").empty());
    EXPECT_TRUE(form->Unloaded());
  }
}

TEST_F(FormExitTest, AnOmittedSpeedIsThirtyTwipsAssignedAsText) {
  ASSERT_TRUE(Put(form_->Disp(), L"Top", 15000).Ok());
  form_->StartLog();
  CallResult r = FormExit(form_->Disp(), {});
  ASSERT_TRUE(r.Ok()) << r;
  const std::vector<std::wstring> texts = Texts(*form_, L"Top");
  ASSERT_EQ(texts.size(), 13u);
  EXPECT_EQ(texts.front(), L"15030");
  EXPECT_EQ(texts.back(), L"15390");
  EXPECT_TRUE(form_->Unloaded());
}

TEST_F(FormExitTest, AFractionalSpeedIsWrittenSoThePropertyReadsItBack) {
  form_->StartLog();
  ASSERT_TRUE(FormExit(form_->Disp(), {3, 22.5}).Ok());
  const std::vector<double> moves = Assigned(*form_, L"Left");
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[0], 622.5) << "in this locale's own notation";
  EXPECT_EQ(moves[1], 652.5) << "Int of the pixel-rounded 630, plus 22.5";
  EXPECT_TRUE(form_->Unloaded());
}

TEST_F(FormExitTest, AnUnknownStyleUnloadsAtOnce) {
  form_->StartLog();
  ASSERT_TRUE(FormExit(form_->Disp(), {7, 1500}).Ok());
  EXPECT_TRUE(form_->PutsOf(L"Top").empty());
  EXPECT_TRUE(form_->PutsOf(L"Left").empty());
  EXPECT_TRUE(form_->Unloaded());
}

TEST_F(FormExitTest, ASlideThatCannotReachItsEdgeEndsAfterOneRound) {
  struct Case {
    const char* what;
    Arg speed;
  };
  const Case cases[] = {{"no speed", 0}, {"away from the edge", -1500}, {"less than a pixel", 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto form = Make<Form>(Sized(480, 360));
    form->StartLog();
    CallResult r = FormExit(form->Disp(), {0, c.speed});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(form->PutsOf(L"Top").size(), 1u);
    EXPECT_TRUE(form->Unloaded());
  }
}

TEST_F(FormExitTest, ASpeedThatIsNoNumberFailsAndTheFormStays) {
  EXPECT_EQ(FormExit(form_->Disp(), {0, L"fast"}).ErrorNumber(), 13);
  EXPECT_EQ(FormExit(form_->Disp(), {0, Arg(VNull())}).ErrorNumber(), 94);
  EXPECT_FALSE(form_->Unloaded());
  form_->StartLog();
  ASSERT_TRUE(FormExit(form_->Disp(), {1, L"1500"}).Ok()) << "a number in a text will do";
  EXPECT_EQ(form_->PutsOf(L"Top").size(), 5u);
  EXPECT_EQ(
      CallMethod(common_.Get(), L"cmn_FormExit", {static_cast<IDispatch*>(nullptr)}).ErrorNumber(),
      91);
}

TEST_F(FormExitTest, AFormThatRefusesToUnloadStays) {
  form_->SetCancelUnload(true);
  ASSERT_TRUE(FormExit(form_->Disp(), {7}).Ok());
  EXPECT_EQ(form_->CloseRequests(), 1);
  EXPECT_FALSE(form_->Unloaded());
  EXPECT_TRUE(::IsWindow(form_->Hwnd()));
}

TEST_F(FormExitTest, TheClientsHandlersRunAndMayCallTheLibraryMeanwhile) {
  auto timer = form_->Add<Timer>(L"tmrUr", TimerOptions::Every(1));
  int ticks = 0;
  HRESULT inner = E_FAIL;
  timer->OnTick([&] {
    if (ticks++) return;
    inner = Common(L"cmn_FormOnTop", {form_->Disp(), true}).hr;
  });
  ASSERT_TRUE(FormExit(form_->Disp(), {0, 15}).Ok());
  EXPECT_GE(ticks, 1);
  EXPECT_EQ(inner, S_OK);
  EXPECT_TRUE(form_->Unloaded());
}

TEST_F(FormExitTest, AHandlerThatClosesTheFormEndsTheSlide) {
  auto timer = form_->Add<Timer>(L"tmrUr", TimerOptions::Every(1));
  timer->OnTick([&] { form_->Close(); });
  CallResult r = FormExit(form_->Disp(), {0, 15});
  EXPECT_TRUE(r.Ok()) << r;
  EXPECT_TRUE(form_->Unloaded());
  EXPECT_EQ(form_->CloseRequests(), 1) << "a form already gone is not closed again";
}

// ------------------------------------ a form let go of during the animation

// A form that notes calls reaching it after its client let go of it: the
// test keeps one reference of its own, so such calls are seen, not crashes.
class WatchedForm : public Form {
 public:
  explicit WatchedForm(const FormOptions& options) : Form(options) {}
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = Form::Release();
    if (left == 1) letGo_ = true;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
    if (letGo_) ++callsAfterLettingGo_;
    return Form::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
  }
  bool LetGo() const { return letGo_; }
  int CallsAfterLettingGo() const { return callsAfterLettingGo_; }

 private:
  bool letGo_ = false;
  int callsAfterLettingGo_ = 0;
};

// A compiled client passes its global form variable; the form's own event
// handler, run by the routine's DoEvents, sets that variable to Nothing.
TEST_F(WindowTest, AnimationsKeepTheFormAliveWhenTheClientLetsGoMeanwhile) {
  auto* early = Early<kb::_clsCommon>(common_);
  for (const char* routine : {"cmn_FormExit", "cmn_AnimateCaption"}) {
    SCOPED_TRACE(routine);
    auto form = Make<WatchedForm>(Sized(480, 360));
    IDispatch* variable = form->Disp();
    variable->AddRef();
    kb::support::PostToThread([&variable] {
      if (IDispatch* last = std::exchange(variable, nullptr)) last->Release();
    });
    if (routine == std::string("cmn_FormExit")) {
      long style = 0;
      kb::Variant speed = kb::support::VI4(1500);
      VARIANT result;
      ::VariantInit(&result);
      EXPECT_EQ(S_OK, early->lpVtbl->cmn_FormExit(early, &variable, &style, speed.Get(), &result));
      ::VariantClear(&result);
    } else {
      kb::Bstr text(L"Ordrer");
      EXPECT_EQ(S_OK, early->lpVtbl->cmn_AnimateCaption(early, text.Ref(), &variable));
    }
    EXPECT_EQ(nullptr, variable) << "the handler did not run during the call";
    EXPECT_TRUE(form->LetGo()) << "the routine kept a reference after it returned";
    EXPECT_EQ(0, form->CallsAfterLettingGo()) << "calls reached a form nobody held";
  }
}

// ------------------------------------------------------------- caption

class CaptionTest : public WindowTest {
 protected:
  std::vector<std::wstring> Captions(const Form& form) {
    std::vector<std::wstring> texts;
    for (const LoggedCall* put : form.PutsOf(L"Caption"))
      texts.push_back(AsText(*put->value.Get()));
    return texts;
  }
};

TEST_F(CaptionTest, EachCharacterSlidesInFromTheRight) {
  // 125 pixels are 1875 twips: 37.5 spaces, rounded to even: 38.
  auto form = Make<Form>(Sized(125, 100, false));
  ASSERT_EQ(Get(form->Disp(), L"Width").Double(), 1875);
  form->StartLog();
  ASSERT_TRUE(Common(L"cmn_AnimateCaption", {L"AB", form->Disp()}).Ok());
  EXPECT_EQ(form->CallsOf(L"Show").size(), 1u);
  EXPECT_TRUE(::IsWindowVisible(form->Hwnd()));
  std::vector<std::wstring> expected{L""};
  for (int spaces = 38; spaces >= 0; --spaces)
    expected.push_back(std::wstring(spaces, L' ') + L"A");
  for (int spaces = 38; spaces >= 0; --spaces)
    expected.push_back(L"A" + std::wstring(spaces, L' ') + L"B");
  EXPECT_EQ(Captions(*form), expected);
  EXPECT_EQ(WindowText(form->Hwnd()), L"AB");
}

TEST_F(CaptionTest, HalfASpaceRoundsToEven) {
  // 115 pixels are 1725 twips: 34.5 spaces, rounded to even: 34.
  auto form = Make<Form>(Sized(115, 100));
  ASSERT_EQ(Get(form->Disp(), L"Width").Double(), 1725);
  form->StartLog();
  ASSERT_TRUE(Common(L"cmn_AnimateCaption", {L"x", form->Disp()}).Ok());
  const std::vector<std::wstring> captions = Captions(*form);
  ASSERT_EQ(captions.size(), 36u);
  EXPECT_EQ(captions[1], std::wstring(34, L' ') + L"x");
}

TEST_F(CaptionTest, AnEmptyTextShowsTheFormWithAnEmptyCaption) {
  auto form = Make<Form>(Sized(200, 100, false));
  ASSERT_TRUE(Common(L"cmn_AnimateCaption", {L"", form->Disp()}).Ok());
  EXPECT_TRUE(::IsWindowVisible(form->Hwnd()));
  EXPECT_EQ(WindowText(form->Hwnd()), L"");
}

TEST_F(CaptionTest, AWidthBeyondAnIntegerOverflowsAfterTheCaptionIsCleared) {
  auto bag = Make<PropertyBag>(L"Form");
  bag->AddMethod(L"Show", 2);
  bag->Set(L"Caption", 0.0);
  bag->Set(L"Width", 1.7e6);
  EXPECT_EQ(Common(L"cmn_AnimateCaption", {L"A", bag->Disp()}).ErrorNumber(), 6);
  EXPECT_EQ(AsText(bag->Value(L"Caption")), L"");
}

TEST_F(CaptionTest, TheClientsHandlersRunAndMayCallTheLibraryMeanwhile) {
  auto timer = form_->Add<Timer>(L"tmrUr", TimerOptions::Every(1));
  std::wstring seen;
  timer->OnTick([&] {
    if (seen.empty()) seen = Common(L"cmn_GetCurScreenRes").Text();
  });
  ASSERT_TRUE(Common(L"cmn_AnimateCaption", {L"Kitbag", form_->Disp()}).Ok());
  EXPECT_EQ(seen, L"1280*1024");
  EXPECT_EQ(WindowText(form_->Hwnd()), L"Kitbag");
}

// ------------------------------------------------------ resolution, about

TEST_F(WindowTest, TheTestDisplayIsReportedByItsResolution) {
  CallResult r = Common(L"cmn_GetCurScreenRes");
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(r.Text(), L"1280*1024");
}

class AboutTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    recorder_.SetDriver([this](HWND dialog, const DialogRecord&) {
      appText_ = ItemText(dialog, 100);
      otherText_ = ItemText(dialog, 101);
      return false;
    });
  }
  MsgBoxRecorder recorder_;
  std::wstring appText_, otherText_;
};

TEST_F(AboutTest, TheSystemsAboutBoxShowsTheTextsOwnedByTheForm) {
  form_->SetIcon(MakeIconPicture().Get());
  form_->StartLog();
  ASSERT_TRUE(Common(L"cmn_AboutBox", {form_->Disp(), L"Kitbag", L"A", L"B"}).Ok());
  ASSERT_EQ(recorder_.Count(), 1u);
  EXPECT_EQ(recorder_.Last().owner, form_->Hwnd());
  EXPECT_EQ(appText_, L"Kitbag");
  EXPECT_EQ(otherText_, L"A\r\nB");
  std::vector<std::wstring> read;
  for (const LoggedCall& call : form_->Log()) read.push_back(call.member);
  EXPECT_EQ(read, (std::vector<std::wstring>{L"hwnd", L"Icon"}));
}

TEST_F(AboutTest, TheApplicationTextComesBackThroughTheCodePage) {
  kb::Variant appname = VText(L"Kitbag \u03A9\u00E6");
  CallResult r = Common(L"cmn_AboutBox", {form_->Disp(), Arg::ByRef(appname.Get()), L"", L""});
  ASSERT_TRUE(r.Ok()) << r;
  EXPECT_EQ(appText_, L"Kitbag ?\u00E6");
  EXPECT_EQ(AsText(*appname.Get()), L"Kitbag ?\u00E6");
  EXPECT_EQ(otherText_, L"\r\n");
}

TEST_F(AboutTest, AFormWithoutAnIconGetsTheBoxsOwn) {
  ASSERT_TRUE(Common(L"cmn_AboutBox", {form_->Disp(), L"Kitbag", L"", L""}).Ok());
  EXPECT_EQ(recorder_.Count(), 1u);
}

TEST_F(AboutTest, WithoutAFormNothingIsShown) {
  EXPECT_EQ(Common(L"cmn_AboutBox", {L"frmKunde", L"Kitbag", L"", L""}).ErrorNumber(), 424);
  EXPECT_EQ(Common(L"cmn_AboutBox", {static_cast<IDispatch*>(nullptr), L"Kitbag", L"", L""})
                .ErrorNumber(),
            91);
  EXPECT_EQ(recorder_.Count(), 0u);
}

}  // namespace
}  // namespace kb::support
