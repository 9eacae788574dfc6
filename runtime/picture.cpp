#include "runtime/picture.h"

#include <ocidl.h>
#include <olectl.h>

#include "runtime/errors.h"
#include "runtime/global_memory.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

ComPtr<IDispatch> EmptyPicture() {
  PICTDESC none{};
  none.cbSizeofstruct = sizeof none;
  none.picType = PICTYPE_NONE;
  ComPtr<IDispatch> picture;
  Check(::OleCreatePictureIndirect(&none, IID_IPictureDisp, FALSE,
                                   reinterpret_cast<void**>(picture.Out())));
  return picture;
}

}  // namespace

ComPtr<IDispatch> LoadPicture(std::wstring_view fileName) {
  if (fileName.empty()) return EmptyPicture();
  const AnsiText name(fileName);
  Handle file(::CreateFileA(name.Get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Raise(::GetLastError() == ERROR_PATH_NOT_FOUND ? kErrPathNotFound : kErrFileNotFound);
  LARGE_INTEGER size{};
  // A picture file beyond what a 32-bit loader can hold is no picture here.
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) Raise(kErrInvalidPicture);
  const auto bytes = static_cast<DWORD>(size.QuadPart);
  GlobalMemory block = NewGlobalBlock(bytes);
  DWORD read = 0;
  BOOL ok = FALSE;
  if (LockedGlobal data(block.Get()); data.Data())
    ok = ::ReadFile(file.Get(), data.Data(), bytes, &read, nullptr);
  if (!ok || read != bytes) Raise(kErrDeviceIO);
  ComPtr<IStream> stream;
  Check(::CreateStreamOnHGlobal(block.Get(), TRUE, stream.Out()));
  block.Release();
  ComPtr<IDispatch> picture;
  if (FAILED(::OleLoadPicture(stream.Get(), static_cast<LONG>(bytes), FALSE, IID_IPictureDisp,
                              reinterpret_cast<void**>(picture.Out()))) ||
      !picture)
    Raise(kErrInvalidPicture);
  return picture;
}

}  // namespace kb::rt
