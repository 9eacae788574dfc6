// The services the window helpers and the resizer stand on, called in-process:
// the resolution table, the screen, DoEvents, form unloading, late-bound calls
// on the client's objects and the type tests for kinds of controls.
#include <gtest/gtest.h>

#include <string>

#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/events.h"
#include "runtime/late_bound.h"
#include "runtime/screen.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/message_pump.h"
#include "tests/support/property_bag.h"
#include "tests/support/runtime_checks.h"
#include "ui/window_helpers.h"

namespace kb::support {
namespace {

TEST(Resolution, KnownSizesAtFifteenTwipsAPixelAreNamed) {
  struct Case {
    double width, height;
    const wchar_t* text;
  };
  const Case cases[] = {
      {9600, 7200, L"640*480"},
      {12000, 9000, L"800*600"},
      {15360, 11520, L"1024*768"},
      {17280, 12960, L"1152*864"},
      {19200, 15360, L"1280*1024"},
      {24000, 18000, L""},         // 1600 x 1200
      {9600, 7207, L"640*480"},    // the height is rounded to a pixel...
      {9601, 7200, L""},           // ...the width is not
      {9600, 7192.5, L"640*480"},  // 479.5 rounds to even 480
      {9600, 7177.5, L""},         // 478.5 rounds to even 478
      {0, 0, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kb::ui::ResolutionText(c.width, c.height).View(), c.text)
        << c.width << " x " << c.height;
  }
  EXPECT_EQ(ErrorOf([] { kb::ui::ResolutionText(9600, 1.0e7); }), kb::kErrOverflow);
}

TEST(Screen, IsTheDisplayInTwips) {
  HDC screen = ::GetDC(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_DOUBLE_EQ(kb::rt::TwipsPerPixelX(), 1440.0 / dpiX);
  EXPECT_DOUBLE_EQ(kb::rt::ScreenWidth(), ::GetSystemMetrics(SM_CXSCREEN) * 1440.0 / dpiX);
  EXPECT_DOUBLE_EQ(kb::rt::ScreenHeight(), ::GetSystemMetrics(SM_CYSCREEN) * 1440.0 / dpiY);
}

class ServicesTest : public ::testing::Test {
 protected:
  Apartment apartment_;
  kb::ComPtr<Form> form_ = Make<Form>();
};

TEST_F(ServicesTest, DoEventsRunsWhatIsQueuedAndLeavesTheQuitRequest) {
  auto button = form_->AddCommandButton(L"cmdOk");
  ::PostMessageW(form_->Hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button->Hwnd()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->Hwnd()));
  EXPECT_EQ(button->Clicks(), 0);
  kb::rt::DoEvents();
  EXPECT_EQ(button->Clicks(), 1);
  ::PostQuitMessage(7);
  kb::rt::DoEvents();
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ServicesTest, DoEventsReturnsEvenWhenAHandlerKeepsTheQueueFull) {
  auto button = form_->AddCommandButton(L"cmdOk");
  auto post = [&] {
    ::PostMessageW(form_->Hwnd(), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(button->Hwnd()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button->Hwnd()));
  };
  button->OnClick(post);
  post();
  kb::rt::DoEvents();
  EXPECT_GT(button->Clicks(), 1);
  button->OnClick({});
  PumpMessages();
}

TEST_F(ServicesTest, UnloadingClosesTheFormAsTheUserWould) {
  form_->SetCancelUnload(true);
  kb::rt::UnloadForm(form_->Disp());
  EXPECT_EQ(form_->CloseRequests(), 1);
  EXPECT_FALSE(form_->Unloaded());
  form_->SetCancelUnload(false);
  kb::rt::UnloadForm(form_->Disp());
  EXPECT_TRUE(form_->Unloaded());
  kb::rt::UnloadForm(form_->Disp());
  EXPECT_EQ(form_->CloseRequests(), 2) << "a form already gone is left alone";
  auto bag = Make<PropertyBag>();
  EXPECT_EQ(ErrorOf([&] { kb::rt::UnloadForm(bag->Disp()); }), kb::kErrNoSuchMember);
}

TEST_F(ServicesTest, LateBoundCallsRaiseTheErrorsAClientSees) {
  auto text = form_->AddTextBox(L"txtNavn");
  IDispatch* t = text->Disp();
  EXPECT_EQ(ErrorOf([&] { kb::rt::Get(t, L"NoSuchMember"); }), kb::kErrNoSuchMember);
  EXPECT_EQ(ErrorOf([&] { kb::rt::Get(nullptr, L"Text"); }), kb::kErrObjectNotSet);
  try {
    kb::rt::Put(t, L"MaxLength", *kb::rt::FromLong(-1).Get());
    ADD_FAILURE() << "the model refuses a negative length";
  } catch (const kb::Error& e) {
    EXPECT_EQ(e.Number(), 380) << "the object's own error keeps its number";
    EXPECT_EQ(e.Description(), L"Invalid property value");
  }
  kb::rt::Put(t, L"Text", *kb::rt::FromText(L"12").Get());
  EXPECT_EQ(kb::rt::GetLong(t, L"Text"), 12);
  kb::rt::Call(t, L"Move", {*kb::rt::FromLong(150).Get()});
  EXPECT_EQ(kb::rt::GetDouble(t, L"Left"), 150);
}

TEST_F(ServicesTest, ValuesAreCoercedAsTheRuntimeDoes) {
  auto text = form_->AddTextBox(L"txtNavn");
  kb::rt::Put(text->Disp(), L"Text", *kb::rt::FromText(L"41").Get());
  kb::Variant object = VObject(text->Disp());
  EXPECT_EQ(kb::rt::ToLong(*object.Get()), 41) << "an object gives its default value";
  EXPECT_EQ(kb::rt::ToLong(*VR8(2.5).Get()), 2);
  EXPECT_EQ(kb::rt::ToLong(*VR8(3.5).Get()), 4);
  EXPECT_EQ(kb::rt::ToShort(*VR8(-0.5).Get()), 0);
  EXPECT_EQ(ErrorOf([] { kb::rt::ToLong(*VText(L"abc").Get()); }), kb::kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { kb::rt::ToLong(*VNull().Get()); }), kb::kErrInvalidNull);
  EXPECT_EQ(ErrorOf([] { kb::rt::ToShort(*VI4(40000).Get()); }), kb::kErrOverflow);
  // Error information an earlier failure left on the thread is not this one's.
  kb::SetErrorInfoFor(kb::Error(kb::kErrFileNotFound), IID_NULL);
  EXPECT_EQ(ErrorOf([] { kb::rt::ToShort(*VI4(40000).Get()); }), kb::kErrOverflow);
  kb::SetErrorInfoFor(kb::Error(kb::kErrFileNotFound), IID_NULL);
  EXPECT_EQ(ErrorOf([] { kb::rt::ToLong(*VText(L"abc").Get()); }), kb::kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { kb::rt::ObjectOf(*VText(L"x").Get()); }), kb::kErrObjectRequired);
  EXPECT_EQ(ErrorOf([] { kb::rt::ObjectOf(*VObject(nullptr).Get()); }), kb::kErrObjectNotSet);
  auto bag = Make<PropertyBag>();
  kb::Variant plain = VObject(bag->Disp());
  EXPECT_EQ(ErrorOf([&] { kb::rt::ToLong(*plain.Get()); }), kb::kErrNoSuchMember)
      << "an object without a default value";
}

TEST_F(ServicesTest, ForEachWalksAFormsControlsInOrder) {
  form_->AddTextBox(L"txtA");
  form_->AddListBox(L"lstB");
  form_->Add<Line>(L"linC", LineOptions{});
  kb::rt::ForEach items(form_->Disp());
  std::wstring names;
  kb::Variant item;
  while (items.Next(item)) names += kb::rt::GetText(V_DISPATCH(item.Get()), L"Name").View();
  EXPECT_EQ(names, L"txtAlstBlinC");
  auto bag = Make<PropertyBag>();
  EXPECT_EQ(ErrorOf([&] { kb::rt::ForEach walk(bag->Disp()); }), kb::kErrNoSuchMember);
}

TEST_F(ServicesTest, KindsAreToldByTypeInformation) {
  using kb::rt::ControlKind;
  using kb::rt::IsKind;
  auto text = form_->AddTextBox(L"txtA");
  auto list = form_->AddListBox(L"lstB");
  auto line = form_->Add<Line>(L"linC", LineOptions{});
  auto timer = form_->Add<Timer>(L"tmrE", TimerOptions{});
  struct Case {
    IDispatch* object;
    ControlKind kind;
    bool is;
  };
  const Case cases[] = {
      {text->Disp(), ControlKind::kTextBox, true}, {text->Disp(), ControlKind::kListBox, false},
      {list->Disp(), ControlKind::kListBox, true}, {line->Disp(), ControlKind::kLine, true},
      {line->Disp(), ControlKind::kTimer, false},  {timer->Disp(), ControlKind::kTimer, true},
      {form_->Disp(), ControlKind::kForm, true},   {form_->Disp(), ControlKind::kLine, false},
      {nullptr, ControlKind::kLine, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsKind(c.object, c.kind), c.is) << static_cast<int>(c.kind);
  // A type name is compared without regard to case, after its underscore.
  auto hidden = Make<PropertyBag>(L"_timer");
  hidden->ShowTypeName();
  EXPECT_EQ(kb::rt::TypeNameOf(hidden->Disp()).View(), L"timer");
  EXPECT_TRUE(IsKind(hidden->Disp(), ControlKind::kTimer));
  auto anonymous = Make<PropertyBag>(L"Timer");
  EXPECT_FALSE(IsKind(anonymous->Disp(), ControlKind::kTimer)) << "no type information at all";
}

}  // namespace
}  // namespace kb::support
