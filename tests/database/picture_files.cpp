#include "tests/database/picture_files.h"

#include <windows.h>

#include <wincodec.h>

#include <cstdint>
#include <fstream>
#include <vector>

#include "runtime/handles.h"

namespace databasetest {
namespace {

template <class T>
void Put(std::vector<char>& out, T value) {
  const char* bytes = reinterpret_cast<const char*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

void Save(const std::wstring& path, const std::vector<char>& bytes) {
  std::ofstream out(std::string(path.begin(), path.end()), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A bottom-up 32-bit DIB: header and pixels, with an icon's doubled height
// and mask when asked.
std::vector<char> Dib(int width, int height, bool icon) {
  std::vector<char> out;
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = icon ? height * 2 : height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  Put(out, h);
  for (int i = 0; i < width * height; ++i)
    Put<uint32_t>(out, 0xFF3080C0u + static_cast<uint32_t>(i));
  if (icon) out.insert(out.end(), static_cast<size_t>(((width + 31) / 32) * 4 * height), '\0');
  return out;
}

}  // namespace

void WriteBitmap(const std::wstring& path, int width, int height) {
  const std::vector<char> dib = Dib(width, height, false);
  std::vector<char> out;
  BITMAPFILEHEADER f{};
  f.bfType = 0x4D42;
  f.bfSize = static_cast<DWORD>(sizeof f + dib.size());
  f.bfOffBits = sizeof f + sizeof(BITMAPINFOHEADER);
  Put(out, f);
  out.insert(out.end(), dib.begin(), dib.end());
  Save(path, out);
}

void WriteIcon(const std::wstring& path, int size) {
  const std::vector<char> dib = Dib(size, size, true);
  std::vector<char> out;
  Put<uint16_t>(out, 0);
  Put<uint16_t>(out, 1);  // icon
  Put<uint16_t>(out, 1);  // one image
  Put<uint8_t>(out, static_cast<uint8_t>(size));
  Put<uint8_t>(out, static_cast<uint8_t>(size));
  Put<uint8_t>(out, 0);
  Put<uint8_t>(out, 0);
  Put<uint16_t>(out, 1);
  Put<uint16_t>(out, 32);
  Put<uint32_t>(out, static_cast<uint32_t>(dib.size()));
  Put<uint32_t>(out, 22);
  out.insert(out.end(), dib.begin(), dib.end());
  Save(path, out);
}

void WriteMetafile(const std::wstring& path, int width, int height) {
  HDC dc = ::CreateMetaFileW(nullptr);
  ::Rectangle(dc, 0, 0, width, height);
  HMETAFILE mf = ::CloseMetaFile(dc);
  std::vector<char> bits(::GetMetaFileBitsEx(mf, 0, nullptr));
  ::GetMetaFileBitsEx(mf, static_cast<UINT>(bits.size()), bits.data());
  ::DeleteMetaFile(mf);
  // The placeable header: key, handle, bounds, units per inch, reserved, checksum.
  uint16_t header[11] = {
      0xCDD7, 0x9AC6, 0, 0, 0, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
      1440,   0,      0, 0};
  for (int i = 0; i < 10; ++i) header[10] ^= header[i];
  std::vector<char> out(reinterpret_cast<char*>(header), reinterpret_cast<char*>(header) + 22);
  out.insert(out.end(), bits.begin(), bits.end());
  Save(path, out);
}

void WriteJpeg(const std::wstring& path, int width, int height) {
  kb::ComPtr<IWICImagingFactory> factory;
  ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(factory.Out()));
  if (!factory) return;
  kb::ComPtr<IWICStream> stream;
  kb::ComPtr<IWICBitmapEncoder> encoder;
  kb::ComPtr<IWICBitmapFrameEncode> frame;
  factory->CreateStream(stream.Out());
  stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Out());
  encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  encoder->CreateNewFrame(frame.Out(), nullptr);
  frame->Initialize(nullptr);
  frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  frame->SetPixelFormat(&format);
  std::vector<BYTE> pixels(static_cast<size_t>(width * height * 3), 0x80);
  frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width * 3),
                     static_cast<UINT>(pixels.size()), pixels.data());
  frame->Commit();
  encoder->Commit();
}

void WriteGif(const std::wstring& path) {
  static const unsigned char kGif[] = {'G', 'I', 'F',  '8',  '9',  'a',  1,    0, 1,    0,    0x80,
                                       0,   0,   0xFF, 0xFF, 0xFF, 0,    0,    0, 0x21, 0xF9, 4,
                                       1,   0,   0,    0,    0,    0x2C, 0,    0, 0,    0,    1,
                                       0,   1,   0,    0,    2,    2,    0x44, 1, 0,    0x3B};
  Save(path, std::vector<char>(kGif, kGif + sizeof kGif));
}

}  // namespace databasetest
