#include "runtime/client_forms.h"

#include <ocidl.h>

#include "runtime/late_bound.h"

namespace kb::rt {
namespace {

struct KindInfo {
  ControlKind kind;
  const GUID* iid;
  const wchar_t* className;
};

constexpr KindInfo kKinds[] = {
    {ControlKind::kForm, &kKindForm, L""},
    {ControlKind::kTextBox, &kKindTextBox, L"TextBox"},
    {ControlKind::kListBox, &kKindListBox, L"ListBox"},
    {ControlKind::kLabel, &kKindLabel, L"Label"},
    {ControlKind::kCommandButton, &kKindCommandButton, L"CommandButton"},
    {ControlKind::kLine, &kKindLine, L"Line"},
    {ControlKind::kTimer, &kKindTimer, L"Timer"},
    {ControlKind::kListView, &kKindListView, L"ListView"},
    {ControlKind::kPictureBox, &kKindPictureBox, L"PictureBox"},
    {ControlKind::kCommonDialog, &kKindCommonDialog, L"CommonDialog"},
};

const KindInfo& InfoOf(ControlKind kind) {
  for (const KindInfo& info : kKinds)
    if (info.kind == kind) return info;
  return kKinds[0];
}

bool AnswersInterface(IDispatch* object, const GUID& iid) {
  ComPtr<IUnknown> answer;
  return SUCCEEDED(object->QueryInterface(iid, reinterpret_cast<void**>(answer.Out()))) && answer;
}

Bstr NameOfType(ITypeInfo* info) {
  Bstr name;
  if (info) info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
  return name;
}

}  // namespace

const GUID& KindInterface(ControlKind kind) { return *InfoOf(kind).iid; }
std::wstring_view KindClassName(ControlKind kind) { return InfoOf(kind).className; }

Bstr TypeNameOf(IDispatch* object) {
  if (!object) return Bstr();
  ComPtr<ITypeInfo> info;
  auto classInfo = ComPtr<IDispatch>(object).As<IProvideClassInfo>(IID_IProvideClassInfo);
  if (classInfo && SUCCEEDED(classInfo->GetClassInfo(info.Out())) && info) {
    Bstr name = NameOfType(info.Get());
    if (name.Length()) return name;
  }
  UINT count = 0;
  if (FAILED(object->GetTypeInfoCount(&count)) || count == 0) return Bstr();
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()))) return Bstr();
  Bstr name = NameOfType(info.Get());
  const auto view = name.View();
  if (!view.empty() && view.front() == L'_') return Bstr(view.substr(1));
  return name;
}

bool IsKind(IDispatch* object, ControlKind kind) {
  if (!object) return false;
  const KindInfo& info = InfoOf(kind);
  if (AnswersInterface(object, *info.iid)) return true;
  const std::wstring_view className = info.className;
  if (className.empty()) return false;
  const Bstr name = TypeNameOf(object);
  const auto view = name.View();
  return ::CompareStringOrdinal(view.data(), static_cast<int>(view.size()), className.data(),
                                static_cast<int>(className.size()), TRUE) == CSTR_EQUAL;
}

HWND WindowOf(IDispatch* object) { return ToHwnd(*Get(object, L"hwnd").Get()); }

void UnloadForm(IDispatch* form) {
  const HWND hwnd = WindowOf(form);
  if (hwnd && ::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

}  // namespace kb::rt
