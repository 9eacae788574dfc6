#include "tests/support/picture_box.h"

#include <ocidl.h>
#include <olectl.h>

#include "tests/support/control_kinds.h"

namespace kb::support {

PictureBox::PictureBox(Form& parent, std::wstring name, const PictureBoxOptions& options)
    : Control(L"PictureBox", parent, std::move(name), options.index, kKindPictureBox) {
  SetPixelRect({options.bounds.left, options.bounds.top, options.bounds.left + options.bounds.width,
                options.bounds.top + options.bounds.height});
  auto assign = [this](Invocation& c) {
    kb::ComPtr<IDispatch> picture = c.ValueObject();
    // Only picture objects are pictures; anything else is an invalid value.
    if (picture && !picture.As<IPicture>(IID_IPicture))
      RaiseRuntimeError(380, L"Invalid property value");
    picture_ = std::move(picture);
    ++assignments_;
  };
  Property(
      L"Picture", [this](Invocation& c) { c.ReturnObject(picture_.Get()); }, assign);
  SetDefaultMember(L"Picture");
}

SIZE PictureBox::PictureSize() const {
  auto picture = picture_.As<IPicture>(IID_IPicture);
  if (!picture) return {0, 0};
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);
  HDC screen = ::GetDC(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return {::MulDiv(width, dpiX, 2540), ::MulDiv(height, dpiY, 2540)};
}

}  // namespace kb::support
