// The list view helpers on a real report-style list view of a model form:
// the sort the window shows after a header click, and column widths read
// back from the window and measured with the form's own TextWidth.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"
#include "tests/support/forms.h"
#include "tests/support/library.h"
#include "tests/support/list_view.h"

namespace kb::support {
namespace {

using Texts = std::vector<std::wstring>;

class ListViewTest : public ::testing::Test {
 protected:
  ListViewTest() {
    view_ = form_->Add<ListView>(L"lvwKunder", ListViewOptions{});
    view_->AddColumn(L"Navn");
    view_->AddColumn(L"By");
    view_->AddColumn(L"Postnummer");
    view_->AddItem(L"Bo", {L"Århus", L"8000"});
    view_->AddItem(L"Åse", {L"Vejle", L"7100"});
    view_->AddItem(L"Carl", {L"Ølstykke", L"3650"});
  }
  CallResult Common(const wchar_t* member, std::vector<Arg> args) {
    return CallMethod(common_.Get(), member, std::move(args));
  }
  double TextWidth(const std::wstring& text) {
    return CallMethod(form_->Disp(), L"TextWidth", {text}).Double();
  }
  double Widest(const Texts& texts) {
    double widest = 0;
    for (const auto& text : texts) widest = std::max(widest, TextWidth(text));
    return widest;
  }
  double WidthOf(size_t column) { return Get(view_->Column(column).Disp(), L"Width").Double(); }
  // The window keeps a column's width in whole pixels, as the real control
  // does, so a width set in twips reads back to the pixel.
  void ExpectWidth(ListView& view, size_t column, double width) {
    EXPECT_EQ(view.ColumnPixels(column), form_->FromScaleX(width)) << "column " << column;
  }
  void SetWidth(size_t column, double width) {
    ASSERT_TRUE(Put(view_->Column(column).Disp(), L"Width", width).Ok());
  }

  Apartment apartment_;
  kb::ComPtr<IDispatch> common_ = CreateLibraryObject(L"Kitbag.clsCommon");
  kb::ComPtr<Form> form_ = Make<Form>();
  kb::ComPtr<ListView> view_;
};

TEST_F(ListViewTest, AClickSortsByThatColumnAndASecondClickReverses) {
  struct Step {
    short clicked;
    std::optional<long> order;  // none: the default
    short key;
    long expectedOrder;
  };
  const Step steps[] = {
      {3, std::nullopt, 2, 0},
      {3, std::nullopt, 2, 1},
      {3, 1, 2, 0},  // the same column again: the order passed is ignored
      {3, 0, 2, 1},
      {2, std::nullopt, 1, 0},
      {1, 1, 0, 1},
  };
  for (const Step& step : steps) {
    std::vector<Arg> args = {view_->Disp(), step.clicked};
    if (step.order) args.push_back(*step.order);
    ASSERT_TRUE(Common(L"cmn_SortListView", std::move(args)).Ok()) << step.clicked;
    EXPECT_EQ(view_->SortKey(), step.key);
    EXPECT_EQ(view_->SortOrder(), step.expectedOrder) << "column " << step.clicked;
    EXPECT_TRUE(view_->Sorted());
  }
}

TEST_F(ListViewTest, TheWindowShowsTheSortedRows) {
  ASSERT_TRUE(Common(L"cmn_SortListView", {view_->Disp(), short{3}, 1L}).Ok());
  EXPECT_EQ(view_->ShownTexts(3), (Texts{L"8000", L"7100", L"3650"}));
  EXPECT_EQ(view_->ShownTexts(1), (Texts{L"Bo", L"Åse", L"Carl"}));
}

TEST_F(ListViewTest, SortFailuresReachTheCaller) {
  EXPECT_EQ(Common(L"cmn_SortListView", {view_->Disp(), short{-32768}}).ErrorNumber(), 6);
  EXPECT_FALSE(view_->Sorted()) << "nothing was set";
  auto label = form_->AddLabel(L"lblTitel");
  EXPECT_EQ(Common(L"cmn_SortListView", {label->Disp(), short{1}}).ErrorNumber(), 438);
  EXPECT_EQ(Common(L"cmn_SortListView", {L"lvwKunder", short{1}}).ErrorNumber(), 424);
}

TEST_F(ListViewTest, AColumnGetsItsWidestTextPlusTheMargin) {
  struct Case {
    short column;
    bool header;
    double expected;
  };
  const Texts names = {L"Bo", L"Åse", L"Carl"}, towns = {L"Århus", L"Vejle", L"Ølstykke"},
              codes = {L"8000", L"7100", L"3650"};
  const Case cases[] = {
      {3, true, Widest({L"Postnummer", L"8000", L"7100", L"3650"}) + 200},
      {3, false, Widest(codes) + 200},
      {2, true, Widest({L"By", L"Århus", L"Vejle", L"Ølstykke"}) + 200},
      {1, false, Widest(names) + 200},
  };
  ASSERT_GT(TextWidth(L"Postnummer"), Widest(codes)) << "a header wider than its cells";
  for (const Case& c : cases) {
    SetWidth(c.column, 9999);  // narrowed as well as widened
    ASSERT_TRUE(
        Common(L"cmn_ResizeListviewColumn", {view_->Disp(), c.column, false, c.header}).Ok());
    ExpectWidth(*view_, c.column, c.expected);
  }
}

TEST_F(ListViewTest, TheDefaultsFitTheFirstColumnWithItsHeader) {
  kb::Variant view = VObject(view_->Disp());
  _clsCommon* early = Early<_clsCommon>(common_);
  short column = 1;
  VARIANT_BOOL all = VARIANT_FALSE, header = VARIANT_TRUE;
  ASSERT_EQ(early->lpVtbl->cmn_ResizeListviewColumn(early, view.Get(), &column, &all, &header),
            S_OK);
  const double fitted = Widest({L"Navn", L"Bo", L"Åse", L"Carl"}) + 200;
  ExpectWidth(*view_, 1, fitted);
  SetWidth(1, 10);
  ASSERT_TRUE(Common(L"cmn_ResizeListviewColumn", {view_->Disp()}).Ok());
  ExpectWidth(*view_, 1, fitted);
}

TEST_F(ListViewTest, AllColumnsFitsEveryColumnWhateverColumnNoSays) {
  for (size_t i = 1; i <= 3; ++i) SetWidth(i, 5000);
  ASSERT_TRUE(Common(L"cmn_ResizeListviewColumn", {view_->Disp(), short{7}, true, false}).Ok());
  ExpectWidth(*view_, 1, Widest({L"Bo", L"Åse", L"Carl"}) + 200);
  ExpectWidth(*view_, 2, Widest({L"Århus", L"Vejle", L"Ølstykke"}) + 200);
  ExpectWidth(*view_, 3, Widest({L"8000", L"7100", L"3650"}) + 200);
}

TEST_F(ListViewTest, AnEmptyListGetsTheMarginAlone) {
  auto empty = form_->Add<ListView>(L"lvwTom", ListViewOptions{});
  empty->AddColumn(L"Overskrift", 300);
  ASSERT_TRUE(Common(L"cmn_ResizeListviewColumn", {empty->Disp(), short{1}, false, false}).Ok());
  ExpectWidth(*empty, 1, 200);
}

TEST_F(ListViewTest, ResizingNeverFailsAndKeepsWhatWasDone) {
  for (size_t i = 1; i <= 3; ++i) SetWidth(i, 1234);
  const double before = WidthOf(1);
  // A column that is not there, not a list view, not an object at all.
  auto label = form_->AddLabel(L"lblTitel");
  for (Arg target : {Arg(view_->Disp()), Arg(label->Disp()), Arg(L"lvwKunder")}) {
    for (short column : {short{4}, short{0}, short{-1}}) {
      EXPECT_TRUE(Common(L"cmn_ResizeListviewColumn", {target, column}).Ok()) << column;
    }
  }
  for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(WidthOf(i), before) << i;
}

}  // namespace
}  // namespace kb::support
