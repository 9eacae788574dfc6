#include "runtime/client_forms.h"

#include <ocidl.h>

#include "runtime/late_bound.h"
#include "runtime/text.h"

namespace kb::rt {
namespace {

struct KindInfo {
  ControlKind kind;
  const wchar_t* className;
};

constexpr KindInfo kKinds[] = {
    {ControlKind::kForm, L"Form"},
    {ControlKind::kTextBox, L"TextBox"},
    {ControlKind::kListBox, L"ListBox"},
    {ControlKind::kLabel, L"Label"},
    {ControlKind::kCommandButton, L"CommandButton"},
    {ControlKind::kLine, L"Line"},
    {ControlKind::kTimer, L"Timer"},
    {ControlKind::kListView, L"ListView"},
    {ControlKind::kPictureBox, L"PictureBox"},
    {ControlKind::kCommonDialog, L"CommonDialog"},
};

const KindInfo& InfoOf(ControlKind kind) {
  for (const KindInfo& info : kKinds)
    if (info.kind == kind) return info;
  return kKinds[0];
}

Bstr NameOfType(ITypeInfo* info) {
  Bstr name;
  if (info) info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
  return name;
}

std::wstring_view WithoutUnderscore(std::wstring_view name) {
  return !name.empty() && name.front() == L'_' ? name.substr(1) : name;
}

// The object's class (IProvideClassInfo), else its own type information.
ComPtr<ITypeInfo> TypeOf(IDispatch* object) {
  ComPtr<ITypeInfo> info;
  auto classInfo = ComPtr<IDispatch>(object).As<IProvideClassInfo>(IID_IProvideClassInfo);
  if (classInfo && SUCCEEDED(classInfo->GetClassInfo(info.Out())) && info &&
      NameOfType(info.Get()).Length())
    return info;
  UINT count = 0;
  if (FAILED(object->GetTypeInfoCount(&count)) || count == 0) return {};
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()))) return {};
  return info;
}

// A class's interfaces and an interface's bases are a few levels deep; the
// limit keeps a malformed, looping type description from recursing forever.
constexpr int kDeepestType = 4;

bool NamedOrDerivedFrom(ITypeInfo* info, std::wstring_view className, int depth) {
  if (SameName(WithoutUnderscore(NameOfType(info).View()), className)) return true;
  if (depth == kDeepestType) return false;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr)) || !attr) return false;
  const WORD implemented = attr->cImplTypes;
  info->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < implemented; ++i) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> base;
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, base.Out())) && base &&
        NamedOrDerivedFrom(base.Get(), className, depth + 1))
      return true;
  }
  return false;
}

}  // namespace

Bstr TypeNameOf(IDispatch* object) {
  if (!object) return Bstr();
  const ComPtr<ITypeInfo> info = TypeOf(object);
  if (!info) return Bstr();
  return Bstr(WithoutUnderscore(NameOfType(info.Get()).View()));
}

bool IsKind(IDispatch* object, ControlKind kind) {
  if (!object) return false;
  const ComPtr<ITypeInfo> info = TypeOf(object);
  return info && NamedOrDerivedFrom(info.Get(), InfoOf(kind).className, 0);
}

HWND WindowOf(IDispatch* object) { return ToHwnd(*Get(object, L"hwnd").Get()); }

void UnloadForm(IDispatch* form) {
  const HWND hwnd = WindowOf(form);
  if (hwnd && ::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

}  // namespace kb::rt
