// A model of the client application's forms and controls, as the library
// sees them: automation objects reached only by name, backed by real windows
// so that routines working on window handles see real EDIT, LISTBOX, COMBOBOX,
// STATIC and BUTTON controls, and routines that draw paint real pixels.
//
// Sizes follow the client's conventions: a form's Left/Top/Width/Height are
// in twips, a control's are in the scale of its form (ScaleMode), and the
// numeric properties come back with the client's types (Single, Integer,
// Long).  A form's drawing members are those of its Canvas (canvas.h).
//
// Every model answers the type tests of the library (runtime/client_forms.h)
// for its own kind through QueryInterface, and the controls also carry type
// information naming their class ("TextBox", "Line", ...), as the client's
// own controls do.  Any model can log the calls it receives (StartLog), so a
// test sees exactly what a routine read, assigned and called.
//
// New kinds of controls derive from Control (windowed or windowless), set
// their own members in their constructor and are added with Form::Add<T>.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/handles.h"
#include "tests/support/canvas.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/win_handles.h"

namespace kb::support {

class Form;

// Position and size of a control in pixels of its form's client area; a
// test lays out controls in pixels whatever the form's ScaleMode is.
struct Bounds {
  int left = 8;
  int top = 8;
  int width = 120;
  int height = 24;
};

// Which of the position members a control has.  Most have all of them; a
// timer has only Left and Top; a line has none (its ends are X1..Y2).
enum class Geometry { kBox, kPosition, kNone };

// Members every control has: Name, Index (failing with 343 outside a control
// array), Parent/Container, Visible, Enabled, Tag; with Geometry::kBox also
// Left, Top, Width, Height, ToolTipText and Move Left[, Top[, Width[,
// Height]]]; windowed controls add FontName, FontSize, FontBold, Font (an
// object with Name, Size and Bold that changes the control's font) and
// Refresh, and, where the client has them, hwnd and the focus members
// TabStop and SetFocus.
class Control : public DispatchObject {
 public:
  const std::wstring& Name() const { return name_; }
  const std::wstring& FontName() const { return fontName_; }
  double FontSize() const { return fontSize_; }
  // Null for windowless controls.
  HWND Hwnd() const { return window_.Get(); }
  Form* Parent() const { return parent_; }
  std::optional<short> Index() const { return index_; }
  RECT PixelRect() const;  // in the form's client area
  void SetPixelRect(const RECT& r);

 protected:
  // `index` makes the control an element of a control array.
  Control(std::wstring typeName, Form& parent, std::wstring name, std::optional<short> index,
          Geometry geometry = Geometry::kBox);
  // Windowed controls call this from their constructor.
  void CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Bounds& b,
                   std::wstring_view text);
  void ExposeHwnd();
  void ExposeFocus();
  std::wstring WindowTextOf() const;
  void SetWindowTextTo(std::wstring_view text);
  // WM_COMMAND notifications from the control's window, routed by the form.
  virtual void OnCommand(WORD code) {}
  // WM_TIMER of the form's window, offered to every control.
  virtual void OnTimer(UINT_PTR id) {}
  // A child id of the form, for a window or a timer.
  UINT_PTR NewChildId();
  // Move Left[, Top[, Width[, Height]]] in the form's scale; omitted ones keep
  // their value.
  void MoveTo(const Invocation& call);

  double ToScaleX(int pixels) const;
  double ToScaleY(int pixels) const;
  int FromScaleX(double value) const;
  int FromScaleY(double value) const;

 private:
  friend class Form;
  friend class ControlFont;
  void RegisterCommon(Geometry geometry);
  void RegisterBox();
  void RegisterWindowed();
  void TakeDefaultFont();
  void ApplyFont();
  void Orphan() { parent_ = nullptr; }

  Form* parent_;  // the form owns its controls; it clears this when it goes
  std::wstring name_;
  std::optional<short> index_;
  Window window_;
  RECT rect_{};  // windowless controls only
  bool visible_ = true;
  bool enabled_ = true;
  std::wstring tag_;
  std::wstring toolTip_;
  std::wstring fontName_;  // the system's dialog font until set
  double fontSize_ = 8;
  bool fontBold_ = false;
  GdiObject<HFONT> font_;
};

struct TextBoxOptions {
  Bounds bounds;
  bool multiLine = false;
  std::wstring text;
  std::optional<short> index;
};

// EDIT: Text (default), SelStart, SelLength, SelText, MultiLine, MaxLength,
// Locked, hwnd.
class TextBox : public Control {
 public:
  TextBox(Form& parent, std::wstring name, const TextBoxOptions& options);
  std::wstring Text() const { return WindowTextOf(); }

 private:
  void RegisterSelection();
  long SelStart() const;
  long SelLength() const;
  void Select(long start, long length);
  long maxLength_ = 0;
};

struct ListBoxOptions {
  Bounds bounds = {8, 8, 120, 96};
  bool sorted = false;
  std::optional<short> index;
};

// LISTBOX: AddItem(Item[, Index]), RemoveItem, Clear, List(i), ListCount,
// ListIndex, TopIndex, Text, ItemData(i), Selected(i), Sorted, hwnd.
class ListBox : public Control {
 public:
  ListBox(Form& parent, std::wstring name, const ListBoxOptions& options);
  std::vector<std::wstring> Items() const;

 private:
  long Count() const;
  std::wstring ItemAt(long i) const;
  long CheckedIndex(const Invocation& call, size_t arg, long error) const;
};

struct LabelOptions {
  Bounds bounds = {8, 8, 120, 17};
  std::wstring caption;
  std::optional<short> index;
};

// STATIC: Caption (default).  The client's labels have no window handle,
// so hwnd is not a member.
class Label : public Control {
 public:
  Label(Form& parent, std::wstring name, const LabelOptions& options);
  std::wstring Caption() const { return WindowTextOf(); }
};

struct CommandButtonOptions {
  Bounds bounds = {8, 8, 75, 23};
  std::wstring caption;
  std::optional<short> index;
};

// BUTTON: Caption, Value (default; True clicks it), hwnd.
class CommandButton : public Control {
 public:
  CommandButton(Form& parent, std::wstring name, const CommandButtonOptions& options);
  int Clicks() const { return clicks_; }
  void OnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

 private:
  void OnCommand(WORD code) override;
  int clicks_ = 0;
  std::function<void()> onClick_;
};

struct LineOptions {
  static LineOptions Between(POINT from, POINT to) {
    LineOptions o;
    o.from = from;
    o.to = to;
    return o;
  }
  // The ends, in pixels of the form's client area.
  POINT from = {8, 8};
  POINT to = {120, 8};
  std::optional<short> index;
};

// The client's line: windowless, with X1, Y1, X2, Y2 (in the form's scale),
// BorderColor, BorderWidth, and no Left, Top, Width, Height or Move.
class Line : public Control {
 public:
  Line(Form& parent, std::wstring name, const LineOptions& options);
  POINT From() const { return from_; }
  POINT To() const { return to_; }

 private:
  POINT from_;
  POINT to_;
  long borderColor_ = 0;
  short borderWidth_ = 1;
};

struct TimerOptions {
  static TimerOptions Every(long interval, POINT at = {8, 8}) {
    TimerOptions o;
    o.interval = interval;
    o.at = at;
    return o;
  }
  POINT at = {8, 8};  // where it sat on the form at design time, in pixels
  long interval = 0;  // milliseconds; 0 never fires
  bool enabled = true;
  std::optional<short> index;
};

// The client's timer: windowless, with Interval, Enabled and only Left and
// Top of the position members.  While enabled with an interval it fires its
// Timer event (OnTimer) from the form's message queue, as the client's does.
class Timer : public Control {
 public:
  Timer(Form& parent, std::wstring name, const TimerOptions& options);
  ~Timer() override;
  // The client's Timer event handler.
  void OnTick(std::function<void()> handler) { onTick_ = std::move(handler); }
  int Ticks() const { return ticks_; }
  POINT At() const { return at_; }

 private:
  void OnTimer(UINT_PTR id) override;
  void Restart();
  POINT at_;
  long interval_;
  bool enabled_;
  UINT_PTR id_;
  bool running_ = false;
  int ticks_ = 0;
  std::function<void()> onTick_;
};

struct ComboBoxOptions {
  Bounds bounds = {8, 8, 120, 21};
  std::optional<short> index;
};

// COMBOBOX (drop-down): Text (default), AddItem, Clear, List(i), ListCount,
// ListIndex, hwnd.  Its Height follows its font and cannot be assigned:
// assigning it, or passing Move a height, fails with 383.
class ComboBox : public Control {
 public:
  ComboBox(Form& parent, std::wstring name, const ComboBoxOptions& options);
};

// Form.Controls: Count, Item(index or name) as default member, _NewEnum.
class ControlCollection : public DispatchObject {
 public:
  ControlCollection();
  void Add(kb::ComPtr<Control> control) { items_.push_back(std::move(control)); }
  const std::vector<kb::ComPtr<Control>>& Items() const { return items_; }
  Control* Find(std::wstring_view name, std::optional<short> index = std::nullopt) const;
  // A For Each walk over the controls as they are now.
  kb::ComPtr<IEnumVARIANT> Enumerator() const;

 private:
  std::vector<kb::ComPtr<Control>> items_;
};

struct FormOptions {
  std::wstring name = L"Form1";
  std::wstring caption = L"Form1";
  // Outer window rectangle in screen pixels.
  int left = 40;
  int top = 40;
  int width = 480;
  int height = 360;
  bool visible = true;
};

// A top-level window with Name, Caption, hwnd, Left/Top/Width/Height (twips),
// Icon, Controls (the default member), For Each over its controls, Visible,
// Enabled, WindowState, Tag, Show, Hide, Move, Refresh, the scale and drawing
// members of its Canvas (ScaleMode, ScaleWidth, hdc, Line, Font, TextWidth,
// ...), and one member per control named after it (an indexed one for a
// control array).
//
// Unloading: the form closes when its window receives WM_CLOSE (the user's
// close, and the library's unloading of a form), unless SetCancelUnload
// makes it refuse, as a form whose QueryUnload cancels.
class Form : public DispatchObject {
 public:
  explicit Form(const FormOptions& options = {});
  ~Form() override;

  HWND Hwnd() const { return window_.Get(); }
  // The window was closed (WM_CLOSE, as the user's close does) or destroyed.
  bool Unloaded() const { return unloaded_; }
  int CloseRequests() const { return closeRequests_; }
  // Makes the form refuse to close, as a form whose QueryUnload cancels.
  void SetCancelUnload(bool cancel) { cancelUnload_ = cancel; }
  // Sends WM_CLOSE, as the user's close does.
  void Close();
  // Resizes the window so that its client area has this size in pixels.
  void SetClientSize(int width, int height);
  RECT ClientPixels() const;

  kb::ComPtr<TextBox> AddTextBox(std::wstring name, const TextBoxOptions& options = {});
  kb::ComPtr<ListBox> AddListBox(std::wstring name, const ListBoxOptions& options = {});
  kb::ComPtr<Label> AddLabel(std::wstring name, const LabelOptions& options = {});
  kb::ComPtr<CommandButton> AddCommandButton(std::wstring name,
                                             const CommandButtonOptions& options = {});
  // Any control kind whose constructor is (Form&, std::wstring name, options).
  template <class C, class... A>
  kb::ComPtr<C> Add(std::wstring name, A&&... options) {
    auto control = Make<C>(*this, std::move(name), std::forward<A>(options)...);
    Adopt(kb::ComPtr<Control>(control.Get()));
    return control;
  }
  ControlCollection& Controls() { return *controls_.Get(); }

  void SetIcon(IDispatch* icon) { icon_ = kb::ComPtr<IDispatch>(icon); }
  short ScaleMode() const { return canvas_->ScaleMode(); }
  short DrawWidth() const { return canvas_->DrawWidth(); }
  // Where the form's drawing goes (its window, or its AutoRedraw image).
  HDC Hdc() const { return canvas_->Target(); }
  // The window's own DC, which shows what the user sees.
  HDC WindowHdc() const { return dc_.Get(); }
  int DpiX() const { return canvas_->DpiX(); }
  int DpiY() const { return canvas_->DpiY(); }

  // Pixels of the client area <-> the current ScaleMode.
  double ToScaleX(int pixels) const;
  double ToScaleY(int pixels) const;
  int FromScaleX(double value) const;
  int FromScaleY(double value) const;
  // Pixels <-> twips at the screen's resolution.
  double ToTwipsX(int pixels) const { return pixels * 1440.0 / DpiX(); }
  double ToTwipsY(int pixels) const { return pixels * 1440.0 / DpiY(); }
  int FromTwipsX(double twips) const;
  int FromTwipsY(double twips) const;

 private:
  friend class Control;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  Control* ControlOf(HWND hwnd) const;
  void OnClose();
  void OnDestroyed();
  void Adopt(kb::ComPtr<Control> control);
  void ExposeControl(Control& control);
  RECT OuterRect() const;
  void SetOuterRect(const RECT& r);
  void RegisterMembers();
  void RegisterGeometry();

  std::wstring name_;
  std::wstring caption_;  // kept for after the window has gone
  Window window_;
  WindowDc dc_;
  std::unique_ptr<Canvas> canvas_;
  kb::ComPtr<ControlCollection> controls_;
  kb::ComPtr<IDispatch> icon_;
  std::wstring tag_;
  bool unloaded_ = false;
  bool cancelUnload_ = false;
  int closeRequests_ = 0;
  int nextChildId_ = 1000;
  std::vector<std::wstring> exposed_;  // members that stand for controls
};

// A picture object holding a system icon, for a form's Icon property.
kb::ComPtr<IDispatch> MakeIconPicture();

}  // namespace kb::support
