// cmn_BubbleSort of 30,000 texts against the textbook bubble sort of the same
// array (passes of neighbour exchanges until one exchanges nothing, texts
// compared by code unit), which is what the routine's result must equal, and
// against the strongest peer: the standard library's sort of the same texts.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_common.h"

namespace {

constexpr size_t kTexts = 30000;
constexpr int kRounds = 7;

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

// The texts in a new array of BSTRs, as a client hands them over.
VARIANT ArrayOf(const std::vector<std::wstring>& texts) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
  auto* items = static_cast<BSTR*>(array->pvData);
  for (size_t i = 0; i < texts.size(); ++i) items[i] = ::SysAllocString(texts[i].c_str());
  VARIANT argument;
  V_VT(&argument) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&argument) = array;
  return argument;
}

bool Same(const std::vector<std::wstring>& expected, const VARIANT& sorted) {
  const auto* items = static_cast<BSTR*>(V_ARRAY(&sorted)->pvData);
  for (size_t i = 0; i < expected.size(); ++i)
    if (expected[i] != std::wstring_view(items[i], ::SysStringLen(items[i]))) return false;
  return true;
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
  const std::vector<std::wstring> texts = Texts();
  // The best of several rounds of the fast sorts: one takes milliseconds,
  // and other programs share the machine.
  double ours = 1e9, library = 1e9;
  bool same = true;
  std::vector<std::wstring> sorted;
  for (int round = 0; round < kRounds; ++round) {
    VARIANT argument = ArrayOf(texts);
    double begin = bench::Now();
    const HRESULT hr = o->lpVtbl->cmn_BubbleSort(o, &argument);
    ours = std::min(ours, bench::Now() - begin);
    sorted = texts;
    begin = bench::Now();
    std::sort(sorted.begin(), sorted.end());
    library = std::min(library, bench::Now() - begin);
    same = same && SUCCEEDED(hr) && Same(sorted, argument);
    ::VariantClear(&argument);
  }

  std::vector<std::wstring> textbook = texts;
  const double begin = bench::Now();
  TextbookBubbleSort(textbook);
  const double theirs = bench::Now() - begin;
  same = same && textbook == sorted;
  bench::Release(o);

  std::printf("sort: %zu texts, ours %.4f s, std::sort %.4f s, textbook %.3f s%s\n", kTexts, ours,
              library, theirs,
              same ? ", identical output" : " (OUTPUT DIFFERS: the ratios do not count)");
  bench::Result("sort", theirs / ours, "textbook / ours", ">= 100");
  bench::Result("sort", ours / library, "ours / the standard library's sort by code unit",
                "<= 1.3");
  ::CoUninitialize();
  return same ? 0 : 1;
}
