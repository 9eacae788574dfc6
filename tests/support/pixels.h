// What a user sees of a window, read back pixel by pixel, and saved as a
// bitmap file for the documentation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kb::support {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // rows top to bottom
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The client area of a window.
Image CaptureClient(HWND window);
// The whole window, frame and caption included.
Image CaptureWindow(HWND window);
// Writes a 24-bit BMP file; false when the file cannot be written.
bool SaveBmp(const Image& image, const std::wstring& path);

}  // namespace kb::support
