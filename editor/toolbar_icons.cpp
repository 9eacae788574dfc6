#include "editor/toolbar_icons.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "runtime/errors.h"

namespace kb::editor {
namespace {

// Each image is 16 rows of 16 palette letters; '.' is transparent.
using Art = std::array<std::string_view, kIconSize>;

constexpr COLORREF kTransparent = RGB(255, 0, 255);

COLORREF Colour(char c) {
  switch (c) {
    case 'k': return RGB(0, 0, 0);
    case 'w': return RGB(255, 255, 255);
    case 'g': return RGB(192, 192, 192);
    case 'd': return RGB(128, 128, 128);
    case 'y': return RGB(255, 224, 96);
    case 'o': return RGB(200, 150, 40);
    case 'b': return RGB(40, 90, 200);
    case 'n': return RGB(20, 40, 120);
    case 'r': return RGB(210, 30, 30);
    default: return kTransparent;
  }
}

constexpr Art kCut = {
    "................", "...k.......k....", "...kk.....kk....", "....k.....k.....",
    "....kk...kk.....", ".....k...k......", ".....kk.kk......", "......kkk.......",
    ".......k........", "......rkr.......", ".....rr.rr......", "...rrr...rrr....",
    "..r..r...r..r...", "..r..r...r..r...", "...rr.....rr....", "................"};
constexpr Art kCopy = {
    "................", ".kkkkkkk........", ".kwwwwwk........", ".kwkkkwk........",
    ".kwwwwwk........", ".kwkkkkkkkkkk...", ".kwwwkwwwwwwk...", ".kwkkkwkkkkwk...",
    ".kwwwkwwwwwwk...", ".kkkkkwkkkkwk...", ".....kwwwwwwk...", ".....kwkkkkwk...",
    ".....kwwwwwwk...", ".....kkkkkkkk...", "................", "................"};
constexpr Art kPaste = {
    "................", ".....kkkkk......", "..kkkkgggkkkk...", "..kooggkggook...",
    "..koooooooook...", "..koooooooook...", "..kooookkkkkkkk.", "..kooookwwwwwwk.",
    "..kooookwkkkkwk.", "..kooookwwwwwwk.", "..kooookwkkkkwk.", "..kooookwwwwwwk.",
    "..kooookwkkkwwk.", "..kkkkkkwwwwwwk.", "........kkkkkkk.", "................"};
constexpr Art kDelete = {
    "................", "................", "..rr........rr..", "..rrr......rrr..",
    "...rrr....rrr...", "....rrr..rrr....", ".....rrrrrr.....", "......rrrr......",
    "......rrrr......", ".....rrrrrr.....", "....rrr..rrr....", "...rrr....rrr...",
    "..rrr......rrr..", "..rr........rr..", "................", "................"};
constexpr Art kAlignLeft = {
    "................", "................", "..kkkkkkkkkkkk..", "................",
    "..kkkkkkkk......", "................", "..kkkkkkkkkkkk..", "................",
    "..kkkkkkkk......", "................", "..kkkkkkkkkkkk..", "................",
    "..kkkkkkkk......", "................", "................", "................"};
constexpr Art kCenter = {
    "................", "................", "..kkkkkkkkkkkk..", "................",
    "....kkkkkkkk....", "................", "..kkkkkkkkkkkk..", "................",
    "....kkkkkkkk....", "................", "..kkkkkkkkkkkk..", "................",
    "....kkkkkkkk....", "................", "................", "................"};
constexpr Art kAlignRight = {
    "................", "................", "..kkkkkkkkkkkk..", "................",
    "......kkkkkkkk..", "................", "..kkkkkkkkkkkk..", "................",
    "......kkkkkkkk..", "................", "..kkkkkkkkkkkk..", "................",
    "......kkkkkkkk..", "................", "................", "................"};
constexpr Art kBold = {
    "................", "................", "...kkkkkkkk.....", "....kkk..kkk....",
    "....kkk..kkk....", "....kkk..kkk....", "....kkkkkkk.....", "....kkk..kkk....",
    "....kkk...kkk...", "....kkk...kkk...", "....kkk...kkk...", "....kkk..kkk....",
    "...kkkkkkkk.....", "................", "................", "................"};
constexpr Art kItalic = {
    "................", "................", "......kkkkk.....", ".......kkk......",
    ".......kkk......", "......kkk.......", "......kkk.......", "......kkk.......",
    ".....kkk........", ".....kkk........", ".....kkk........", "....kkk.........",
    "...kkkkk........", "................", "................", "................"};
constexpr Art kUnderline = {
    "................", "...kkkk..kkkk...", "....kk....kk....", "....kk....kk....",
    "....kk....kk....", "....kk....kk....", "....kk....kk....", "....kk....kk....",
    "....kk....kk....", ".....kk..kk.....", "......kkkk......", "................",
    "...bbbbbbbbbb...", "................", "................", "................"};
constexpr Art kNew = {
    "................", "...kkkkkkkk.....", "...kwwwwwwkk....", "...kwwwwwwkwk...",
    "...kwwwwwwkwwk..", "...kwwwwwwkkkkk.", "...kwwwwwwwwwwk.", "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.", "...kwwwwwwwwwwk.", "...kwwwwwwwwwwk.", "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.", "...kwwwwwwwwwwk.", "...kkkkkkkkkkkk.", "................"};
constexpr Art kOpen = {
    "................", "................", "..kkkk..........", ".kyyyyk.........",
    "kyyyyyykkkkkkk..", "kyyyyyyyyyyyyk..", "kyyyyyyyyyyyyk..", "kyyykkkkkkkkkkkk",
    "kyykoooooooooook", "kykoooooooooook.", "kykooooooooook..", "kkoooooooooook..",
    "kkkkkkkkkkkkk...", "................", "................", "................"};
constexpr Art kSave = {
    "................", ".kkkkkkkkkkkkkk.", ".knnwwwwwwwwnnk.", ".knnwwwwwwwwnnk.",
    ".knnwddddddwnnk.", ".knnwwwwwwwwnnk.", ".knnnnnnnnnnnnk.", ".knnnnnnnnnnnnk.",
    ".knnnggggggnnnk.", ".knnnggggkggnnk.", ".knnnggggkggnnk.", ".knnnggggkggnnk.",
    ".knnnggggggnnnk.", ".kkkkkkkkkkkkkk.", "................", "................"};

// In the order of kIconKeys.
constexpr std::array<const Art*, kIconKeys.size()> kArt = {
    &kCut,  &kCopy,   &kPaste,     &kDelete, &kAlignLeft, &kCenter, &kAlignRight,
    &kBold, &kItalic, &kUnderline, &kNew,    &kOpen,      &kSave};

constexpr bool AllRowsFull() {
  for (const Art* art : kArt)
    for (std::string_view row : *art)
      if (row.size() != kIconSize) return false;
  return true;
}
static_assert(AllRowsFull(), "every image row holds 16 pixels");

// A bitmap is kept until the image list has copied it.
using Bitmap = GdiObject<HBITMAP>;

// A 32-bit top-down bitmap of one image.
Bitmap Paint(const Art& art) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kIconSize;
  info.bmiHeader.biHeight = -kIconSize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.Get() || !bits) Raise(kErrOutOfMemory);
  auto* pixels = static_cast<DWORD*>(bits);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const COLORREF c = Colour(art[static_cast<size_t>(y)][static_cast<size_t>(x)]);
      // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
      pixels[y * kIconSize + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  }
  ::GdiFlush();
  return bitmap;
}

}  // namespace

int IconIndex(std::wstring_view key) {
  const auto it = std::find(kIconKeys.begin(), kIconKeys.end(), key);
  return it == kIconKeys.end() ? -1 : static_cast<int>(it - kIconKeys.begin());
}

ImageList CreateToolbarIcons() {
  ImageList list(::ImageList_Create(kIconSize, kIconSize, ILC_COLOR24 | ILC_MASK,
                                    static_cast<int>(kArt.size()), 0));
  if (!list.Get()) Raise(kErrOutOfMemory);
  for (const Art* art : kArt) {
    const Bitmap bitmap = Paint(*art);
    if (::ImageList_AddMasked(list.Get(), bitmap.Get(), kTransparent) < 0) Raise(kErrOutOfMemory);
  }
  return list;
}

}  // namespace kb::editor
