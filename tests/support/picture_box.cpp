#include "tests/support/picture_box.h"

#include <ocidl.h>
#include <olectl.h>

#include <stdexcept>

namespace kb::support {
namespace {

constexpr wchar_t kPictureClass[] = L"KitbagTestPicture";

void RegisterPictureClass(WNDPROC procedure) {
  static const ATOM windowClass = [procedure] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    // An own DC, so the hdc handed out stays the box's for its whole life.
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kPictureClass;
    return ::RegisterClassExW(&wc);
  }();
  if (!windowClass) throw std::runtime_error("RegisterClassEx failed for the picture box class");
}

}  // namespace

PictureBox::PictureBox(Form& parent, std::wstring name, const PictureBoxOptions& options)
    : Control(L"PictureBox", parent, std::move(name), options.index) {
  RegisterPictureClass(WindowProc);
  CreateChild(kPictureClass, WS_CLIPSIBLINGS, WS_EX_CLIENTEDGE, options.bounds, L"");
  ExposeHwnd();
  dc_ = WindowDc(Hwnd());
  canvas_ = std::make_unique<Canvas>(Hwnd(), dc_.Get());
  ::SetWindowLongPtrW(Hwnd(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  canvas_->AddMembers(Members(*this));
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

PictureBox::~PictureBox() {
  // The window may outlive this object by a moment: it must not call back.
  if (Hwnd() && ::IsWindow(Hwnd())) ::SetWindowLongPtrW(Hwnd(), GWLP_USERDATA, 0);
  if (canvas_) canvas_->Detach();
}

LRESULT CALLBACK PictureBox::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = reinterpret_cast<PictureBox*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (box) {
    switch (msg) {
      case WM_ERASEBKGND:
        if (box->canvas_->OnEraseBackground(reinterpret_cast<HDC>(wp))) return 1;
        break;
      case WM_PAINT:
        if (box->canvas_->OnPaint()) return 0;
        break;
      case WM_NCDESTROY:
        // The form went first and took this window with it.
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        box->canvas_->Detach();
        break;
      default: break;
    }
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
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
