#include "tests/support/forms.h"

#include <olectl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "runtime/text.h"
#include "tests/support/client_errors.h"

namespace kb::support {
namespace {

constexpr wchar_t kFormClass[] = L"KitbagTestForm";

[[noreturn]] void InvalidValue() {
  RaiseRuntimeError(kErrInvalidPropertyValue, L"Invalid property value");
}

int Round(double value) { return static_cast<int>(std::lround(value)); }

std::wstring TextOf(HWND hwnd) {
  if (!hwnd) return {};
  auto length = static_cast<size_t>(::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  auto copied = static_cast<size_t>(
      ::SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

void SetStyleBit(HWND hwnd, LONG bit, bool on) {
  LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
  ::SetWindowLongW(hwnd, GWL_STYLE, on ? style | bit : style & ~bit);
}

long HandleValue(const void* handle) {
  return static_cast<long>(reinterpret_cast<LONG_PTR>(handle));
}

// `Move Left[, Top[, Width[, Height]]]`: omitted ones keep their value.
RECT Moved(const Invocation& c, RECT r, const std::function<int(double)>& x,
           const std::function<int(double)>& y) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (c.Has(0)) r.left = x(c.Double(0));
  if (c.Has(1)) r.top = y(c.Double(1));
  int w = c.Has(2) ? x(c.Double(2)) : width;
  int h = c.Has(3) ? y(c.Double(3)) : height;
  if (w < 0 || h < 0) InvalidValue();
  r.right = r.left + w;
  r.bottom = r.top + h;
  return r;
}

}  // namespace

// ------------------------------------------------------------------ Control

// The object a windowed control's Font gives: changing it changes the
// control's font at once, as the client's font objects do.
class ControlFont : public DispatchObject {
 public:
  explicit ControlFont(Control& control) : DispatchObject(L"Font"), control_(&control) {
    Property(
        L"Name", [this](Invocation& c) { c.ReturnText(control_->fontName_); },
        [this](Invocation& c) {
          control_->fontName_ = c.ValueText();
          control_->ApplyFont();
        });
    Property(
        L"Size", [this](Invocation& c) { c.ReturnR8(control_->fontSize_); },
        [this](Invocation& c) {
          const double size = c.ValueDouble();
          if (size <= 0 || size > 2160) InvalidValue();
          control_->fontSize_ = size;
          control_->ApplyFont();
        });
    Property(
        L"Bold", [this](Invocation& c) { c.ReturnBool(control_->fontBold_); },
        [this](Invocation& c) {
          control_->fontBold_ = c.ValueBool();
          control_->ApplyFont();
        });
    SetDefaultMember(L"Name");
  }

 private:
  kb::ComPtr<Control> control_;  // a font may outlive the caller's hold on its control
};

Control::Control(std::wstring typeName, Form& parent, std::wstring name, std::optional<short> index,
                 Geometry geometry)
    : DispatchObject(std::move(typeName)), parent_(&parent), name_(std::move(name)), index_(index) {
  PublishTypeName();
  RegisterCommon(geometry);
}

UINT_PTR Control::NewChildId() { return parent_ ? parent_->nextChildId_++ : 0; }

void Control::MoveTo(const Invocation& call) {
  SetPixelRect(Moved(
      call, PixelRect(), [this](double v) { return FromScaleX(v); },
      [this](double v) { return FromScaleY(v); }));
}

void Control::CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Bounds& b,
                          std::wstring_view text) {
  std::wstring caption(text);
  HWND hwnd = ::CreateWindowExW(exStyle, windowClass, caption.c_str(),
                                WS_CHILD | WS_VISIBLE | style, b.left, b.top, b.width, b.height,
                                parent_->Hwnd(), reinterpret_cast<HMENU>(NewChildId()),
                                ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) throw std::runtime_error("CreateWindowEx failed for a control");
  window_ = Window(hwnd);
  TakeDefaultFont();
  ApplyFont();
  RegisterWindowed();
}

std::wstring Control::WindowTextOf() const { return TextOf(Hwnd()); }

void Control::SetWindowTextTo(std::wstring_view text) {
  std::wstring copy(text);
  ::SendMessageW(Hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

RECT Control::PixelRect() const {
  if (!Hwnd()) return rect_;
  RECT r{};
  ::GetWindowRect(Hwnd(), &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(Hwnd()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Control::SetPixelRect(const RECT& r) {
  if (!Hwnd()) {
    rect_ = r;
    return;
  }
  ::MoveWindow(Hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// Without a form (it has gone) positions fall back to twips.
double Control::ToScaleX(int pixels) const {
  return parent_ ? parent_->ToScaleX(pixels) : pixels * 15.0;
}
double Control::ToScaleY(int pixels) const {
  return parent_ ? parent_->ToScaleY(pixels) : pixels * 15.0;
}
int Control::FromScaleX(double value) const {
  return parent_ ? parent_->FromScaleX(value) : Round(value / 15.0);
}
int Control::FromScaleY(double value) const {
  return parent_ ? parent_->FromScaleY(value) : Round(value / 15.0);
}

void Control::RegisterCommon(Geometry geometry) {
  Property(L"Name", [this](Invocation& c) { c.ReturnText(name_); });
  Property(L"Index", [this](Invocation& c) {
    if (!index_) RaiseRuntimeError(kErrNotAnArray, L"Object not an array");
    c.ReturnI2(*index_);
  });
  auto parent = [this](Invocation& c) { c.ReturnObject(parent_ ? parent_->Disp() : nullptr); };
  Property(L"Parent", parent);
  Property(L"Container", parent);
  if (geometry == Geometry::kBox) RegisterBox();

  // The control's own flag, not IsWindowVisible: a control of a hidden form
  // still reports Visible = True.
  Property(
      L"Visible",
      [this](Invocation& c) {
        c.ReturnBool(Hwnd() ? (::GetWindowLongW(Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0 : visible_);
      },
      [this](Invocation& c) {
        visible_ = c.ValueBool();
        if (Hwnd()) ::ShowWindow(Hwnd(), visible_ ? SW_SHOWNA : SW_HIDE);
      });
  Property(
      L"Enabled",
      [this](Invocation& c) {
        c.ReturnBool(Hwnd() ? ::IsWindowEnabled(Hwnd()) != FALSE : enabled_);
      },
      [this](Invocation& c) {
        enabled_ = c.ValueBool();
        if (Hwnd()) ::EnableWindow(Hwnd(), enabled_);
      });
  Property(
      L"Tag", [this](Invocation& c) { c.ReturnText(tag_); },
      [this](Invocation& c) { tag_ = c.ValueText(); });
}

void Control::RegisterBox() {
  auto edge = [this](LONG RECT::*field, bool vertical) {
    return [this, field, vertical](Invocation& c) {
      RECT r = PixelRect();
      c.ReturnR4(static_cast<float>(vertical ? ToScaleY(r.*field) : ToScaleX(r.*field)));
    };
  };
  auto moveEdge = [this](LONG RECT::*field, LONG RECT::*opposite, bool vertical) {
    return [this, field, opposite, vertical](Invocation& c) {
      RECT r = PixelRect();
      int value = vertical ? FromScaleY(c.ValueDouble()) : FromScaleX(c.ValueDouble());
      r.*opposite += value - r.*field;  // moving keeps the size
      r.*field = value;
      SetPixelRect(r);
    };
  };
  Property(L"Left", edge(&RECT::left, false), moveEdge(&RECT::left, &RECT::right, false));
  Property(L"Top", edge(&RECT::top, true), moveEdge(&RECT::top, &RECT::bottom, true));
  Property(
      L"Width",
      [this](Invocation& c) {
        RECT r = PixelRect();
        c.ReturnR4(static_cast<float>(ToScaleX(r.right - r.left)));
      },
      [this](Invocation& c) {
        int w = FromScaleX(c.ValueDouble());
        if (w < 0) InvalidValue();
        RECT r = PixelRect();
        r.right = r.left + w;
        SetPixelRect(r);
      });
  Property(
      L"Height",
      [this](Invocation& c) {
        RECT r = PixelRect();
        c.ReturnR4(static_cast<float>(ToScaleY(r.bottom - r.top)));
      },
      [this](Invocation& c) {
        int h = FromScaleY(c.ValueDouble());
        if (h < 0) InvalidValue();
        RECT r = PixelRect();
        r.bottom = r.top + h;
        SetPixelRect(r);
      });
  Method(L"Move", {1, 4}, [this](Invocation& c) { MoveTo(c); },
         {L"Left", L"Top", L"Width", L"Height"});
  Property(
      L"ToolTipText", [this](Invocation& c) { c.ReturnText(toolTip_); },
      [this](Invocation& c) { toolTip_ = c.ValueText(); });
}

void Control::RegisterWindowed() {
  Property(
      L"FontName", [this](Invocation& c) { c.ReturnText(fontName_); },
      [this](Invocation& c) {
        fontName_ = c.ValueText();
        ApplyFont();
      });
  Property(
      L"FontSize", [this](Invocation& c) { c.ReturnR4(static_cast<float>(fontSize_)); },
      [this](Invocation& c) {
        double size = c.ValueDouble();
        if (size <= 0 || size > 2160) InvalidValue();
        fontSize_ = size;
        ApplyFont();
      });
  Property(
      L"FontBold", [this](Invocation& c) { c.ReturnBool(fontBold_); },
      [this](Invocation& c) {
        fontBold_ = c.ValueBool();
        ApplyFont();
      });
  Property(L"Font", [this](Invocation& c) { c.ReturnObject(Make<ControlFont>(*this)->Disp()); });
  Method(L"Refresh", {0, 0}, [this](Invocation&) {
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
    ::UpdateWindow(Hwnd());
  });
}

void Control::ExposeHwnd() {
  Property(L"hwnd", [this](Invocation& c) { c.ReturnI4(HandleValue(Hwnd())); });
}

void Control::ExposeFocus() {
  Property(
      L"TabStop",
      [this](Invocation& c) {
        c.ReturnBool((::GetWindowLongW(Hwnd(), GWL_STYLE) & WS_TABSTOP) != 0);
      },
      [this](Invocation& c) { SetStyleBit(Hwnd(), WS_TABSTOP, c.ValueBool()); });
  // The client refuses focus for a hidden or disabled control.
  Method(L"SetFocus", {0, 0}, [this](Invocation&) {
    if (!::IsWindowVisible(Hwnd()) || !::IsWindowEnabled(Hwnd())) {
      RaiseRuntimeError(kErrInvalidCall, L"Invalid procedure call or argument");
    }
    ::SetFocus(Hwnd());
  });
}

void Control::TakeDefaultFont() {
  LOGFONTW face{};
  if (!::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face)) return;
  fontName_ = face.lfFaceName;
  const int dpi = parent_ ? parent_->DpiY() : 96;
  if (face.lfHeight) fontSize_ = std::abs(face.lfHeight) * 72.0 / dpi;
}

void Control::ApplyFont() {
  if (!Hwnd()) return;
  const int dpi = parent_ ? parent_->DpiY() : 96;
  GdiObject<HFONT> font(
      ::CreateFontW(-Round(fontSize_ * dpi / 72.0), 0, 0, 0, fontBold_ ? FW_BOLD : FW_NORMAL, FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontName_.c_str()));
  // The window lets go of the old font before it is deleted.
  ::SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  font_ = std::move(font);
}

// ------------------------------------------------------------------ TextBox

TextBox::TextBox(Form& parent, std::wstring name, const TextBoxOptions& options)
    : Control(L"TextBox", parent, std::move(name), options.index) {
  // A multi-line box wraps, as the client's does without scroll bars.
  DWORD style = WS_TABSTOP | ES_LEFT | ES_NOHIDESEL;
  style |= options.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN : ES_AUTOHSCROLL;
  CreateChild(L"EDIT", style, WS_EX_CLIENTEDGE, options.bounds, options.text);
  ExposeHwnd();
  ExposeFocus();
  Property(
      L"Text", [this](Invocation& c) { c.ReturnText(Text()); },
      [this](Invocation& c) { SetWindowTextTo(c.ValueText()); });
  SetDefaultMember(L"Text");
  RegisterSelection();
  Property(L"MultiLine", [this](Invocation& c) {
    c.ReturnBool((::GetWindowLongW(Hwnd(), GWL_STYLE) & ES_MULTILINE) != 0);
  });
  Property(
      L"MaxLength", [this](Invocation& c) { c.ReturnI4(maxLength_); },
      [this](Invocation& c) {
        long limit = c.ValueLong();
        if (limit < 0) InvalidValue();
        maxLength_ = limit;
        ::SendMessageW(Hwnd(), EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
      });
  Property(
      L"Locked",
      [this](Invocation& c) {
        c.ReturnBool((::GetWindowLongW(Hwnd(), GWL_STYLE) & ES_READONLY) != 0);
      },
      [this](Invocation& c) { ::SendMessageW(Hwnd(), EM_SETREADONLY, c.ValueBool(), 0); });
}

void TextBox::RegisterSelection() {
  // Setting SelStart collapses the selection there, as the client does.
  Property(
      L"SelStart", [this](Invocation& c) { c.ReturnI4(SelStart()); },
      [this](Invocation& c) {
        long start = c.ValueLong();
        if (start < 0) InvalidValue();
        Select(start, 0);
      });
  Property(
      L"SelLength", [this](Invocation& c) { c.ReturnI4(SelLength()); },
      [this](Invocation& c) {
        long length = c.ValueLong();
        if (length < 0) InvalidValue();
        Select(SelStart(), length);
      });
  Property(
      L"SelText",
      [this](Invocation& c) {
        std::wstring text = Text();
        size_t start = std::min(static_cast<size_t>(SelStart()), text.size());
        c.ReturnText(text.substr(start, static_cast<size_t>(SelLength())));
      },
      [this](Invocation& c) {
        std::wstring text = c.ValueText();
        ::SendMessageW(Hwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
      });
}

long TextBox::SelStart() const {
  DWORD start = 0, end = 0;
  ::SendMessageW(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  return static_cast<long>(start);
}

long TextBox::SelLength() const {
  DWORD start = 0, end = 0;
  ::SendMessageW(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  return static_cast<long>(end - start);
}

void TextBox::Select(long start, long length) {
  const long size = static_cast<long>(Text().size());
  start = std::min(start, size);
  long end = std::min(start + length, size);
  ::SendMessageW(Hwnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

// ------------------------------------------------------------------ ListBox

ListBox::ListBox(Form& parent, std::wstring name, const ListBoxOptions& options)
    : Control(L"ListBox", parent, std::move(name), options.index) {
  DWORD style = WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_HASSTRINGS |
                LBS_NOINTEGRALHEIGHT | (options.sorted ? LBS_SORT : 0);
  CreateChild(L"LISTBOX", style, WS_EX_CLIENTEDGE, options.bounds, L"");
  ExposeHwnd();
  ExposeFocus();

  Method(L"AddItem", {1, 2},
         [this](Invocation& c) {
           std::wstring text = c.Text(0);
           LRESULT at;
           if (c.Has(1)) {
             long index = c.Long(1);
             if (index < 0 || index > Count()) {
               RaiseRuntimeError(kErrInvalidCall, L"Invalid procedure call or argument");
             }
             at = ::SendMessageW(Hwnd(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(text.c_str()));
           } else {
             at = ::SendMessageW(Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
           }
           if (at < 0) RaiseRuntimeError(kErrOutOfMemory, L"Out of memory");
         },
         {L"Item", L"Index"});
  Method(L"RemoveItem", {1, 1},
         [this](Invocation& c) {
           long index = CheckedIndex(c, 0, kErrInvalidCall);
           ::SendMessageW(Hwnd(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
         },
         {L"Index"});
  Method(L"Clear", {0, 0}, [this](Invocation&) { ::SendMessageW(Hwnd(), LB_RESETCONTENT, 0, 0); });

  // Reading past the end gives "", as in the client; writing there fails.
  Property(
      L"List",
      [this](Invocation& c) {
        long index = c.Long(0);
        c.ReturnText(index >= 0 && index < Count() ? ItemAt(index) : std::wstring());
      },
      [this](Invocation& c) {
        long index = CheckedIndex(c, 0, kErrInvalidArrayIndex);
        std::wstring text = c.ValueText();
        LRESULT data = ::SendMessageW(Hwnd(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
        bool selected = ::SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0) == index;
        ::SendMessageW(Hwnd(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        ::SendMessageW(Hwnd(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(Hwnd(), LB_SETITEMDATA, static_cast<WPARAM>(index), data);
        if (selected) ::SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      },
      1);
  Property(L"ListCount", [this](Invocation& c) { c.ReturnI2(static_cast<short>(Count())); });
  // The first item shown; the list scrolls no further than its last page.
  Property(
      L"TopIndex",
      [this](Invocation& c) {
        c.ReturnI2(static_cast<short>(::SendMessageW(Hwnd(), LB_GETTOPINDEX, 0, 0)));
      },
      [this](Invocation& c) {
        long index = c.ValueLong();
        if (index < 0 || index >= std::max(Count(), 1L)) InvalidValue();
        ::SendMessageW(Hwnd(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
      });
  Property(
      L"ListIndex",
      [this](Invocation& c) {
        c.ReturnI2(static_cast<short>(::SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0)));
      },
      [this](Invocation& c) {
        long index = c.ValueLong();
        if (index < -1 || index >= Count()) InvalidValue();
        ::SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      });
  Property(
      L"Text",
      [this](Invocation& c) {
        LRESULT sel = ::SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0);
        c.ReturnText(sel >= 0 ? ItemAt(static_cast<long>(sel)) : std::wstring());
      },
      [this](Invocation& c) {
        std::wstring text = c.ValueText();
        LRESULT found = ::SendMessageW(Hwnd(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(found), 0);
      });
  Property(
      L"ItemData",
      [this](Invocation& c) {
        long index = CheckedIndex(c, 0, kErrInvalidArrayIndex);
        c.ReturnI4(static_cast<long>(
            ::SendMessageW(Hwnd(), LB_GETITEMDATA, static_cast<WPARAM>(index), 0)));
      },
      [this](Invocation& c) {
        long index = CheckedIndex(c, 0, kErrInvalidArrayIndex);
        ::SendMessageW(Hwnd(), LB_SETITEMDATA, static_cast<WPARAM>(index), c.ValueLong());
      },
      1);
  Property(
      L"Selected",
      [this](Invocation& c) {
        long index = CheckedIndex(c, 0, kErrInvalidArrayIndex);
        c.ReturnBool(::SendMessageW(Hwnd(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0);
      },
      [this](Invocation& c) {
        long index = CheckedIndex(c, 0, kErrInvalidArrayIndex);
        bool isCurrent = ::SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0) == index;
        if (c.ValueBool()) {
          ::SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        } else if (isCurrent) {
          ::SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        }
      },
      1);
  Property(L"Sorted", [this](Invocation& c) {
    c.ReturnBool((::GetWindowLongW(Hwnd(), GWL_STYLE) & LBS_SORT) == LBS_SORT);
  });
}

std::vector<std::wstring> ListBox::Items() const {
  std::vector<std::wstring> items;
  for (long i = 0; i < Count(); ++i) items.push_back(ItemAt(i));
  return items;
}

long ListBox::Count() const { return static_cast<long>(::SendMessageW(Hwnd(), LB_GETCOUNT, 0, 0)); }

std::wstring ListBox::ItemAt(long i) const {
  LRESULT length = ::SendMessageW(Hwnd(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = ::SendMessageW(Hwnd(), LB_GETTEXT, static_cast<WPARAM>(i),
                                  reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : std::min(static_cast<size_t>(copied), static_cast<size_t>(length)));
  return text;
}

long ListBox::CheckedIndex(const Invocation& call, size_t arg, long error) const {
  long index = call.Long(arg);
  if (index < 0 || index >= Count()) {
    RaiseRuntimeError(error, error == kErrInvalidCall ? L"Invalid procedure call or argument"
                                                      : L"Invalid property array index");
  }
  return index;
}

// -------------------------------------------------------------------- Label

Label::Label(Form& parent, std::wstring name, const LabelOptions& options)
    : Control(L"Label", parent, std::move(name), options.index) {
  CreateChild(L"STATIC", SS_LEFT, 0, options.bounds, options.caption);
  Property(
      L"Caption", [this](Invocation& c) { c.ReturnText(Caption()); },
      [this](Invocation& c) { SetWindowTextTo(c.ValueText()); });
  SetDefaultMember(L"Caption");
}

// ------------------------------------------------------------ CommandButton

CommandButton::CommandButton(Form& parent, std::wstring name, const CommandButtonOptions& options)
    : Control(L"CommandButton", parent, std::move(name), options.index) {
  CreateChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, options.bounds, options.caption);
  ExposeHwnd();
  ExposeFocus();
  Property(
      L"Caption", [this](Invocation& c) { c.ReturnText(WindowTextOf()); },
      [this](Invocation& c) { SetWindowTextTo(c.ValueText()); });
  // Value = True clicks the button; it always reads back False.
  Property(
      L"Value", [](Invocation& c) { c.ReturnBool(false); },
      [this](Invocation& c) {
        if (!c.ValueBool()) return;
        ::SendMessageW(::GetParent(Hwnd()), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(Hwnd()), BN_CLICKED),
                       reinterpret_cast<LPARAM>(Hwnd()));
      });
  SetDefaultMember(L"Value");
}

void CommandButton::OnCommand(WORD code) {
  if (code != BN_CLICKED) return;
  ++clicks_;
  if (onClick_) onClick_();
}

// -------------------------------------------------------- ControlCollection

ControlCollection::ControlCollection() : DispatchObject(L"Controls") {
  Property(L"Count", [this](Invocation& c) { c.ReturnI2(static_cast<short>(items_.size())); });
  Property(
      L"Item",
      [this](Invocation& c) {
        const VARIANT& key = c.Arg(0);
        if (V_VT(&key) == VT_BSTR) {
          Control* found = Find(kb::View(V_BSTR(&key)));
          if (!found) {
            RaiseRuntimeError(kErrControlNotFound,
                              L"Control '" + std::wstring(kb::View(V_BSTR(&key))) + L"' not found");
          }
          c.ReturnObject(found->Disp());
          return;
        }
        long index = c.Long(0);
        if (index < 0 || index >= static_cast<long>(items_.size())) {
          RaiseRuntimeError(kErrSubscript, L"Subscript out of range");
        }
        c.ReturnObject(items_[static_cast<size_t>(index)]->Disp());
      },
      {}, 1);
  SetDefaultMember(L"Item");
  Property(L"_NewEnum", [this](Invocation& c) { c.ReturnUnknown(Enumerator().Get()); });
  SetDispId(L"_NewEnum", DISPID_NEWENUM);
}

kb::ComPtr<IEnumVARIANT> ControlCollection::Enumerator() const {
  std::vector<kb::Variant> values(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    VARIANT* v = values[i].Get();
    V_VT(v) = VT_DISPATCH;
    V_DISPATCH(v) = items_[i]->Disp();
    V_DISPATCH(v)->AddRef();
  }
  return VariantEnumerator::Create(std::move(values));
}

Control* ControlCollection::Find(std::wstring_view name, std::optional<short> index) const {
  for (const auto& item : items_) {
    const std::wstring& n = item->Name();
    bool same = rt::SameName(n, name);
    if (same && (!index || item->Index() == index)) return item.Get();
  }
  return nullptr;
}

// --------------------------------------------------------------------- Form

Form::Form(const FormOptions& options)
    : DispatchObject(L"Form"),
      name_(options.name),
      caption_(options.caption),
      controls_(Make<ControlCollection>()) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    // An own DC, so the hdc handed out stays the form's for its whole life.
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return ::RegisterClassExW(&wc);
  }();
  if (!windowClass) throw std::runtime_error("RegisterClassEx failed for the form class");
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (options.visible ? WS_VISIBLE : 0);
  HWND hwnd = ::CreateWindowExW(0, kFormClass, caption_.c_str(), style, options.left, options.top,
                                options.width, options.height, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), this);
  if (!hwnd) throw std::runtime_error("CreateWindowEx failed for a form");
  window_ = Window(hwnd);
  dc_ = WindowDc(hwnd);
  canvas_ = std::make_unique<Canvas>(hwnd, dc_.Get());
  ::UpdateWindow(hwnd);
  PublishType(options.name, L"Form");
  RegisterMembers();
  canvas_->AddMembers(Members(*this));
}

Form::~Form() {
  for (const auto& control : controls_->Items()) control->Orphan();
  if (HWND hwnd = Hwnd()) {
    // The object is going: the window must not report back to it.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    dc_.Reset();
    window_.Reset();
  }
}

void Form::Close() {
  if (Hwnd()) ::SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
}

void Form::SetClientSize(int width, int height) {
  if (!Hwnd()) return;
  RECT outer{0, 0, width, height};
  ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongW(Hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(Hwnd(), GWL_EXSTYLE)));
  ::SetWindowPos(Hwnd(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Form::ClientPixels() const {
  RECT r{};
  if (Hwnd()) ::GetClientRect(Hwnd(), &r);
  return r;
}

kb::ComPtr<TextBox> Form::AddTextBox(std::wstring name, const TextBoxOptions& options) {
  return Add<TextBox>(std::move(name), options);
}

kb::ComPtr<ListBox> Form::AddListBox(std::wstring name, const ListBoxOptions& options) {
  return Add<ListBox>(std::move(name), options);
}

kb::ComPtr<Label> Form::AddLabel(std::wstring name, const LabelOptions& options) {
  return Add<Label>(std::move(name), options);
}

kb::ComPtr<CommandButton> Form::AddCommandButton(std::wstring name,
                                                 const CommandButtonOptions& options) {
  return Add<CommandButton>(std::move(name), options);
}

void Form::Adopt(kb::ComPtr<Control> control) {
  Control& added = *control.Get();
  controls_->Add(std::move(control));
  ExposeControl(added);
}

// The client's forms have a member per control (Form1.Text1), an indexed
// one for a control array (Form1.Text1(2)).
void Form::ExposeControl(Control& control) {
  const std::wstring& name = control.Name();
  bool isControlMember = std::any_of(exposed_.begin(), exposed_.end(),
                                     [&](const std::wstring& n) { return rt::SameName(n, name); });
  if (HasMember(name) && !isControlMember) return;  // never hide a member of the form
  exposed_.push_back(name);
  if (!control.Index()) {
    Control* target = &control;
    Property(name, [target](Invocation& c) { c.ReturnObject(target->Disp()); });
    return;
  }
  Property(
      name,
      [this, name](Invocation& c) {
        long index = c.Long(0);
        Control* found = controls_->Find(name, static_cast<short>(index));
        if (!found) {
          RaiseRuntimeError(
              kErrArrayElementMissing,
              L"Control array element '" + std::to_wstring(index) + L"' doesn't exist");
        }
        c.ReturnObject(found->Disp());
      },
      {}, 1);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form) {
    switch (msg) {
      case WM_CLOSE: form->OnClose(); return 0;
      case WM_ERASEBKGND:
        if (form->canvas_->OnEraseBackground(reinterpret_cast<HDC>(wp))) return 1;
        break;
      case WM_PAINT:
        if (form->canvas_->OnPaint()) return 0;
        break;
      case WM_TIMER:
        // A handler may add or drop controls: walk a copy.
        for (kb::ComPtr<Control> control : std::vector(form->controls_->Items()))
          control->OnTimer(static_cast<UINT_PTR>(wp));
        return 0;
      case WM_COMMAND:
        if (Control* control = form->ControlOf(reinterpret_cast<HWND>(lp))) {
          control->OnCommand(HIWORD(wp));
        }
        break;
      case WM_DESTROY: form->OnDestroyed(); break;
      case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->window_.Release();
        break;
      default: break;
    }
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

Control* Form::ControlOf(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (const auto& control : controls_->Items()) {
    if (control->Hwnd() == hwnd) return control.Get();
  }
  return nullptr;
}

void Form::OnClose() {
  ++closeRequests_;
  if (cancelUnload_) return;
  ::DestroyWindow(Hwnd());
}

void Form::OnDestroyed() {
  caption_ = TextOf(Hwnd());
  unloaded_ = true;
  canvas_->Detach();
  dc_.Reset();
}

RECT Form::OuterRect() const {
  RECT r{};
  if (Hwnd()) ::GetWindowRect(Hwnd(), &r);
  return r;
}

void Form::SetOuterRect(const RECT& r) {
  if (Hwnd()) ::MoveWindow(Hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

double Form::ToScaleX(int pixels) const { return canvas_->ToScaleX(pixels); }
double Form::ToScaleY(int pixels) const { return canvas_->ToScaleY(pixels); }
int Form::FromScaleX(double value) const { return canvas_->FromScaleX(value); }
int Form::FromScaleY(double value) const { return canvas_->FromScaleY(value); }
int Form::FromTwipsX(double twips) const { return Round(twips * DpiX() / 1440.0); }
int Form::FromTwipsY(double twips) const { return Round(twips * DpiY() / 1440.0); }

void Form::RegisterMembers() {
  Property(L"Name", [this](Invocation& c) { c.ReturnText(name_); });
  Property(
      L"Caption", [this](Invocation& c) { c.ReturnText(Hwnd() ? TextOf(Hwnd()) : caption_); },
      [this](Invocation& c) {
        caption_ = c.ValueText();
        if (Hwnd())
          ::SendMessageW(Hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
      });
  Property(L"hwnd", [this](Invocation& c) { c.ReturnI4(HandleValue(Hwnd())); });
  Property(L"Controls", [this](Invocation& c) { c.ReturnObject(controls_->Disp()); });
  // For Each ctl In Form1 walks the controls, as the client's forms do.
  Property(L"_NewEnum", [this](Invocation& c) { c.ReturnUnknown(controls_->Enumerator().Get()); });
  SetDispId(L"_NewEnum", DISPID_NEWENUM);
  // Form1(0) and Form1("Text1") reach the controls, as in the client.
  SetDefaultMember(L"Controls");
  Property(
      L"Icon", [this](Invocation& c) { c.ReturnObject(icon_.Get()); },
      [this](Invocation& c) { icon_ = c.ValueObject(); });
  Property(
      L"Tag", [this](Invocation& c) { c.ReturnText(tag_); },
      [this](Invocation& c) { tag_ = c.ValueText(); });
  RegisterGeometry();
  Property(
      L"Visible", [this](Invocation& c) { c.ReturnBool(::IsWindowVisible(Hwnd()) != FALSE); },
      [this](Invocation& c) { ::ShowWindow(Hwnd(), c.ValueBool() ? SW_SHOW : SW_HIDE); });
  Property(
      L"Enabled", [this](Invocation& c) { c.ReturnBool(::IsWindowEnabled(Hwnd()) != FALSE); },
      [this](Invocation& c) { ::EnableWindow(Hwnd(), c.ValueBool()); });
  Property(
      L"WindowState",
      [this](Invocation& c) {
        c.ReturnI2(::IsIconic(Hwnd()) ? 1 : ::IsZoomed(Hwnd()) ? 2 : 0);
      },
      [this](Invocation& c) {
        static const int kShow[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
        long state = c.ValueLong();
        if (state < 0 || state > 2) InvalidValue();
        ::ShowWindow(Hwnd(), kShow[state]);
      });
  Method(L"Show", {0, 2}, [this](Invocation&) { ::ShowWindow(Hwnd(), SW_SHOW); },
         {L"Modal", L"OwnerForm"});
  Method(L"Hide", {0, 0}, [this](Invocation&) { ::ShowWindow(Hwnd(), SW_HIDE); });
  Method(L"Refresh", {0, 0}, [this](Invocation&) {
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
    ::UpdateWindow(Hwnd());
  });
}

void Form::RegisterGeometry() {
  // The outer rectangle, in twips whatever the ScaleMode.
  auto edge = [this](LONG RECT::*field, bool vertical) {
    return [this, field, vertical](Invocation& c) {
      RECT r = OuterRect();
      c.ReturnR4(static_cast<float>(vertical ? ToTwipsY(r.*field) : ToTwipsX(r.*field)));
    };
  };
  auto moveEdge = [this](LONG RECT::*field, LONG RECT::*opposite, bool vertical) {
    return [this, field, opposite, vertical](Invocation& c) {
      RECT r = OuterRect();
      int value = vertical ? FromTwipsY(c.ValueDouble()) : FromTwipsX(c.ValueDouble());
      r.*opposite += value - r.*field;
      r.*field = value;
      SetOuterRect(r);
    };
  };
  Property(L"Left", edge(&RECT::left, false), moveEdge(&RECT::left, &RECT::right, false));
  Property(L"Top", edge(&RECT::top, true), moveEdge(&RECT::top, &RECT::bottom, true));
  Property(
      L"Width",
      [this](Invocation& c) {
        RECT r = OuterRect();
        c.ReturnR4(static_cast<float>(ToTwipsX(r.right - r.left)));
      },
      [this](Invocation& c) {
        int w = FromTwipsX(c.ValueDouble());
        if (w < 0) InvalidValue();
        RECT r = OuterRect();
        r.right = r.left + w;
        SetOuterRect(r);
      });
  Property(
      L"Height",
      [this](Invocation& c) {
        RECT r = OuterRect();
        c.ReturnR4(static_cast<float>(ToTwipsY(r.bottom - r.top)));
      },
      [this](Invocation& c) {
        int h = FromTwipsY(c.ValueDouble());
        if (h < 0) InvalidValue();
        RECT r = OuterRect();
        r.bottom = r.top + h;
        SetOuterRect(r);
      });
  Method(L"Move", {1, 4},
         [this](Invocation& c) {
           SetOuterRect(Moved(
               c, OuterRect(), [this](double v) { return FromTwipsX(v); },
               [this](double v) { return FromTwipsY(v); }));
         },
         {L"Left", L"Top", L"Width", L"Height"});
}

kb::ComPtr<IDispatch> MakeIconPicture() {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_ICON;
  // A shared system icon: the picture must not destroy it.
  desc.icon.hicon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  kb::ComPtr<IDispatch> picture;
  HRESULT hr = ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, FALSE,
                                          reinterpret_cast<void**>(picture.Out()));
  if (FAILED(hr)) throw DispatchError(hr);
  return picture;
}

}  // namespace kb::support
