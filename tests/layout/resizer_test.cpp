// rsz_ResizeForm against model forms with real windows: the proportional
// placement, parked controls, lines, timers, the Move fallbacks, controls
// without a record, shared baselines and the failures that reach the caller.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/errors.h"
#include "tests/support/apartment.h"
#include "tests/support/client_errors.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/property_bag.h"

namespace kb::support {
namespace {

// Where a control stands, in pixels of its form.
struct Box {
  int left, top, width, height;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << ")";
}

Box BoxOf(const Control& c) {
  const RECT r = c.PixelRect();
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TextBoxOptions At(Box b) {
  TextBoxOptions o;
  o.bounds = {b.left, b.top, b.width, b.height};
  return o;
}

TextBoxOptions Element(Box b, short index) {
  TextBoxOptions o = At(b);
  o.index = index;
  return o;
}

// A form whose Name or Top can be made to fail, as a client's object might.
class RiggedForm : public Form {
 public:
  explicit RiggedForm(const FormOptions& options) : Form(options) {
    Property(L"Top", [this](Invocation& c) {
      if (failTop) RaiseRuntimeError(kErrInvalidPropertyValue, L"Top fails");
      RECT r{};
      ::GetWindowRect(Hwnd(), &r);
      c.ReturnR4(static_cast<float>(ToTwipsY(r.top)));
    });
  }
  bool failTop = false;
};

// A text box that refuses to move at all, or to tell its Left.
class RiggedTextBox : public TextBox {
 public:
  RiggedTextBox(Form& parent, std::wstring name, const TextBoxOptions& options, bool stuck,
                bool hidesLeft)
      : TextBox(parent, std::move(name), options) {
    if (stuck) {
      Method(L"Move", {1, 4},
             [](Invocation&) { RaiseRuntimeError(kErrInvalidPropertyValue, L"Move fails"); });
    }
    if (hidesLeft)
      Property(L"Left",
               [](Invocation&) { RaiseRuntimeError(kErrInvalidPropertyValue, L"Left fails"); });
  }
};

FormOptions Named(const wchar_t* name) {
  FormOptions o;
  o.name = name;
  o.caption = name;
  return o;
}

class ResizerTest : public ::testing::Test {
 protected:
  void SetUp() override { UsePixels(*form_, {400, 200}); }

  static void UsePixels(Form& form, SIZE client) {
    ASSERT_TRUE(Put(form.Disp(), L"ScaleMode", 3).Ok());
    form.SetClientSize(client.cx, client.cy);
  }
  CallResult Resize(Form& form) {
    return CallMethod(resizer_.Get(), L"rsz_ResizeForm", {form.Disp()});
  }
  // Records the baseline at `from`, then resizes the form to `to`.
  void ResizeFromTo(Form& form, SIZE from, SIZE to) {
    form.SetClientSize(from.cx, from.cy);
    ASSERT_TRUE(Resize(form).Ok());
    form.SetClientSize(to.cx, to.cy);
    CallResult r = Resize(form);
    ASSERT_TRUE(r.Ok()) << r;
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> resizer_ = CreateLibraryObject(L"Kitbag.clsResize");
  kb::ComPtr<Form> form_ = Make<Form>(Named(L"frmKunde"));
};

// Boxes in the form's scale: pixels, or a user scale of `units` per pixel
// (windows cannot stand 75000 pixels away, but a parked control can stand
// 75000 units away).
TEST_F(ResizerTest, ControlsFollowTheWholePercentOfTheFormsInnerSize) {
  struct Case {
    const char* what;
    int units;
    SIZE from, to;
    Box before, after;
  };
  const Case cases[] = {
      {"same size", 1, {400, 200}, {400, 200}, {8, 24, 200, 63}, {8, 24, 200, 63}},
      {"150% wide, 125% high", 1, {400, 200}, {600, 250}, {8, 24, 200, 63}, {12, 30, 300, 78}},
      {"less than 1% wider", 1, {400, 200}, {403, 200}, {8, 24, 200, 63}, {8, 24, 200, 63}},
      {"one pixel narrower is 99%", 1, {400, 200}, {399, 200}, {8, 24, 200, 63}, {7, 24, 198, 63}},
      {"halved, truncated", 1, {400, 200}, {200, 100}, {9, 25, 201, 63}, {4, 12, 100, 31}},
      {"parked stays parked",
       10,
       {400, 200},
       {600, 200},
       {-74000, 100, 1000, 200},
       {-73500, 100, 1500, 200}},
      {"a genuine negative left is taken as parked",
       10,
       {400, 200},
       {600, 200},
       {-100, 100, 1000, 200},
       {37350, 100, 1500, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto form = Make<Form>(Named(L"frmSag"));
    UsePixels(*form, c.from);
    if (c.units != 1) {
      ASSERT_TRUE(Put(form->Disp(), L"ScaleWidth", c.from.cx * c.units).Ok());
      ASSERT_TRUE(Put(form->Disp(), L"ScaleHeight", c.from.cy * c.units).Ok());
    }
    auto in = [&](const Box& b) {
      return Box{b.left / c.units, b.top / c.units, b.width / c.units, b.height / c.units};
    };
    auto text = form->AddTextBox(L"txtNavn", At(in(c.before)));
    auto resizer = CreateLibraryObject(L"Kitbag.clsResize");
    ASSERT_TRUE(CallMethod(resizer.Get(), L"rsz_ResizeForm", {form->Disp()}).Ok());
    EXPECT_EQ(BoxOf(*text), in(c.before)) << "the first call leaves it where it is";
    form->SetClientSize(c.to.cx, c.to.cy);
    CallResult r = CallMethod(resizer.Get(), L"rsz_ResizeForm", {form->Disp()});
    ASSERT_TRUE(r.Ok()) << r;
    EXPECT_EQ(BoxOf(*text), in(c.after));
  }
}

TEST_F(ResizerTest, PlacementStartsFromTheBaselineSoNothingDrifts) {
  auto text = form_->AddTextBox(L"txtNavn", At({9, 25, 201, 63}));
  ASSERT_TRUE(Resize(*form_).Ok());
  for (SIZE size : {SIZE{200, 100}, SIZE{613, 317}, SIZE{401, 203}, SIZE{400, 200}}) {
    form_->SetClientSize(size.cx, size.cy);
    ASSERT_TRUE(Resize(*form_).Ok());
  }
  EXPECT_EQ(BoxOf(*text), (Box{9, 25, 201, 63}));
}

TEST_F(ResizerTest, AParkedControlReturnsToItsScaledPlaceOnceUnparked) {
  ASSERT_TRUE(Put(form_->Disp(), L"ScaleWidth", 4000).Ok());  // 10 units a pixel
  auto text = form_->AddTextBox(L"txtNavn", At({-7400, 10, 100, 20}));
  ASSERT_TRUE(Resize(*form_).Ok());
  ASSERT_TRUE(Put(text->Disp(), L"Left", 1000).Ok());
  form_->SetClientSize(600, 200);
  ASSERT_TRUE(Resize(*form_).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{150, 10, 150, 20}));
}

TEST_F(ResizerTest, LinesMoveTheirEndsAndStayParked) {
  auto line = form_->Add<Line>(L"linSkille", LineOptions::Between({100, 200}, {1100, 200}));
  LineOptions parked;
  parked.from = {-74900, 20};
  parked.to = {1100, 40};
  auto hidden = form_->Add<Line>(L"linSkjult", parked);
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(line->From().x, 200);
  EXPECT_EQ(line->From().y, 400);
  EXPECT_EQ(line->To().x, 2200);
  EXPECT_EQ(line->To().y, 400);
  EXPECT_EQ(hidden->From().x, 200 - 75000);
  EXPECT_EQ(hidden->From().y, 40);
  EXPECT_EQ(hidden->To().x, 2200);
  EXPECT_EQ(hidden->To().y, 80);
}

TEST_F(ResizerTest, ALineIsKnownByItsTypeName) {
  LineOptions options;
  options.from = {10, 10};
  options.to = {110, 30};
  auto line = form_->Add<Line>(L"linFremmed", options);
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(line->From().x, 20);
  EXPECT_EQ(line->To().y, 60);
}

TEST_F(ResizerTest, TimersKeepTheirPlace) {
  TimerOptions options;
  options.at = {16, 24};
  auto timer = form_->Add<Timer>(L"tmrUr", options);
  auto text = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  timer->StartLog();
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(timer->At().x, 16);
  EXPECT_EQ(timer->At().y, 24);
  for (const LoggedCall& call : timer->Log()) EXPECT_FALSE(call.IsPut()) << Utf8(call.member);
  EXPECT_EQ(BoxOf(*text), (Box{20, 20, 200, 40})) << "the controls after it still move";
}

TEST_F(ResizerTest, AControlRefusingAHeightGetsLeftTopAndWidth) {
  ComboBoxOptions options;
  options.bounds = {10, 20, 100, 21};
  auto combo = form_->Add<ComboBox>(L"cboBy", options);
  const Box before = BoxOf(*combo);
  combo->StartLog();
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  const auto moves = combo->CallsOf(L"Move");
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[moves.size() - 2]->args.size(), 4u);
  EXPECT_EQ(moves.back()->args.size(), 3u);
  EXPECT_EQ(BoxOf(*combo), (Box{20, 40, 200, before.height}));
}

TEST_F(ResizerTest, AControlThatCannotMoveKeepsItsPlaceQuietly) {
  auto stuck = form_->Add<RiggedTextBox>(L"txtFast", At({10, 10, 100, 20}), true, false);
  stuck->StartLog();
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(BoxOf(*stuck), (Box{10, 10, 100, 20}));
  std::vector<size_t> tried;
  for (const LoggedCall* call : stuck->CallsOf(L"Move")) tried.push_back(call->args.size());
  EXPECT_EQ(tried, (std::vector<size_t>{4, 3, 2, 4, 3, 2}));
}

TEST_F(ResizerTest, AControlWhosePlaceCannotBeWorkedOutIsNotMoved) {
  auto blind = form_->Add<RiggedTextBox>(L"txtBlind", At({10, 10, 100, 20}), false, true);
  blind->StartLog();
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_TRUE(blind->CallsOf(L"Move").empty());
  EXPECT_EQ(BoxOf(*blind), (Box{10, 10, 100, 20}));
}

TEST_F(ResizerTest, AControlAddedAfterTheBaselineKeepsItsPlace) {
  auto first = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  form_->SetClientSize(300, 150);
  ASSERT_TRUE(Resize(*form_).Ok());
  auto late = form_->AddTextBox(L"txtSen", At({30, 60, 40, 20}));
  form_->SetClientSize(600, 300);
  ASSERT_TRUE(Resize(*form_).Ok());
  EXPECT_EQ(BoxOf(*first), (Box{20, 20, 200, 40}));
  EXPECT_EQ(BoxOf(*late), (Box{30, 60, 40, 20}));
}

TEST_F(ResizerTest, ArrayElementsKeepSeparateRecordsAndPlainControlsMatchByName) {
  auto zero = form_->AddTextBox(L"txtLinje", Element({10, 10, 50, 20}, 0));
  auto one = form_->AddTextBox(L"txtLinje", Element({10, 50, 50, 20}, 1));
  auto single = form_->AddTextBox(L"txtEne", At({10, 90, 50, 20}));
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(BoxOf(*zero), (Box{20, 20, 100, 40}));
  EXPECT_EQ(BoxOf(*one), (Box{20, 100, 100, 40}));
  EXPECT_EQ(BoxOf(*single), (Box{20, 180, 100, 40}));
}

TEST_F(ResizerTest, FormsWithOneNameShareOneBaseline) {
  form_->AddTextBox(L"txtNavn", At({8, 24, 200, 63}));
  ASSERT_TRUE(Resize(*form_).Ok());
  auto twin = Make<Form>(Named(L"frmKunde"));
  UsePixels(*twin, {800, 400});
  auto text = twin->AddTextBox(L"txtNavn", At({1, 1, 10, 10}));
  ASSERT_TRUE(Resize(*twin).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{16, 48, 400, 126}));
}

TEST_F(ResizerTest, EachObjectKeepsItsOwnBaselines) {
  auto text = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  ASSERT_TRUE(Resize(*form_).Ok());
  form_->SetClientSize(600, 300);
  auto fresh = CreateLibraryObject(L"Kitbag.clsResize");
  ASSERT_TRUE(CallMethod(fresh.Get(), L"rsz_ResizeForm", {form_->Disp()}).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{10, 10, 100, 20})) << "a new object takes a new baseline";
  ASSERT_TRUE(Resize(*form_).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{15, 15, 150, 30}));
}

TEST_F(ResizerTest, TwipsWorkAsWellAsPixels) {
  ASSERT_TRUE(Put(form_->Disp(), L"ScaleMode", 1).Ok());
  auto text = form_->AddTextBox(L"txtNavn", At({10, 20, 100, 30}));
  ResizeFromTo(*form_, {300, 150}, {600, 300});
  EXPECT_EQ(BoxOf(*text), (Box{20, 40, 200, 60}));
}

TEST_F(ResizerTest, AZeroBaselineFailsEveryCallWithDivisionByZero) {
  auto text = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  form_->SetClientSize(300, 0);
  ASSERT_EQ(Get(form_->Disp(), L"ScaleHeight").Double(), 0);
  EXPECT_EQ(Resize(*form_).ErrorNumber(), 11);
  form_->SetClientSize(300, 150);
  EXPECT_EQ(Resize(*form_).ErrorNumber(), 11);
  EXPECT_EQ(BoxOf(*text), (Box{10, 10, 100, 20}));
}

TEST_F(ResizerTest, APercentageBeyondALongOverflows) {
  auto text = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  ASSERT_TRUE(Resize(*form_).Ok());
  // 1e10 × 100 \ 200 is far beyond a long.
  ASSERT_TRUE(Put(form_->Disp(), L"ScaleHeight", 1.0e10).Ok());
  CallResult r = Resize(*form_);
  EXPECT_EQ(r.ErrorNumber(), 6) << r;
  EXPECT_EQ(BoxOf(*text), (Box{10, 10, 100, 20}));
}

TEST_F(ResizerTest, AFailingReadOfTheFormLeavesNoRecord) {
  auto form = Make<RiggedForm>(Named(L"frmKunde"));
  UsePixels(*form, {300, 150});
  auto text = form->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  form->failTop = true;
  CallResult r = Resize(*form);
  EXPECT_EQ(r.ErrorNumber(), kErrInvalidPropertyValue) << r;
  EXPECT_EQ(r.description, L"Top fails") << "the form's own error reaches the caller";
  // The next call records the form afresh, at its size then.
  form->failTop = false;
  form->SetClientSize(600, 300);
  ASSERT_TRUE(Resize(*form).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{10, 10, 100, 20}));
}

TEST_F(ResizerTest, ObjectsThatAreNoFormsFailWithTheRuntimesErrors) {
  auto bag = Make<PropertyBag>();
  bag->Set(L"Name", 1.0);
  EXPECT_EQ(CallMethod(resizer_.Get(), L"rsz_ResizeForm", {bag->Disp()}).ErrorNumber(), 438)
      << "an object that cannot be enumerated";
  IDispatch* nothing = nullptr;
  EXPECT_EQ(CallMethod(resizer_.Get(), L"rsz_ResizeForm", {nothing}).ErrorNumber(), 91);
  auto* early = Early<kb::_clsResize>(resizer_);
  EXPECT_EQ(early->lpVtbl->rsz_ResizeForm(early, nullptr), kb::HresultOfError(91));
  // A form without controls is never recorded, so nothing about it is read.
  auto empty = Make<Form>(Named(L"frmTom"));
  empty->StartLog();
  ASSERT_TRUE(Resize(*empty).Ok());
  for (const LoggedCall& call : empty->Log()) EXPECT_EQ(call.member, L"_NewEnum");
}

TEST_F(ResizerTest, EarlyAndLateBoundCallsReachTheSameRecords) {
  auto text = form_->AddTextBox(L"txtNavn", At({10, 10, 100, 20}));
  auto* early = Early<kb::_clsResize>(resizer_);
  IDispatch* form = form_->Disp();
  ASSERT_EQ(early->lpVtbl->rsz_ResizeForm(early, &form), S_OK);
  form_->SetClientSize(600, 300);
  ASSERT_TRUE(Resize(*form_).Ok());
  EXPECT_EQ(BoxOf(*text), (Box{15, 15, 150, 30}));
}

}  // namespace
}  // namespace kb::support
