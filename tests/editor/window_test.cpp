// The editor window itself: how it loads, looks and closes, and how its
// toolbar follows the focus and the selection and formats the selection.
#include "tests/editor/editor_fixture.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

namespace kb::editor::test {
namespace {

int Pixels(long twips, int axis) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, axis);
  ::ReleaseDC(nullptr, screen);
  return ::MulDiv(twips, dpi, 1440);
}

bool HasTabStop(HWND control) { return ::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP; }

// ------------------------------------------------------------------ load

TEST_F(EditorTest, EmptyEditorTextKeepsTheDesignCaptionAndAnEmptyBox) {
  Open(L"", L"Ignoreret");
  EXPECT_EQ(Ui().Caption(), L"Form1");
  EXPECT_EQ(Ui().Text(), L"");
}

TEST_F(EditorTest, HandedInDocumentIsShownUnderItsCaption) {
  Open(kSampleRtf, L"Brev til kunde \u00E6\u00F8\u00E5");
  const auto ui = Ui();
  EXPECT_EQ(ui.Caption(), L"Brev til kunde \u00E6\u00F8\u00E5");
  EXPECT_EQ(ui.Text(), L"Hej verden\r\nMidt");
  EXPECT_EQ(ui.CharFormatAt(0).dwEffects & CFE_BOLD, 0u) << "RTF without \\b stays regular";
  EXPECT_NE(ui.CharFormatAt(4).dwEffects & CFE_BOLD, 0u);
  EXPECT_EQ(ui.AlignmentAt(12), PFA_CENTER);
}

TEST_F(EditorTest, PlainTextHandedInIsShownAsText) {
  Open(L"Bare tekst, ingen RTF", L"Notat");
  EXPECT_EQ(Ui().Text(), L"Bare tekst, ingen RTF");
  EXPECT_EQ(Ui().Caption(), L"Notat");
}

TEST_F(EditorTest, ControlsSitWhereTheDesignPutsThem) {
  Open();
  const auto ui = Ui();
  RECT client{};
  ::GetClientRect(ui.Window(), &client);
  EXPECT_EQ(client.right, Pixels(6375, LOGPIXELSX));
  EXPECT_EQ(client.bottom, Pixels(5070, LOGPIXELSY));
  struct Placed {
    int id;
    long left, top, width, height;
  };
  const Placed kDesign[] = {{kIdToolbar, 0, 0, 6375, 420},
                            {kIdMessage, 0, 450, 6375, 4095},
                            {kIdOk, 3495, 4635, 1335, 375},
                            {kIdCancel, 4935, 4635, 1335, 375}};
  for (const Placed& p : kDesign) {
    RECT r{};
    ::GetWindowRect(ui.Control(p.id), &r);
    ::MapWindowPoints(nullptr, ui.Window(), reinterpret_cast<POINT*>(&r), 2);
    const int left = Pixels(p.left, LOGPIXELSX), top = Pixels(p.top, LOGPIXELSY);
    EXPECT_EQ(r.left, left) << p.id;
    EXPECT_EQ(r.top, top) << p.id;
    EXPECT_EQ(r.right - r.left, Pixels(p.width, LOGPIXELSX)) << p.id;
    EXPECT_EQ(r.bottom - r.top, Pixels(p.height, LOGPIXELSY)) << p.id;
  }
  EXPECT_EQ(support::WindowText(ui.Control(kIdOk)), L"OK");
  EXPECT_EQ(support::WindowText(ui.Control(kIdCancel)), L"Cancel");
}

TEST_F(EditorTest, TypedTextIsRegularArialOfNineAndThreeQuarterPoints) {
  Open();
  Ui().Type(L"abc");
  const CHARFORMAT2W format = Ui().CharFormatAt(1);
  EXPECT_STREQ(format.szFaceName, L"Arial");
  EXPECT_EQ(format.yHeight, 195);
  EXPECT_EQ(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE), 0u);
}

TEST_F(EditorTest, LongLinesWrapInsideTheBox) {
  Open();
  Ui().Type(std::wstring(40, L'w') + L" " + std::wstring(40, L'w'));
  EXPECT_EQ(::SendMessageW(Ui().Editor(), EM_GETLINECOUNT, 0, 0), 2);
}

// --------------------------------------------------------------- toolbar

TEST_F(EditorTest, ToolbarHoldsFifteenButtonsWithTheirImagesAndTips) {
  Open();
  HWND bar = Ui().Control(kIdToolbar);
  struct Design {
    const wchar_t* tip;  // also the image's key; empty for separators
    BYTE style;
  };
  const Design kDesign[] = {{L"New", BTNS_BUTTON},       {L"Open", BTNS_BUTTON},
                            {L"Save", BTNS_BUTTON},      {L"", BTNS_SEP},
                            {L"Cut", BTNS_BUTTON},       {L"Copy", BTNS_BUTTON},
                            {L"Paste", BTNS_BUTTON},     {L"", BTNS_SEP},
                            {L"Bold", BTNS_CHECK},       {L"Italic", BTNS_CHECK},
                            {L"Underline", BTNS_CHECK},  {L"", BTNS_SEP},
                            {L"Align Left", BTNS_CHECK}, {L"Center", BTNS_CHECK},
                            {L"Align Right", BTNS_CHECK}};
  const std::vector<std::wstring> kImages = {
      L"Cut",  L"Copy",   L"Paste",     L"Delete", L"Align Left", L"Center", L"Align Right",
      L"Bold", L"Italic", L"Underline", L"New",    L"Open",       L"Save"};
  ASSERT_EQ(::SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 15);
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
  EXPECT_EQ(::ImageList_GetImageCount(images), 13);
  int cx = 0, cy = 0;
  ::ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);

  for (int i = 0; i < 15; ++i) {
    const Design& d = kDesign[i];
    TBBUTTON button{};
    ::SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.fsStyle & (BTNS_SEP | BTNS_CHECK), d.style) << i;
    if (d.style == BTNS_SEP) continue;
    const auto image = std::find(kImages.begin(), kImages.end(), d.tip) - kImages.begin();
    EXPECT_EQ(button.iBitmap, image) << d.tip;
    // What the tool tip asks the window for.
    NMTBGETINFOTIPW tip{};
    wchar_t text[80] = {};
    tip.hdr = {bar, static_cast<UINT_PTR>(kIdToolbar), static_cast<UINT>(TBN_GETINFOTIPW)};
    tip.iItem = button.idCommand;
    tip.pszText = text;
    tip.cchTextMax = 80;
    ::SendMessageW(Ui().Window(), WM_NOTIFY, kIdToolbar, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(text, d.tip);
  }
}

// Every image has artwork of its own.
TEST_F(EditorTest, ToolbarImagesAreDrawnAndAllDiffer) {
  Open();
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(::SendMessageW(Ui().Control(kIdToolbar), TB_GETIMAGELIST, 0, 0));
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP canvas = ::CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = ::SelectObject(dc, canvas);
  std::vector<std::vector<COLORREF>> drawn;
  for (int i = 0; i < 13; ++i) {
    RECT all{0, 0, 16, 16};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::ImageList_Draw(images, i, dc, 0, 0, ILD_TRANSPARENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) pixels.push_back(::GetPixel(dc, x, y));
    const auto inked = std::count_if(pixels.begin(), pixels.end(),
                                     [](COLORREF c) { return c != RGB(255, 255, 255); });
    EXPECT_GT(inked, 10) << "image " << i;
    EXPECT_LT(inked, 256) << "image " << i << " has no transparent background";
    EXPECT_EQ(std::find(drawn.begin(), drawn.end(), pixels), drawn.end()) << "image " << i;
    drawn.push_back(std::move(pixels));
  }
  ::SelectObject(dc, old);
  ::DeleteObject(canvas);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
}

TEST_F(EditorTest, ToolbarAndTabStopsFollowTheEditorsFocus) {
  Open();
  const auto ui = Ui();
  const int controls[] = {kIdMessage, kIdOk, kIdCancel};
  ::SetFocus(ui.Control(kIdOk));
  for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14}) EXPECT_FALSE(ui.StateAt(i).enabled) << i;
  for (int id : controls) EXPECT_TRUE(HasTabStop(ui.Control(id))) << id;

  ::SetFocus(ui.Editor());
  for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14}) EXPECT_TRUE(ui.StateAt(i).enabled) << i;
  for (int id : controls) EXPECT_FALSE(HasTabStop(ui.Control(id))) << id;
}

// -------------------------------------------------- selection and buttons

struct SelectionCase {
  const char* name;
  long start, end;
  bool boldPressed, boldMixed;
};

TEST_F(EditorTest, BoldButtonShowsTheSelection) {
  const SelectionCase kCases[] = {
      {"regular", 0, 3, false, false},       {"fully bold", 4, 10, true, false},
      {"partly bold", 0, 9, true, true},  // the pressed value stays from before
      {"regular again", 1, 2, false, false}, {"partly bold after regular", 2, 6, false, true},
  };
  Open(kSampleRtf, L"x");
  for (const SelectionCase& c : kCases) {
    Ui().Select(c.start, c.end);
    const ButtonState bold = Ui().State(L"BOLD");
    EXPECT_EQ(bold.pressed, c.boldPressed) << c.name;
    EXPECT_EQ(bold.mixed, c.boldMixed) << c.name;
  }
}

TEST_F(EditorTest, ItalicAndUnderlineButtonsShowTheSelection) {
  Open(L"{\\rtf1\\ansi a\\i b\\i0 c\\ul d\\ul0 e\\par}", L"x");
  const auto ui = Ui();
  ui.Select(1, 2);  // b
  EXPECT_TRUE(ui.State(L"ITALIC").pressed);
  EXPECT_FALSE(ui.State(L"UNDERLINE").pressed);
  ui.Select(3, 4);  // d
  EXPECT_FALSE(ui.State(L"ITALIC").pressed);
  EXPECT_TRUE(ui.State(L"UNDERLINE").pressed);
  ui.Select(0, 5);
  EXPECT_TRUE(ui.State(L"ITALIC").mixed);
  EXPECT_TRUE(ui.State(L"UNDERLINE").mixed);
  EXPECT_FALSE(ui.State(L"BOLD").mixed);
}

TEST_F(EditorTest, AlignmentButtonsShowTheParagraphAndStayForMixedOnes) {
  Open(L"{\\rtf1\\ansi\\ql Venstre\\par\\qc Midt\\par\\qr H\\'f8jre\\par}", L"x");
  const auto ui = Ui();
  auto pressed = [&] {
    return std::vector<bool>{ui.State(L"ALIGN LEFT").pressed, ui.State(L"CENTER").pressed,
                             ui.State(L"ALIGN RIGHT").pressed};
  };
  ui.Select(10, 10);
  EXPECT_EQ(pressed(), (std::vector<bool>{false, true, false}));
  ui.Select(15, 15);
  EXPECT_EQ(pressed(), (std::vector<bool>{false, false, true}));
  ui.Select(1, 1);
  EXPECT_EQ(pressed(), (std::vector<bool>{true, false, false}));
  ui.Select(1, 10);  // left and centred paragraphs
  EXPECT_EQ(pressed(), (std::vector<bool>{true, false, false})) << "left as they were";
}

struct AlignCase {
  const wchar_t* key;
  WORD alignment;
};

TEST_F(EditorTest, AlignmentButtonsAlignTheSelectedParagraphs) {
  const AlignCase kCases[] = {
      {L"CENTER", PFA_CENTER}, {L"ALIGN RIGHT", PFA_RIGHT}, {L"ALIGN LEFT", PFA_LEFT}};
  Open(kSampleRtf, L"x");
  const auto ui = Ui();
  for (const AlignCase& c : kCases) {
    ui.Select(0, 12);
    ui.Click(c.key);
    EXPECT_TRUE(ui.State(c.key).pressed) << c.key;
    EXPECT_EQ(ui.AlignmentAt(0), c.alignment) << c.key;
    EXPECT_EQ(ui.AlignmentAt(12), c.alignment) << c.key;
  }
  EXPECT_FALSE(ui.State(L"CENTER").pressed) << "the pressed alignment releases the others";
}

struct EffectCase {
  const wchar_t* key;
  DWORD effect;
};

TEST_F(EditorTest, EffectButtonsSetTheirEffectByTheirPressedValue) {
  const EffectCase kCases[] = {
      {L"BOLD", CFE_BOLD}, {L"ITALIC", CFE_ITALIC}, {L"UNDERLINE", CFE_UNDERLINE}};
  Open(L"{\\rtf1\\ansi Hej med dig\\par}", L"x");
  const auto ui = Ui();
  for (const EffectCase& c : kCases) {
    ui.Select(4, 7);
    ui.Click(c.key);  // pressed now
    EXPECT_TRUE(ui.State(c.key).pressed) << c.key;
    EXPECT_NE(ui.CharFormatAt(5).dwEffects & c.effect, 0u) << c.key;
    EXPECT_EQ(ui.CharFormatAt(0).dwEffects & c.effect, 0u) << c.key << " outside the selection";
    ui.Select(4, 7);
    ui.Click(c.key);  // released
    EXPECT_EQ(ui.CharFormatAt(5).dwEffects & c.effect, 0u) << c.key;
    EXPECT_EQ(::GetFocus(), ui.Editor()) << "the focus goes back to the editor";
  }
}

TEST_F(EditorTest, ClickOnAMixedButtonGivesTheWholeSelectionOneFormat) {
  Open(kSampleRtf, L"x");
  const auto ui = Ui();
  ui.Select(0, 10);
  ASSERT_TRUE(ui.State(L"BOLD").mixed);
  ui.Click(L"BOLD");
  const ButtonState bold = ui.State(L"BOLD");
  EXPECT_FALSE(bold.mixed);
  const bool first = ui.CharFormatAt(0).dwEffects & CFE_BOLD;
  const bool last = ui.CharFormatAt(9).dwEffects & CFE_BOLD;
  EXPECT_EQ(first, bold.pressed);
  EXPECT_EQ(last, bold.pressed);
}

TEST_F(EditorTest, ToolbarKeysCompareWithoutRegardToCase) {
  Open(kSampleRtf, L"x");
  Form().Bar().SetKey(ButtonIndex(L"CENTER"), L"center");
  Form().Bar().SetKey(ButtonIndex(L"BOLD"), L"Bold");
  const auto ui = Ui();
  ui.Select(0, 3);
  ui.Click(L"CENTER");
  EXPECT_EQ(ui.AlignmentAt(0), PFA_CENTER);
  ui.Select(0, 3);
  ui.Click(L"BOLD");
  EXPECT_NE(ui.CharFormatAt(0).dwEffects & CFE_BOLD, 0u);
}

TEST_F(EditorTest, ButtonWithAnUnknownKeyDoesNothing) {
  Open();
  Form().Bar().SetKey(ButtonIndex(L"NEW"), L"NYT");
  Ui().Type(L"tekst");
  Ui().Click(L"NEW");
  EXPECT_EQ(Ui().Text(), L"tekst");
  EXPECT_TRUE(MessageBoxes().empty());
}

// --------------------------------------------------------- OK and Cancel

TEST_F(EditorTest, OkHandsTheWholeDocumentBackAsRtf) {
  Open(kSampleRtf, L"Brev");
  HWND window = Ui().Window();
  Ui().Select(0, 0);
  Ui().Type(L"K\u00E6re ");
  Ui().ClickButton(kIdOk);
  EXPECT_FALSE(Form().IsLoaded());
  EXPECT_FALSE(::IsWindow(window));
  const std::wstring rtf(State().text.View());
  EXPECT_TRUE(rtf.starts_with(L"{\\rtf")) << rtf;
  EXPECT_NE(rtf.find(L"K\\'e6re Hej"), std::wstring::npos) << rtf;

  // Handed in again, it reads back whole: text, bold and alignment.
  Form().Load(nullptr);
  EXPECT_EQ(Ui().Text(), L"K\u00E6re Hej verden\r\nMidt");
  EXPECT_NE(Ui().CharFormatAt(10).dwEffects & CFE_BOLD, 0u);
  EXPECT_EQ(Ui().AlignmentAt(17), PFA_CENTER);
}

TEST_F(EditorTest, CancelAndClosingTheWindowLeaveTheEditorTextAlone) {
  for (bool byFrame : {false, true}) {
    Open(kSampleRtf, L"Brev");
    const BSTR before = State().text.Get();
    Ui().Type(L"mere");
    if (byFrame) {
      ::SendMessageW(Ui().Window(), WM_CLOSE, 0, 0);
    } else {
      Ui().ClickButton(kIdCancel);
    }
    EXPECT_FALSE(Form().IsLoaded()) << byFrame;
    EXPECT_EQ(State().text.Get(), before) << byFrame;
    EXPECT_EQ(State().text.View(), kSampleRtf) << byFrame;
  }
}

}  // namespace
}  // namespace kb::editor::test
