// How the library recognises and handles the client's forms and controls
// beyond plain property and method calls: the type tests for the kinds of
// controls ("is this a line?"), the box form of the Line drawing method, and
// unloading a form.
//
// A type test answers yes when either
//  - the object answers QueryInterface for the kind's interface identifier
//    below (the way the client's runtime tests a class: the test models of
//    tests/support answer for their own kind), or
//  - its type name, as the client's TypeName gives it (the class named by
//    IProvideClassInfo, else the name of the object's type information
//    without a leading underscore), is the kind's class name, compared
//    without regard to case: "Line", "Timer", "TextBox", "ListBox", ...
// The second way recognises a real client's controls, which carry their
// class's type information.
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

// {375B1CBA-F950-42F1-A8D3-0DD34B3457A1}
inline constexpr GUID kKindForm = {
    0x375b1cba, 0xf950, 0x42f1, {0xa8, 0xd3, 0x0d, 0xd3, 0x4b, 0x34, 0x57, 0xa1}};
// {9C7CB810-B757-44A0-9B03-AB2B784E7581}
inline constexpr GUID kKindTextBox = {
    0x9c7cb810, 0xb757, 0x44a0, {0x9b, 0x03, 0xab, 0x2b, 0x78, 0x4e, 0x75, 0x81}};
// {907ADB73-19D8-4611-83DE-6331D2B8ABC5}
inline constexpr GUID kKindListBox = {
    0x907adb73, 0x19d8, 0x4611, {0x83, 0xde, 0x63, 0x31, 0xd2, 0xb8, 0xab, 0xc5}};
// {4CFA5F1D-E822-4FB0-BFFA-D6B6314438BA}
inline constexpr GUID kKindLabel = {
    0x4cfa5f1d, 0xe822, 0x4fb0, {0xbf, 0xfa, 0xd6, 0xb6, 0x31, 0x44, 0x38, 0xba}};
// {A8E0C445-D569-40C1-B37F-A3284C1C6DE6}
inline constexpr GUID kKindCommandButton = {
    0xa8e0c445, 0xd569, 0x40c1, {0xb3, 0x7f, 0xa3, 0x28, 0x4c, 0x1c, 0x6d, 0xe6}};
// {80529A32-DB4C-4B96-8CDE-D49F4B2A1234}
inline constexpr GUID kKindLine = {
    0x80529a32, 0xdb4c, 0x4b96, {0x8c, 0xde, 0xd4, 0x9f, 0x4b, 0x2a, 0x12, 0x34}};
// {C263FE7B-5C9A-450E-8448-3D639270A3C6}
inline constexpr GUID kKindTimer = {
    0xc263fe7b, 0x5c9a, 0x450e, {0x84, 0x48, 0x3d, 0x63, 0x92, 0x70, 0xa3, 0xc6}};
// {C33FE0E2-B685-4258-BFED-A8FDCA11D6BF}
inline constexpr GUID kKindListView = {
    0xc33fe0e2, 0xb685, 0x4258, {0xbf, 0xed, 0xa8, 0xfd, 0xca, 0x11, 0xd6, 0xbf}};
// {5ADFF45B-CA55-4AC0-A6E6-CC2EBC65DD34}
inline constexpr GUID kKindPictureBox = {
    0x5adff45b, 0xca55, 0x4ac0, {0xa6, 0xe6, 0xcc, 0x2e, 0xbc, 0x65, 0xdd, 0x34}};
// {85304E48-36D6-445D-978B-A33B0C1C9500}
inline constexpr GUID kKindCommonDialog = {
    0x85304e48, 0x36d6, 0x445d, {0x97, 0x8b, 0xa3, 0x3b, 0x0c, 0x1c, 0x95, 0x00}};

const GUID& KindInterface(ControlKind kind);
// Empty for a form, whose type name is the client's own name for it.
std::wstring_view KindClassName(ControlKind kind);

// The type test; an object without type information and without the kind's
// interface is not of the kind.
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
