// Shows the editor with a sample letter and writes a picture of its window
// (as the screen shows it) to a BMP file: editor_screenshot <file.bmp>.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "editor/text_editor.h"
#include "runtime/handles.h"
#include "tests/support/message_pump.h"

namespace {

constexpr wchar_t kLetter[] =
    L"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs20"
    L"\\qc\\b Ordrebekr\\'e6ftelse\\b0\\par"
    L"\\ql\\par K\\'e6re kunde,\\par\\par "
    L"Tak for din bestilling. Varerne sendes i morgen og er hos dig inden for "
    L"\\b tre hverdage\\b0 . Har du sp\\'f8rgsm\\'e5l, er du velkommen til at "
    L"kontakte os.\\par\\par "
    L"\\i Med venlig hilsen\\i0\\par Kundeservice\\par}";

bool WriteBitmap(const wchar_t* path, HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as BMP files store rows
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  std::vector<unsigned char> pixels(stride * static_cast<DWORD>(height));
  if (!::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
    return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  kb::Handle out(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return ::WriteFile(out.Get(), &file, sizeof file, &written, nullptr) &&
         ::WriteFile(out.Get(), &header, sizeof header, &written, nullptr) &&
         ::WriteFile(out.Get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written,
                     nullptr);
}

// The window as it appears on the screen, frame and caption included.
bool Capture(HWND window, const wchar_t* path) {
  RECT r{};
  ::GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  ::SelectObject(memory, old);
  const bool written = copied && WriteBitmap(path, memory, bitmap, width, height);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: editor_screenshot <file.bmp>\n", stderr);
    return 2;
  }
  auto& state = kb::editor::ThisThreadFeed();
  state.text = kb::Bstr(kLetter);
  state.caption = kb::Bstr(L"Ordrebekr\u00E6ftelse");
  kb::editor::TextEditor form;
  form.Load(nullptr);
  form.Show();
  HWND editor = ::GetDlgItem(form.Hwnd(), kb::editor::kIdMessage);
  // A selection inside the bold words, so the toolbar shows BOLD pressed.
  CHARRANGE selection{108, 112};
  ::SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  kb::support::PumpUntil([] { return false; }, 500);
  ::RedrawWindow(form.Hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  kb::support::PumpUntil([] { return false; }, 300);
  if (!Capture(form.Hwnd(), argv[1])) {
    std::fputs("editor_screenshot: the capture failed\n", stderr);
    return 1;
  }
  return 0;
}
