// Picture files of every kind the picture loader reads, made by the tests:
// bitmaps, icons and metafiles written by hand, JPEG through the platform's
// imaging encoder, and a GIF of one pixel.
#pragma once

#include <string>

namespace databasetest {

void WriteBitmap(const std::wstring& path, int width, int height);
void WriteIcon(const std::wstring& path, int size);
// A placeable metafile of the given size in 1/1440 inch.
void WriteMetafile(const std::wstring& path, int width, int height);
void WriteJpeg(const std::wstring& path, int width, int height);
void WriteGif(const std::wstring& path);  // 1 x 1

}  // namespace databasetest
