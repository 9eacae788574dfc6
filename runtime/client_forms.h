// How the library recognises and handles the client's forms and controls
// beyond plain property and method calls: the type tests for the kinds of
// controls ("is this a line?"), the box form of the Line drawing method, and
// unloading a form.
//
// A type test ("is this a line?") reads the object's type information, as
// the client's TypeName and TypeOf do: the object is of a kind when its type
// (the class named by IProvideClassInfo, else the object's own type
// information), or an interface that type implements or derives from, is
// named after the kind's class, compared without regard to case and after a
// leading underscore: "Line", "Timer", "TextBox", ...  A form's own type is
// the client's name for it (Form1); it derives from "Form".
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

enum class ControlKind {
  kForm,
  kTextBox,
  kListBox,
  kLabel,
  kCommandButton,
  kLine,
  kTimer,
  kListView,
  kPictureBox,
  kCommonDialog,
};

// The type test; an object without type information is of no kind.
bool IsKind(IDispatch* object, ControlKind kind);
// The client's TypeName of an object; empty when it has no type information.
Bstr TypeNameOf(IDispatch* object);

// The box form of the Line method of forms and picture boxes is called as
//   Line Flags, X1, Y1, X2, Y2[, Color]
// with the corners in the object's scale; Flags 0 draws a line, kLineBox a box
// outlined with DrawStyle and filled with FillStyle and FillColor, and
// kLineBox + kLineFilled a box filled with the colour.  An omitted colour is
// the object's ForeColor.
inline constexpr short kLineBox = 1;
inline constexpr short kLineFilled = 2;

// The window of a client's form or control: its hwnd property.
HWND WindowOf(IDispatch* object);

// Unloads a client's form as the user's own close does: its window receives
// WM_CLOSE, so the form's own unload handling runs (and may refuse) before
// the call returns.  A form whose window has already gone is left alone.
void UnloadForm(IDispatch* form);

}  // namespace kb::rt
