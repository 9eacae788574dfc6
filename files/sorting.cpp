#include "files/sorting.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string_view>
#include <vector>

#include "runtime/arith.h"
#include "runtime/compare.h"
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/text.h"
#include "runtime/variants.h"

namespace kb::files {
namespace {

using rt::Order;

// The elements of a locked one-dimensional array.
class Slots {
 public:
  Slots(SAFEARRAY* sa, VARTYPE type)
      : base_(static_cast<unsigned char*>(sa->pvData)),
        size_(sa->cbElements),
        count_(sa->rgsabound[0].cElements),
        type_(type) {}

  size_t Count() const { return count_; }
  size_t Size() const { return size_; }
  VARTYPE Type() const { return type_; }
  void* At(size_t i) const { return base_ + i * size_; }
  VARIANT* VariantAt(size_t i) const { return static_cast<VARIANT*>(At(i)); }
  BSTR* TextAt(size_t i) const { return static_cast<BSTR*>(At(i)); }

  // The element as the comparison reads it: the variant itself, or a
  // reference to the typed value.
  const VARIANT& View(size_t i, VARIANT& scratch) const {
    if (type_ == VT_VARIANT) return *VariantAt(i);
    V_VT(&scratch) = VT_BYREF | type_;
    V_BYREF(&scratch) = At(i);
    return scratch;
  }
  Order Compare(size_t i, size_t j) const {
    VARIANT a, b;
    return rt::CompareValues(View(i, a), View(j, b));
  }
  Bstr Text(size_t i) const {
    VARIANT scratch;
    return rt::ToText(View(i, scratch));
  }

 private:
  unsigned char* base_;
  size_t size_;
  size_t count_;
  VARTYPE type_;
};

// Where a variant of `type` keeps its value (a decimal fills the variant).
const void* ValueIn(const VARIANT& v, VARTYPE type) {
  return type == VT_DECIMAL ? static_cast<const void*>(&V_DECIMAL(&v)) : &V_UI1(&v);
}

// A typed element takes the value a text converts to, as an assignment of
// the held text does.
void StoreText(const Slots& s, size_t i, BSTR text) {
  VARIANT source;
  V_VT(&source) = VT_BSTR;
  V_BSTR(&source) = text;
  Variant converted;
  rt::CheckAutomation(
      ::VariantChangeTypeEx(converted.Get(), &source, LOCALE_USER_DEFAULT, 0, s.Type()));
  std::memcpy(s.At(i), ValueIn(*converted.Get(), s.Type()), s.Size());
  if (s.Type() == VT_DECIMAL) static_cast<DECIMAL*>(s.At(i))->wReserved = 0;
}

// One exchange of neighbours: element i is held as text, element i + 1
// moves into its place, and the held text goes where i + 1 was.
void Exchange(const Slots& s, size_t i) {
  if (s.Type() == VT_BSTR) {
    std::swap(*s.TextAt(i), *s.TextAt(i + 1));
    return;
  }
  Bstr held = s.Text(i);
  if (s.Type() == VT_VARIANT) {
    VARIANT* left = s.VariantAt(i);
    VARIANT* right = s.VariantAt(i + 1);
    rt::CheckAutomation(::VariantCopy(left, right));
    ::VariantClear(right);
    V_VT(right) = VT_BSTR;
    V_BSTR(right) = held.Release();
    return;
  }
  std::memcpy(s.At(i), s.At(i + 1), s.Size());
  StoreText(s, i + 1, held.Get());
}

// Passes over elements [first, last) until one exchanges nothing.
void Passes(const Slots& s, size_t first, size_t last) {
  if (last - first < 2) return;
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (size_t i = first; i + 1 < last; ++i) {
      if (s.Compare(i, i + 1) == Order::Greater) {
        Exchange(s, i);
        exchanged = true;
      }
    }
  }
}

// ---- an order for numbers ------------------------------------------------

bool IsNaN(const VARIANT& v) {
  const VARTYPE type = V_VT(&v) & ~VT_BYREF;
  const void* p = (V_VT(&v) & VT_BYREF) ? V_BYREF(&v) : &V_UI1(&v);
  if (type == VT_R4) return std::isnan(*static_cast<const float*>(p));
  if (type == VT_R8 || type == VT_DATE) return std::isnan(*static_cast<const double*>(p));
  return false;
}

// A number as a key that orders exactly as the comparison does; false for
// the kinds a long double cannot hold exactly.
bool KeyOf(const VARIANT& v, long double& key) {
  const VARTYPE type = V_VT(&v) & ~VT_BYREF;
  const void* p = (V_VT(&v) & VT_BYREF) ? V_BYREF(&v) : &V_UI1(&v);
  switch (type) {
    case VT_EMPTY: key = 0; return true;
    case VT_I1: key = *static_cast<const signed char*>(p); return true;
    case VT_UI1: key = *static_cast<const unsigned char*>(p); return true;
    case VT_I2:
    case VT_BOOL: key = *static_cast<const SHORT*>(p); return true;
    case VT_UI2: key = *static_cast<const USHORT*>(p); return true;
    case VT_I4:
    case VT_INT: key = *static_cast<const LONG*>(p); return true;
    case VT_UI4:
    case VT_UINT: key = *static_cast<const ULONG*>(p); return true;
    case VT_R4: key = *static_cast<const float*>(p); return true;
    case VT_R8:
    case VT_DATE: key = *static_cast<const double*>(p); return true;
    default: return false;
  }
}

// The numbers among some elements, ordered by value: by exact keys where
// every one has one, else by the comparison itself.
class NumberOrder {
 public:
  NumberOrder(const Slots& s, const std::vector<size_t>& numbers) : slots_(s) {
    keys_.resize(s.Count());
    VARIANT scratch;
    for (size_t i : numbers) useKeys_ = useKeys_ && KeyOf(s.View(i, scratch), keys_[i]);
  }
  bool Less(size_t i, size_t j) const {
    return useKeys_ ? keys_[i] < keys_[j] : slots_.Compare(i, j) == Order::Less;
  }
  const std::vector<long double>& Keys() const { return keys_; }
  bool HasKeys() const { return useKeys_; }

 private:
  const Slots& slots_;
  std::vector<long double> keys_;
  bool useKeys_ = true;
};

// The numbers that ever move right: those greater than some number to their
// right.  A number no greater than every number behind it never meets a
// smaller neighbour; any other one meets the smallest of them, which itself
// never moves right.
std::vector<bool> MoversAmong(const std::vector<size_t>& numbers, const NumberOrder& order,
                              size_t count) {
  std::vector<bool> moves(count, false);
  const size_t* least = nullptr;
  for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
    if (least && order.Less(*least, *it))
      moves[*it] = true;
    else if (!least || order.Less(*it, *least))
      least = &*it;
  }
  return moves;
}

// ---- arrays of texts -------------------------------------------------------

void SortTexts(const Slots& s) {
  BSTR* first = s.TextAt(0);
  std::stable_sort(first, first + s.Count(),
                   [](BSTR a, BSTR b) { return View(a).compare(View(b)) < 0; });
}

// ---- arrays of one kind of number -----------------------------------------

// A number of the array's type, held in bytes, as it comes back through its
// text; false when the text does not convert back.
bool ThroughText(const Slots& s, const void* value, std::vector<unsigned char>& bytes) {
  VARIANT number;
  V_VT(&number) = VT_BYREF | s.Type();
  V_BYREF(&number) = const_cast<void*>(value);
  Bstr text;
  try {
    text = rt::ToText(number);
  } catch (const Error&) {
    return false;
  }
  VARIANT source;
  V_VT(&source) = VT_BSTR;
  V_BSTR(&source) = text.Get();
  Variant back;
  if (FAILED(::VariantChangeTypeEx(back.Get(), &source, LOCALE_USER_DEFAULT, 0, s.Type())))
    return false;
  const auto* p = static_cast<const unsigned char*>(ValueIn(*back.Get(), s.Type()));
  bytes.assign(p, p + s.Size());
  if (s.Type() == VT_DECIMAL) reinterpret_cast<DECIMAL*>(bytes.data())->wReserved = 0;
  return true;
}

// Whether a number's trip through its text can change how it compares: only
// the binary fractions lose digits in their text.
bool TextMayAlter(VARTYPE type) { return type == VT_R4 || type == VT_R8 || type == VT_DATE; }

// The key of a number of the array's type held in bytes.
long double KeyOfBytes(const Slots& s, const std::vector<unsigned char>& bytes) {
  VARIANT v;
  V_VT(&v) = VT_BYREF | s.Type();
  V_BYREF(&v) = const_cast<unsigned char*>(bytes.data());
  long double key = 0;
  KeyOf(v, key);
  return key;
}

// Sorted by value, movers replaced by their trip through text.  That is
// the exchange sort's result as long as no altered value changes how it
// compares with any other value, altered or not; false when one might.
bool SortNumbers(const Slots& s) {
  const size_t n = s.Count();
  std::vector<size_t> all(n);
  std::iota(all.begin(), all.end(), 0);
  VARIANT scratch;
  for (size_t i : all)
    if (IsNaN(s.View(i, scratch))) return false;
  const NumberOrder order(s, all);
  const std::vector<bool> moves = MoversAmong(all, order, n);

  std::vector<std::vector<unsigned char>> value(n);
  std::vector<bool> altered(n, false);
  for (size_t i : all) {
    const auto* p = static_cast<const unsigned char*>(s.At(i));
    value[i].assign(p, p + s.Size());
    if (!moves[i]) continue;
    std::vector<unsigned char> once, twice;
    if (!ThroughText(s, s.At(i), once)) return false;
    if (once != value[i]) {
      if (!TextMayAlter(s.Type()) || !order.HasKeys()) return false;
      // A value that moves again must come back as itself the next time.
      if (!ThroughText(s, once.data(), twice) || twice != once) return false;
      altered[i] = true;
      value[i] = std::move(once);
    }
  }

  std::vector<size_t> sorted = all;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](size_t a, size_t b) { return order.Less(a, b); });
  if (std::find(altered.begin(), altered.end(), true) != altered.end()) {
    // Runs of equal values must not hold an altered one; every run's values,
    // before and after, must lie below every value of the next run.
    long double previousHigh = 0;
    bool first = true;
    for (size_t k = 0; k < n;) {
      size_t end = k + 1;
      while (end < n && !order.Less(sorted[k], sorted[end])) ++end;
      long double low = order.Keys()[sorted[k]], high = low;
      for (size_t m = k; m < end; ++m) {
        const size_t i = sorted[m];
        if (!altered[i]) continue;
        if (end - k > 1) return false;
        const long double after = KeyOfBytes(s, value[i]);
        low = std::min(low, after);
        high = std::max(high, after);
      }
      if (!first && !(previousHigh < low)) return false;
      previousHigh = high;
      first = false;
      k = end;
    }
  }
  for (size_t p = 0; p < n; ++p) std::memcpy(s.At(p), value[sorted[p]].data(), s.Size());
  return true;
}

// ---- arrays of variants ----------------------------------------------------

enum class Kind { Number, Text, Empty, Other };

Kind KindOf(const VARIANT& v) {
  const VARTYPE type = V_VT(&v);
  if (type == VT_EMPTY) return Kind::Empty;
  if (type == VT_BSTR) return Kind::Text;
  if (rt::IsNumberType(type) && !IsNaN(v)) return Kind::Number;
  return Kind::Other;
}

struct Placed {
  size_t index;
  std::wstring_view text;  // texts only: what they compare by
  Bstr converted;          // a number that moved right, as the text it became
};

// One stretch of a variant array between Null elements: nothing ever passes
// a Null, since no comparison with it is true.  Numbers that never move
// right stay first, in order; after them every text, those the numbers
// became included, in code-unit order.  False when Empty elements make the
// comparison inconsistent (Empty is 0 beside a number and "" beside a text).
bool SortStretch(const Slots& s, size_t first, size_t last) {
  std::vector<size_t> numbers;
  size_t empties = 0;
  bool emptyText = false;
  for (size_t i = first; i < last; ++i) {
    const VARIANT& v = *s.VariantAt(i);
    switch (KindOf(v)) {
      case Kind::Number: numbers.push_back(i); break;
      case Kind::Empty: ++empties; break;
      case Kind::Text: emptyText = emptyText || ::SysStringLen(V_BSTR(&v)) == 0; break;
      case Kind::Other: return false;
    }
  }
  const bool emptyIsNumber = !numbers.empty() && empties > 0;
  if (emptyIsNumber && (empties > 1 || emptyText)) return false;
  if (emptyIsNumber) {
    numbers.clear();
    for (size_t i = first; i < last; ++i)
      if (KindOf(*s.VariantAt(i)) != Kind::Text) numbers.push_back(i);
  }

  const NumberOrder order(s, numbers);
  const std::vector<bool> moves = MoversAmong(numbers, order, s.Count());
  std::vector<size_t> staying;
  std::vector<Placed> texts;
  for (size_t i = first; i < last; ++i) {
    const VARIANT& v = *s.VariantAt(i);
    const Kind kind = KindOf(v);
    const bool number = kind == Kind::Number || (kind == Kind::Empty && emptyIsNumber);
    if (number && !moves[i]) {
      staying.push_back(i);
    } else if (number) {
      Bstr converted = s.Text(i);
      if (!converted.Get()) converted = Bstr(L"");
      const std::wstring_view text = converted.View();
      texts.push_back({i, text, std::move(converted)});
    } else {
      texts.push_back({i, kind == Kind::Text ? View(V_BSTR(&v)) : std::wstring_view(), Bstr()});
    }
  }
  std::stable_sort(staying.begin(), staying.end(),
                   [&](size_t a, size_t b) { return order.Less(a, b); });
  std::stable_sort(texts.begin(), texts.end(),
                   [](const Placed& a, const Placed& b) { return a.text.compare(b.text) < 0; });

  // The variants are moved as they are; a number that became text owned
  // nothing to release.
  std::vector<VARIANT> before(s.VariantAt(first), s.VariantAt(first) + (last - first));
  size_t at = first;
  for (size_t i : staying) *s.VariantAt(at++) = before[i - first];
  for (Placed& t : texts) {
    VARIANT* target = s.VariantAt(at++);
    if (t.converted.Get()) {
      V_VT(target) = VT_BSTR;
      V_BSTR(target) = t.converted.Release();
    } else {
      *target = before[t.index - first];
    }
  }
  return true;
}

void SortVariants(const Slots& s) {
  size_t first = 0;
  for (size_t i = 0; i <= s.Count(); ++i) {
    if (i < s.Count() && V_VT(s.VariantAt(i)) != VT_NULL) continue;
    if (!SortStretch(s, first, i)) Passes(s, first, i);
    first = i + 1;
  }
}

// The array a variant holds, through references.
SAFEARRAY* ArrayIn(VARIANT* v, VARTYPE& type) {
  if (v) v = const_cast<VARIANT*>(&rt::Deref(*v));
  if (!v || !(V_VT(v) & VT_ARRAY)) Raise(kErrSubscript);
  type = V_VT(v) & VT_TYPEMASK;
  if (!(V_VT(v) & VT_BYREF)) return V_ARRAY(v);
  return V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr;
}

}  // namespace

void SortElements(SAFEARRAY* array, VARTYPE type) {
  const Slots s(array, type);
  if (s.Count() < 2) return;
  if (type == VT_BSTR) return SortTexts(s);
  if (type == VT_VARIANT) return SortVariants(s);
  if (!rt::IsNumberType(type)) Raise(kErrTypeMismatch);
  if (!SortNumbers(s)) Passes(s, 0, s.Count());
}

void ExchangeSort(SAFEARRAY* array, VARTYPE type) {
  const Slots s(array, type);
  if (s.Count() >= 2 && type != VT_BSTR && type != VT_VARIANT && !rt::IsNumberType(type))
    Raise(kErrTypeMismatch);
  Passes(s, 0, s.Count());
}

void BubbleSort(frame::Common&, VARIANT* StringArray) {
  VARTYPE type = VT_EMPTY;
  SAFEARRAY* array = ArrayIn(StringArray, type);
  if (!array) Raise(kErrSubscript);
  LONG lower = 0, upper = 0;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper)))
    Raise(kErrSubscript);
  // The bounds and the last left position are 16-bit integers.
  const int16_t low = rt::CInt(lower);
  const int16_t lastLeft = rt::Sub16(rt::CInt(upper), 1);
  if (low > lastLeft) return;
  // One index on an array of more dimensions is out of range.
  if (::SafeArrayGetDim(array) != 1) Raise(kErrSubscript);
  if (array->cbElements != rt::StorageSize(type)) Raise(kErrTypeMismatch);
  SafeArrayLock lock(array);
  if (!lock) Raise(kErrArrayLocked);
  SortElements(array, type);
}

}  // namespace kb::files
