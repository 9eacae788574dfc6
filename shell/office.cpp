#include "shell/office.h"

#include "runtime/create_object.h"
#include "runtime/handles.h"
#include "runtime/late_bound.h"

namespace kb::shell {
namespace {

constexpr wchar_t kSpreadsheet[] = L"Excel.Sheet";
constexpr wchar_t kWordProcessor[] = L"Word.Application";
constexpr wchar_t kCarrierCell[] = L"A1";

// Runs the steps; whatever fails ends them there, and the caller hears
// nothing of it, not even through the thread's error information.
template <class Steps>
void Silently(Steps&& steps) {
  try {
    steps();
  } catch (...) {
  }
  ::SetErrorInfo(0, nullptr);
}

ComPtr<IDispatch> ObjectGot(IDispatch* object, const wchar_t* member,
                            std::initializer_list<VARIANT> args = {}) {
  return rt::ObjectOf(*rt::Get(object, member, args).Get());
}

ComPtr<IDispatch> CarrierCell(IDispatch* sheet) {
  return ObjectGot(sheet, L"Range", {*rt::FromText(kCarrierCell).Get()});
}

}  // namespace

void SpeelCheck(frame::Common&, IDispatch**, IDispatch** txtBox) {
  Silently([&] {
    ComPtr<IDispatch> sheet = rt::CreateObject(kSpreadsheet);
    sheet = ObjectGot(sheet.Get(), L"Application");
    sheet = ObjectGot(sheet.Get(), L"ActiveWorkbook");
    sheet = ObjectGot(sheet.Get(), L"ActiveSheet");
    IDispatch* box = rt::Require(txtBox);
    const Variant text = rt::Get(box, L"Text");
    rt::Put(CarrierCell(sheet.Get()).Get(), L"Value", *text.Get());
    rt::Call(sheet.Get(), L"CheckSpelling");
    const Variant checked = rt::Get(CarrierCell(sheet.Get()).Get(), L"Value");
    rt::Put(box, L"Text", *checked.Get());
  });
}

void SendToWord(frame::Common&, BSTR* String2Send) {
  Silently([&] {
    const ComPtr<IDispatch> word = rt::CreateObject(kWordProcessor);
    const ComPtr<IDispatch> documents =
        ObjectGot(ObjectGot(word.Get(), L"Application").Get(), L"Documents");
    rt::Call(documents.Get(), L"Add");
    // The text goes by reference, as the caller's own variable.
    VARIANT text{};
    V_VT(&text) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&text) = String2Send;
    rt::Call(ObjectGot(word.Get(), L"Selection").Get(), L"TypeText", {text});
    VARIANT visible{};
    V_VT(&visible) = VT_BOOL;
    V_BOOL(&visible) = VARIANT_TRUE;
    rt::Put(word.Get(), L"Visible", visible);
  });
}

}  // namespace kb::shell
