#include "data/values.h"

#include <windows.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "data/automation.h"
#include "data/errors.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::data {
namespace {

bool Has(const std::string& upper, const char* word) { return upper.find(word) != upper.npos; }

bool HasAny(const std::string& upper, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (Has(upper, w)) return true;
  return false;
}

int SizeIn(const std::string& upper) {
  const size_t open = upper.find('(');
  return open == upper.npos ? 0 : std::atoi(upper.c_str() + open + 1);
}

// Where a value comes from: the statement's current row or a cell.
struct FromStatement {
  sqlite3_stmt* stmt;
  int i;
  int Storage() const { return sqlite3_column_type(stmt, i); }
  sqlite3_int64 Integer() const { return sqlite3_column_int64(stmt, i); }
  double Real() const { return sqlite3_column_double(stmt, i); }
  std::string_view Utf8() const {
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    return {text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, i))};
  }
  // Straight from the stored UTF-8 into the text's own buffer.
  Bstr Text() const {
    const std::string_view utf8 = Utf8();
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    Bstr text = Bstr::Attach(::SysAllocStringLen(nullptr, static_cast<UINT>(n)));
    if (!text.Get()) throw std::bad_alloc();
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.Get(), n);
    return text;
  }
  std::string_view Blob() const {
    auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
    return {data ? data : "", static_cast<size_t>(sqlite3_column_bytes(stmt, i))};
  }
};

struct FromCell {
  const Cell& cell;
  int Storage() const { return cell.storage; }
  sqlite3_int64 Integer() const { return cell.integer; }
  double Real() const { return cell.real; }
  std::string_view Utf8() const { return cell.bytes; }
  Bstr Text() const { return Bstr(Wide(cell.bytes)); }
  std::string_view Blob() const { return cell.bytes; }
};

Variant Typed(VARTYPE type) {
  Variant v;
  V_VT(v.Get()) = type;
  return v;
}

Variant Number(double value, VARTYPE type) {
  Variant v = Typed(type);
  V_R8(v.Get()) = value;  // VT_DATE shares the storage of VT_R8
  return v;
}

Variant Bytes(std::string_view data) {
  SafeArray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(data.size())));
  if (!array.Get()) throw std::bad_alloc();
  if (!data.empty()) std::memcpy(array.Get()->pvData, data.data(), data.size());
  Variant v = Typed(VT_ARRAY | VT_UI1);
  V_ARRAY(v.Get()) = array.Release();
  return v;
}

template <class Source>
Variant Convert(const Source& from, Kind kind) {
  const int storage = from.Storage();
  const bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
  if (storage == SQLITE_NULL) return Typed(VT_NULL);
  if (kind == Kind::Date) {
    if (numeric) return Number(from.Real(), VT_DATE);
    DATE date = 0;
    if (storage == SQLITE_TEXT && ParseStoredDate(from.Utf8(), &date)) return Number(date, VT_DATE);
  }
  if (kind == Kind::Bool && numeric) {
    Variant v = Typed(VT_BOOL);
    V_BOOL(v.Get()) = from.Real() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  if (kind == Kind::Real && numeric) return Number(from.Real(), VT_R8);
  switch (storage) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 n = from.Integer();
      if (n < LONG_MIN || n > LONG_MAX) return Number(static_cast<double>(n), VT_R8);
      Variant v = Typed(VT_I4);
      V_I4(v.Get()) = static_cast<LONG>(n);
      return v;
    }
    case SQLITE_FLOAT: return Number(from.Real(), VT_R8);
    case SQLITE_BLOB: return Bytes(from.Blob());
    default: return Variant::FromText(from.Text());
  }
}

[[noreturn]] void Refuse(const Column& column, const wchar_t* why) {
  Fail(kErrDataConversion, L"Field '" + column.name + L"' cannot take the value given: " + why,
       kRecordsetSource);
}

// The value converted as the runtime converts it, or nothing when it cannot be.
bool Change(const VARIANT& from, VARTYPE type, Variant& out) {
  return SUCCEEDED(
      ::VariantChangeTypeEx(out.Get(), const_cast<VARIANT*>(&from), LOCALE_USER_DEFAULT, 0, type));
}

Cell IntegerCell(sqlite3_int64 n) {
  Cell c;
  c.storage = SQLITE_INTEGER;
  c.integer = n;
  return c;
}

Cell RealCell(double r) {
  Cell c;
  c.storage = SQLITE_FLOAT;
  c.real = r;
  return c;
}

Cell TextCell(std::string text, int storage = SQLITE_TEXT) {
  Cell c;
  c.storage = storage;
  c.bytes = std::move(text);
  return c;
}

bool IsByteArray(const VARIANT& v) { return V_VT(&v) == (VT_ARRAY | VT_UI1) && V_ARRAY(&v); }

Cell BlobCell(const VARIANT& v) {
  SAFEARRAY* array = V_ARRAY(&v);
  LONG lo = 0, hi = -1;
  ::SafeArrayGetLBound(array, 1, &lo);
  ::SafeArrayGetUBound(array, 1, &hi);
  const size_t n = hi >= lo ? static_cast<size_t>(hi - lo + 1) : 0;
  SafeArrayLock lock(array);
  if (!lock) Fail(kErrDataConversion, L"The byte array is locked.", kRecordsetSource);
  return TextCell(std::string(static_cast<const char*>(array->pvData), n), SQLITE_BLOB);
}

// A value stored as it comes: the column declares no type the engine keeps.
Cell NaturalCell(const VARIANT& v, const Column& column) {
  Variant converted;
  switch (V_VT(&v)) {
    case VT_BOOL: return IntegerCell(V_BOOL(&v) ? -1 : 0);
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
      if (!Change(v, VT_I8, converted)) Refuse(column, L"the number is out of range.");
      return IntegerCell(V_I8(converted.Get()));
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
      if (!Change(v, VT_R8, converted)) Refuse(column, L"the number is out of range.");
      return RealCell(V_R8(converted.Get()));
    case VT_DATE: return TextCell(StoredDate(V_DATE(&v)));
    case VT_BSTR: return TextCell(Utf8(View(V_BSTR(&v))));
    default:
      if (IsByteArray(v)) return BlobCell(v);
      Refuse(column, L"values of this type cannot be stored.");
  }
}

}  // namespace

Kind KindOf(std::string_view declared, int* size) {
  std::string upper(declared);
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (size) *size = 0;
  if (upper.empty()) return Kind::Any;
  if (HasAny(upper, {"DATE", "TIME"})) return Kind::Date;
  if (HasAny(upper, {"BIT", "BOOL", "YESNO", "LOGICAL"})) return Kind::Bool;
  if (HasAny(upper, {"LONGTEXT", "LONGCHAR", "MEMO", "NOTE", "NTEXT", "CLOB"}))
    return Kind::LongText;
  if (HasAny(upper, {"BLOB", "BINARY", "IMAGE", "OLEOBJECT", "GENERAL"})) return Kind::Binary;
  if (HasAny(upper, {"CHAR", "TEXT", "STRING"})) {
    const int n = SizeIn(upper);
    if (size) *size = n;
    return n > 0 || !Has(upper, "TEXT") ? Kind::Text : Kind::LongText;
  }
  if (HasAny(upper, {"INT", "COUNTER", "AUTOINCREMENT", "LONG", "SHORT", "BYTE"}))
    return Kind::Integer;
  if (HasAny(upper, {"REAL", "FLOA", "DOUB", "SINGLE", "NUMERIC", "DECIMAL", "CURRENCY", "MONEY",
                     "NUMBER"}))
    return Kind::Real;
  return Kind::Any;
}

long TypeNumber(Kind kind, int storage) {
  switch (kind) {
    case Kind::Integer: return 3;
    case Kind::Real: return 5;
    case Kind::Date: return 7;
    case Kind::Bool: return 11;
    case Kind::Text: return 202;
    case Kind::LongText: return 203;
    case Kind::Binary: return 205;
    case Kind::Any: break;
  }
  switch (storage) {
    case SQLITE_INTEGER: return 3;
    case SQLITE_FLOAT: return 5;
    case SQLITE_TEXT: return 202;
    case SQLITE_BLOB: return 205;
    default: return 12;
  }
}

Variant ReadCell(sqlite3_stmt* stmt, int i, Kind kind) {
  return Convert(FromStatement{stmt, i}, kind);
}

Variant ValueOf(const Cell& cell, Kind kind) { return Convert(FromCell{cell}, kind); }

Cell CellFor(const VARIANT& value, const Column& column) {
  Variant plain = PlainValue(value);
  const VARIANT& v = *plain.Get();
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return Cell{};
  if (V_VT(&v) == VT_ERROR || ((V_VT(&v) & VT_ARRAY) && !IsByteArray(v)))
    Refuse(column, L"values of this type cannot be stored.");
  Variant converted;
  switch (column.kind) {
    case Kind::Integer:
      if (V_VT(&v) == VT_BOOL) return IntegerCell(V_BOOL(&v) ? -1 : 0);
      if (!Change(v, VT_I8, converted)) Refuse(column, L"it is not a whole number in range.");
      return IntegerCell(V_I8(converted.Get()));
    case Kind::Real:
      if (!Change(v, VT_R8, converted)) Refuse(column, L"it is not a number.");
      return RealCell(V_R8(converted.Get()));
    case Kind::Bool:
      if (!Change(v, VT_BOOL, converted)) Refuse(column, L"it is not a yes/no value.");
      return IntegerCell(V_BOOL(converted.Get()) ? -1 : 0);
    case Kind::Date:
      if (!Change(v, VT_DATE, converted)) Refuse(column, L"it is not a date.");
      return TextCell(StoredDate(V_DATE(converted.Get())));
    case Kind::Text:
    case Kind::LongText: {
      if (IsByteArray(v)) Refuse(column, L"a byte array is not a text.");
      Bstr text = rt::ToText(v);
      if (column.size > 0 && text.Length() > static_cast<size_t>(column.size))
        Refuse(column, L"the text is longer than the field.");
      return TextCell(Utf8(text.View()));
    }
    case Kind::Binary:
      if (!IsByteArray(v)) Refuse(column, L"only a byte array can be stored in it.");
      return BlobCell(v);
    case Kind::Any: break;
  }
  return NaturalCell(v, column);
}

void Bind(sqlite3_stmt* stmt, int index, const Cell& cell) {
  switch (cell.storage) {
    case SQLITE_INTEGER: sqlite3_bind_int64(stmt, index, cell.integer); return;
    case SQLITE_FLOAT: sqlite3_bind_double(stmt, index, cell.real); return;
    case SQLITE_TEXT:
      sqlite3_bind_text64(stmt, index, cell.bytes.data(), cell.bytes.size(), SQLITE_TRANSIENT,
                          SQLITE_UTF8);
      return;
    case SQLITE_BLOB:
      sqlite3_bind_blob64(stmt, index, cell.bytes.data(), cell.bytes.size(), SQLITE_TRANSIENT);
      return;
    default: sqlite3_bind_null(stmt, index); return;
  }
}

std::string StoredDate(DATE date) {
  SYSTEMTIME st{};
  if (!::VariantTimeToSystemTime(date, &st))
    Fail(kErrDataConversion, L"The date is out of range.", kRecordsetSource);
  char text[32];
  if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0)
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
  else
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
  return text;
}

bool ParseStoredDate(std::string_view text, DATE* out) {
  // yyyy-mm-dd, then optionally a space or T and hh:mm[:ss[.fff]]
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  auto digits = [&](size_t at, size_t n, unsigned* v) {
    if (at + n > text.size()) return false;
    *v = 0;
    for (size_t k = at; k < at + n; ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      *v = *v * 10 + static_cast<unsigned>(text[k] - '0');
    }
    return true;
  };
  if (!digits(0, 4, &y) || text.size() < 10 || text[4] != '-' || !digits(5, 2, &mo) ||
      text[7] != '-' || !digits(8, 2, &d))
    return false;
  size_t at = 10;
  if (at < text.size()) {
    if ((text[at] != ' ' && text[at] != 'T') || !digits(at + 1, 2, &h) || at + 3 >= text.size() ||
        text[at + 3] != ':' || !digits(at + 4, 2, &mi))
      return false;
    at += 6;
    if (at < text.size()) {
      if (text[at] != ':' || !digits(at + 1, 2, &s)) return false;
      at += 3;
      // Fractions of a second are below what an automation date keeps.
      if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
      }
      if (at < text.size() && text[at] == 'Z') ++at;
      if (at != text.size()) return false;
    }
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 100) return false;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  return ::SystemTimeToVariantTime(&st, out) != 0;
}

}  // namespace kb::data
