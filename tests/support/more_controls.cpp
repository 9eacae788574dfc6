// The client's line, timer and combo box: the controls whose members differ
// most from the others (no geometry at all, only a position, a height that
// cannot be assigned).
#include <string>

#include "tests/support/client_errors.h"
#include "tests/support/forms.h"

namespace kb::support {
namespace {

[[noreturn]] void InvalidValue() {
  RaiseRuntimeError(kErrInvalidPropertyValue, L"Invalid property value");
}

}  // namespace

// --------------------------------------------------------------------- Line

Line::Line(Form& parent, std::wstring name, const LineOptions& options)
    : Control(L"Line", parent, std::move(name), options.index, Geometry::kNone),
      from_(options.from),
      to_(options.to) {
  auto end = [this](LONG POINT::*field, POINT Line::*point, bool vertical) {
    return std::pair<Handler, Handler>{
        [this, field, point, vertical](Invocation& c) {
          const int pixels = (this->*point).*field;
          c.ReturnR4(static_cast<float>(vertical ? ToScaleY(pixels) : ToScaleX(pixels)));
        },
        [this, field, point, vertical](Invocation& c) {
          const double value = c.ValueDouble();
          (this->*point).*field = vertical ? FromScaleY(value) : FromScaleX(value);
        }};
  };
  for (auto [name, field, point, vertical] : {std::tuple{L"X1", &POINT::x, &Line::from_, false},
                                              std::tuple{L"Y1", &POINT::y, &Line::from_, true},
                                              std::tuple{L"X2", &POINT::x, &Line::to_, false},
                                              std::tuple{L"Y2", &POINT::y, &Line::to_, true}}) {
    auto [get, put] = end(field, point, vertical);
    Property(name, get, put);
  }
  Property(
      L"BorderColor", [this](Invocation& c) { c.ReturnI4(borderColor_); },
      [this](Invocation& c) {
        const long color = c.ValueLong();
        ColorOf(color);
        borderColor_ = color;
      });
  Property(
      L"BorderWidth", [this](Invocation& c) { c.ReturnI2(borderWidth_); },
      [this](Invocation& c) {
        const long width = c.ValueLong();
        if (width < 1 || width > 8192) InvalidValue();
        borderWidth_ = static_cast<short>(width);
      });
}

// -------------------------------------------------------------------- Timer

Timer::Timer(Form& parent, std::wstring name, const TimerOptions& options)
    : Control(L"Timer", parent, std::move(name), options.index, Geometry::kPosition),
      at_(options.at),
      interval_(options.interval),
      enabled_(options.enabled),
      id_(NewChildId()) {
  Property(
      L"Left", [this](Invocation& c) { c.ReturnR4(static_cast<float>(ToScaleX(at_.x))); },
      [this](Invocation& c) { at_.x = FromScaleX(c.ValueDouble()); });
  Property(
      L"Top", [this](Invocation& c) { c.ReturnR4(static_cast<float>(ToScaleY(at_.y))); },
      [this](Invocation& c) { at_.y = FromScaleY(c.ValueDouble()); });
  Property(
      L"Interval", [this](Invocation& c) { c.ReturnI4(interval_); },
      [this](Invocation& c) {
        const long interval = c.ValueLong();
        if (interval < 0 || interval > 65535) InvalidValue();
        interval_ = interval;
        Restart();
      });
  Property(
      L"Enabled", [this](Invocation& c) { c.ReturnBool(enabled_); },
      [this](Invocation& c) {
        enabled_ = c.ValueBool();
        Restart();
      });
  Restart();
}

Timer::~Timer() {
  if (running_ && Parent() && Parent()->Hwnd()) ::KillTimer(Parent()->Hwnd(), id_);
}

void Timer::Restart() {
  HWND form = Parent() ? Parent()->Hwnd() : nullptr;
  if (running_ && form) ::KillTimer(form, id_);
  running_ = false;
  if (form && enabled_ && interval_ > 0)
    running_ = ::SetTimer(form, id_, static_cast<UINT>(interval_), nullptr) != 0;
}

void Timer::OnTimer(UINT_PTR id) {
  if (id != id_ || !running_) return;
  ++ticks_;
  if (onTick_) onTick_();
}

// ----------------------------------------------------------------- ComboBox

ComboBox::ComboBox(Form& parent, std::wstring name, const ComboBoxOptions& options)
    : Control(L"ComboBox", parent, std::move(name), options.index) {
  // The window's height includes the dropped list; what shows is one line.
  Bounds dropped = options.bounds;
  dropped.height *= 6;
  CreateChild(L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, dropped,
              L"");
  ExposeHwnd();
  ExposeFocus();
  auto count = [this] { return static_cast<long>(::SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0)); };
  auto readOnly = [] { RaiseRuntimeError(kErrReadOnly, L"Property is read-only"); };
  Property(
      L"Height",
      [this](Invocation& c) {
        RECT r = PixelRect();
        c.ReturnR4(static_cast<float>(ToScaleY(r.bottom - r.top)));
      },
      [readOnly](Invocation&) { readOnly(); });
  Method(L"Move", {1, 4},
         [this, readOnly](Invocation& c) {
           if (c.Has(3)) readOnly();
           MoveTo(c);
         },
         {L"Left", L"Top", L"Width", L"Height"});
  Property(
      L"Text", [this](Invocation& c) { c.ReturnText(WindowTextOf()); },
      [this](Invocation& c) { SetWindowTextTo(c.ValueText()); });
  SetDefaultMember(L"Text");
  Method(L"AddItem", {1, 1},
         [this](Invocation& c) {
           const std::wstring text = c.Text(0);
           ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
         },
         {L"Item"});
  Method(L"Clear", {0, 0}, [this](Invocation&) { ::SendMessageW(Hwnd(), CB_RESETCONTENT, 0, 0); });
  Property(L"ListCount", [count](Invocation& c) { c.ReturnI2(static_cast<short>(count())); });
  Property(
      L"List",
      [this, count](Invocation& c) {
        const long index = c.Long(0);
        if (index < 0 || index >= count()) {
          c.ReturnText(L"");
          return;
        }
        const auto length = ::SendMessageW(Hwnd(), CB_GETLBTEXTLEN, index, 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(Hwnd(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        c.ReturnText(text);
      },
      {}, 1);
  Property(
      L"ListIndex",
      [this](Invocation& c) {
        c.ReturnI2(static_cast<short>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0)));
      },
      [this, count](Invocation& c) {
        const long index = c.ValueLong();
        if (index < -1 || index >= count()) {
          RaiseRuntimeError(kErrInvalidCall, L"Invalid procedure call or argument");
        }
        ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      });
}

}  // namespace kb::support
