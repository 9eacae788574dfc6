#include "tests/support/pixels.h"

#include "runtime/handles.h"
#include "tests/support/win_handles.h"

namespace kb::support {
namespace {

Image Capture(HDC source, int width, int height) {
  Image image;
  if (!source || width <= 0 || height <= 0) return image;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.Get() || !bits) return image;
  MemoryDc memory;
  memory.Create(source);
  memory.Hold(bitmap.Get());
  ::BitBlt(memory.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  ::GdiFlush();
  image.width = width;
  image.height = height;
  image.pixels.reserve(static_cast<size_t>(width) * height);
  const auto* quads = static_cast<const RGBQUAD*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
    image.pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
  return image;
}

}  // namespace

Image CaptureClient(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  HDC dc = ::GetDC(window);
  Image image = Capture(dc, r.right, r.bottom);
  ::ReleaseDC(window, dc);
  return image;
}

Image CaptureWindow(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  HDC dc = ::GetWindowDC(window);
  Image image = Capture(dc, r.right - r.left, r.bottom - r.top);
  ::ReleaseDC(window, dc);
  return image;
}

bool SaveBmp(const Image& image, const std::wstring& path) {
  const DWORD rowBytes = (static_cast<DWORD>(image.width) * 3 + 3) & ~3u;
  const DWORD dataBytes = rowBytes * static_cast<DWORD>(image.height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + dataBytes;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = image.width;
  info.biHeight = image.height;  // bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = dataBytes;
  std::vector<BYTE> data(dataBytes, 0);
  for (int y = 0; y < image.height; ++y) {
    BYTE* row = data.data() + static_cast<size_t>(image.height - 1 - y) * rowBytes;
    for (int x = 0; x < image.width; ++x) {
      const COLORREF c = image.At(x, y);
      row[x * 3] = GetBValue(c);
      row[x * 3 + 1] = GetGValue(c);
      row[x * 3 + 2] = GetRValue(c);
    }
  }
  kb::Handle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(out.Get(), &file, sizeof file, &written, nullptr) != FALSE;
  ok = ok && ::WriteFile(out.Get(), &info, sizeof info, &written, nullptr) != FALSE;
  ok = ok && ::WriteFile(out.Get(), data.data(), dataBytes, &written, nullptr) != FALSE;
  return ok;
}

}  // namespace kb::support
