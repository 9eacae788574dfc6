// The percent bar on a real picture box of a model form: the pixels the user
// sees afterwards (bar, text on the bar and beside it), the order of what
// the box was told, and what it keeps.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/picture_box.h"
#include "tests/support/pixels.h"

namespace kb::support {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kWidth = 200;  // the box's outside, border included
constexpr int kHeight = 40;

// How many pixels of a rectangle [x0, x1) x [0, height) have a colour.
int CountOf(const Image& image, int x0, int x1, COLORREF colour) {
  int n = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = x0; x < x1; ++x) n += image.At(x, y) == colour;
  return n;
}

class PercentBarTest : public ::testing::Test {
 protected:
  PercentBarTest() {
    PictureBoxOptions options;
    options.bounds = {8, 8, kWidth, kHeight};
    box_ = form_->Add<PictureBox>(L"picFremdrift", options);
    EXPECT_TRUE(Put(box_->Disp(), L"BackColor", 0xFFFFFFL).Ok());
  }
  CallResult Bar(std::vector<Arg> args) {
    args.insert(args.begin(), Arg(box_->Disp()));
    return CallMethod(common_.Get(), L"cmn_PercentBar", std::move(args));
  }
  Image Shown() { return CaptureClient(box_->Hwnd()); }
  // The texts printed since the log started, as UTF-8.
  std::vector<std::string> Printed() {
    std::vector<std::string> texts;
    for (const LoggedCall* call : box_->CallsOf(L"Print"))
      texts.push_back(Utf8(kb::View(V_BSTR(call->args.at(0).Get()))));
    return texts;
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::ComPtr<Form> form_ = Make<Form>();
  kb::ComPtr<PictureBox> box_;
};

TEST_F(PercentBarTest, HalfwayTheLeftHalfIsBlueAndTheTextReadsOnBoth) {
  ASSERT_TRUE(Bar({50}).Ok());
  const Image image = Shown();
  const int width = image.width, middle = width / 2;
  // Away from the text every pixel is bar or background.
  for (int y : {0, 1, image.height - 1}) {
    for (int x = 0; x < image.width; ++x)
      ASSERT_EQ(image.At(x, y), x <= middle ? kBlue : kWhite) << x << "," << y;
  }
  // A box's corners are both inside it, so the bar ends on the middle pixel.
  // The text: white on the bar left of the middle, blue on white right of
  // it, and nothing in any other colour (the pen is not-xor, not copy).
  const int left = CountOf(image, 0, middle + 1, kWhite);
  const int right = CountOf(image, middle + 1, width, kBlue);
  EXPECT_GT(left, 10) << "white strokes on the bar";
  EXPECT_GT(right, 10) << "blue strokes beside it";
  EXPECT_EQ(CountOf(image, 0, middle + 1, kBlue) + left, (middle + 1) * image.height);
  EXPECT_EQ(CountOf(image, middle + 1, width, kWhite) + right, (width - middle - 1) * image.height);
}

TEST_F(PercentBarTest, TheBoxIsToldTheStepsInOrderAndKeepsTheSettings) {
  box_->StartLog();
  ASSERT_TRUE(Bar({45.6}).Ok());
  std::vector<std::wstring> order;
  for (const LoggedCall& call : box_->Log()) {
    if (call.IsPut() || call.member == L"Cls" || call.member == L"Print" ||
        call.member == L"Line" || call.member == L"Refresh")
      order.push_back(call.member);
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"AutoRedraw", L"Cls", L"ScaleWidth", L"DrawMode",
                                              L"CurrentX", L"CurrentY", L"ForeColor", L"Print",
                                              L"Line", L"Refresh"}));
  EXPECT_EQ(Printed(), std::vector<std::string>{"46%"});
  const auto line = box_->CallsOf(L"Line");
  ASSERT_EQ(line.size(), 1u);
  VARIANT right;
  ::VariantInit(&right);
  ASSERT_EQ(::VariantChangeType(&right, const_cast<VARIANT*>(line[0]->args.at(3).Get()), 0, VT_R8),
            S_OK);
  EXPECT_DOUBLE_EQ(right.dblVal, static_cast<double>(45.6f)) << "the bar ends at the percentage";
  EXPECT_TRUE(Get(box_->Disp(), L"AutoRedraw").Bool());
  EXPECT_EQ(Get(box_->Disp(), L"ScaleWidth").Double(), 100);
  EXPECT_EQ(Get(box_->Disp(), L"DrawMode").Long(), 10);
  EXPECT_EQ(Get(box_->Disp(), L"ForeColor").Long(), 0xFF0000) << "blue by default";

  // Already drawing into its own image: AutoRedraw is left alone.
  box_->StartLog();
  ASSERT_TRUE(Bar({10}).Ok());
  EXPECT_TRUE(box_->PutsOf(L"AutoRedraw").empty());
}

TEST_F(PercentBarTest, ZeroPrintsTheBarePercentSignAndDrawsNoBar) {
  box_->StartLog();
  ASSERT_TRUE(Bar({0}).Ok());
  EXPECT_EQ(Printed(), std::vector<std::string>{"%"});
  const Image image = Shown();
  EXPECT_GT(CountOf(image, 0, image.width, kBlue), 0) << "the sign itself";
  const int third = image.width / 3;
  // At most the edge pixel itself: the box's corners are inside it.
  EXPECT_EQ(CountOf(image, 1, third, kWhite), (third - 1) * image.height) << "no bar";
}

TEST_F(PercentBarTest, OverAHundredFillsTheWholeBoxAndSaysSo) {
  box_->StartLog();
  ASSERT_TRUE(Bar({120}).Ok());
  EXPECT_EQ(Printed(), std::vector<std::string>{"120%"});
  const Image image = Shown();
  const int width = image.width;
  EXPECT_EQ(CountOf(image, 0, width, kBlue) + CountOf(image, 0, width, kWhite),
            width * image.height);
  EXPECT_EQ(CountOf(image, width - 10, width, kBlue), 10 * image.height) << "to the right edge";
}

TEST_F(PercentBarTest, ColourComponents) {
  struct Case {
    long r, g, b;
    long colour;
  };
  for (const Case c : {Case{300, 0, 0, 0x0000FF}, Case{0, 128, 0, 0x008000},
                       Case{10, 20, 30, 30 * 65536 + 20 * 256 + 10}}) {
    ASSERT_TRUE(Bar({50, c.r, c.g, c.b}).Ok());
    EXPECT_EQ(Get(box_->Disp(), L"ForeColor").Long(), c.colour) << c.r << " " << c.g;
  }
  const Image image = Shown();
  EXPECT_EQ(image.At(2, 2), RGB(10, 20, 30)) << "the bar in the last colour";
}

TEST_F(PercentBarTest, FailuresKeepWhatWasDone) {
  box_->StartLog();
  EXPECT_EQ(Bar({L"abc"}).ErrorNumber(), 13) << "the bar needs a number";
  EXPECT_EQ(Printed(), std::vector<std::string>{"abc%"}) << "after the text was printed";
  EXPECT_TRUE(box_->CallsOf(L"Line").empty());

  box_->StartLog();
  EXPECT_EQ(Bar({50, 0, 40000}).ErrorNumber(), 6);
  EXPECT_TRUE(box_->CallsOf(L"Print").empty()) << "the colour comes before the text";
  EXPECT_EQ(Get(box_->Disp(), L"DrawMode").Long(), 10);

  auto label = form_->AddLabel(L"lblTitel");
  EXPECT_EQ(CallMethod(common_.Get(), L"cmn_PercentBar", {label->Disp(), 50}).ErrorNumber(), 438);
  EXPECT_EQ(CallMethod(common_.Get(), L"cmn_PercentBar", {L"picFremdrift", 50}).ErrorNumber(), 424);
}

// The picture in the README: a 50% bar, saved beside the test program.
TEST_F(PercentBarTest, TheScreenshotForTheDocumentation) {
  ASSERT_TRUE(Bar({50}).Ok());
  EXPECT_TRUE(SaveBmp(Shown(), L"percent_bar.bmp"));
}

}  // namespace
}  // namespace kb::support
