// cmn_BubbleSort of 30,000 texts against the textbook bubble sort of the same
// array (passes of neighbour exchanges until one exchanges nothing, texts
// compared by code unit), which is what the routine's result must equal.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_common.h"

namespace {

constexpr size_t kTexts = 30000;

// Names as a client sorts them: mixed case, Danish letters, shared
// beginnings, some repeated.
std::vector<std::wstring> Texts() {
  static const wchar_t kLetters[] =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\u00E6\u00F8\u00E5\u00C6\u00D8\u00C5 "
      L"-_0123456789";
  std::mt19937 rng(20240611u);
  std::vector<std::wstring> texts;
  texts.reserve(kTexts);
  for (size_t i = 0; i < kTexts; ++i) {
    if (i > 0 && rng() % 10 == 0) {
      texts.push_back(texts[rng() % i]);
      continue;
    }
    std::wstring text = rng() % 3 ? L"Kunde " : L"";
    const size_t length = 3 + rng() % 12;
    for (size_t k = 0; k < length; ++k) text += kLetters[rng() % (std::size(kLetters) - 1)];
    texts.push_back(std::move(text));
  }
  return texts;
}

void TextbookBubbleSort(std::vector<std::wstring>& a) {
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (size_t i = 0; i + 1 < a.size(); ++i) {
      if (a[i].compare(a[i + 1]) > 0) {
        std::swap(a[i], a[i + 1]);
        exchanged = true;
      }
    }
  }
}

}  // namespace

int main() {
  ::CoInitialize(nullptr);
  kb::_clsCommon* o = bench::NewCommon();
  if (!o) {
    std::printf("sort: the library is not registered\n");
    bench::Result("sort", 0, "textbook / ours", ">= 100");
    return 1;
  }
  std::vector<std::wstring> textbook = Texts();
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, kTexts);
  auto* items = static_cast<BSTR*>(array->pvData);
  for (size_t i = 0; i < kTexts; ++i) items[i] = ::SysAllocString(textbook[i].c_str());

  VARIANT argument;
  V_VT(&argument) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&argument) = array;
  double begin = bench::Now();
  const HRESULT hr = o->lpVtbl->cmn_BubbleSort(o, &argument);
  const double ours = bench::Now() - begin;

  begin = bench::Now();
  TextbookBubbleSort(textbook);
  const double theirs = bench::Now() - begin;

  bool same = SUCCEEDED(hr);
  for (size_t i = 0; same && i < kTexts; ++i)
    same = textbook[i] == std::wstring_view(items[i], ::SysStringLen(items[i]));
  ::VariantClear(&argument);
  bench::Release(o);

  std::printf("sort: %zu texts, ours %.4f s, textbook %.3f s%s\n", kTexts, ours, theirs,
              same ? ", identical output" : " (OUTPUT DIFFERS: the ratio does not count)");
  bench::Result("sort", theirs / ours, "textbook / ours", ">= 100");
  ::CoUninitialize();
  return same ? 0 : 1;
}
