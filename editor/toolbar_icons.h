// The artwork of the editor's toolbar: thirteen 16 x 16 images, drawn here
// and handed out as an image list keyed by name.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string_view>
#include <utility>

#include "runtime/handles.h"

namespace kb::editor {

inline constexpr int kIconSize = 16;
inline constexpr std::array<std::wstring_view, 13> kIconKeys = {
    L"Cut",  L"Copy",   L"Paste",     L"Delete", L"Align Left", L"Center", L"Align Right",
    L"Bold", L"Italic", L"Underline", L"New",    L"Open",       L"Save"};

// Position of an image in the list; -1 for an unknown key.
int IconIndex(std::wstring_view key);

struct ImageListTraits : handle_traits::Nullable<HIMAGELIST> {
  static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
using ImageList = UniqueHandle<ImageListTraits>;

// A new image list holding the thirteen images in the order of kIconKeys.
ImageList CreateToolbarIcons();

}  // namespace kb::editor
