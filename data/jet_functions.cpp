#include "data/jet_functions.h"

#include <windows.h>

#include <oleauto.h>

#include <string>

#include "data/errors.h"
#include "data/values.h"

namespace kb::data {
namespace {

std::wstring TextArg(sqlite3_value* v) {
  auto* text = static_cast<const wchar_t*>(sqlite3_value_text16(v));
  return std::wstring(text ? text : L"", static_cast<size_t>(sqlite3_value_bytes16(v)) / 2);
}

void ResultText(sqlite3_context* ctx, const std::wstring& text) {
  sqlite3_result_text16(ctx, text.data(), static_cast<int>(text.size() * sizeof(wchar_t)),
                        SQLITE_TRANSIENT);
}

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  return false;
}

void MapCase(sqlite3_context* ctx, int argc, sqlite3_value** argv, DWORD flag) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::wstring text = TextArg(argv[0]);
  if (!text.empty())
    ::LCMapStringW(LOCALE_USER_DEFAULT, flag, text.data(), static_cast<int>(text.size()),
                   text.data(), static_cast<int>(text.size()));
  ResultText(ctx, text);
}

void UCase(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  MapCase(ctx, argc, argv, LCMAP_UPPERCASE);
}
void LCase(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  MapCase(ctx, argc, argv, LCMAP_LOWERCASE);
}

void Len(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(TextArg(argv[0]).size()));
}

// Mid(text, start[, length]), Left(text, n), Right(text, n) on UTF-16 units.
void Slice(sqlite3_context* ctx, const std::wstring& text, sqlite3_int64 from, sqlite3_int64 n) {
  if (from < 0 || n < 0) return sqlite3_result_error(ctx, "Invalid procedure call or argument", -1);
  const auto size = static_cast<sqlite3_int64>(text.size());
  if (from > size) from = size;
  if (n > size - from) n = size - from;
  ResultText(ctx, text.substr(static_cast<size_t>(from), static_cast<size_t>(n)));
}

void Mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const std::wstring text = TextArg(argv[0]);
  const sqlite3_int64 start = sqlite3_value_int64(argv[1]);
  if (start < 1) return sqlite3_result_error(ctx, "Invalid procedure call or argument", -1);
  const sqlite3_int64 n =
      argc > 2 ? sqlite3_value_int64(argv[2]) : static_cast<sqlite3_int64>(text.size());
  Slice(ctx, text, start - 1, n);
}

void Left(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Slice(ctx, TextArg(argv[0]), 0, sqlite3_value_int64(argv[1]));
}

void Right(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const std::wstring text = TextArg(argv[0]);
  const sqlite3_int64 n = sqlite3_value_int64(argv[1]);
  const auto size = static_cast<sqlite3_int64>(text.size());
  Slice(ctx, text, n < size ? size - n : 0, n);
}

void Nz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_NULL) return sqlite3_result_value(ctx, argv[0]);
  if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
  sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

void LocalNow(sqlite3_context* ctx, bool withTime) {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  if (!withTime) st.wHour = st.wMinute = st.wSecond = 0;
  st.wMilliseconds = 0;
  DATE now = 0;
  ::SystemTimeToVariantTime(&st, &now);
  const std::string text = StoredDate(now);
  sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Now(sqlite3_context* ctx, int, sqlite3_value**) { LocalNow(ctx, true); }
void Today(sqlite3_context* ctx, int, sqlite3_value**) { LocalNow(ctx, false); }

struct Function {
  const char* name;
  int args;
  void (*call)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

constexpr Function kFunctions[] = {
    {"UCASE", 1, UCase, true}, {"LCASE", 1, LCase, true}, {"LEN", 1, Len, true},
    {"MID", 2, Mid, true},     {"MID", 3, Mid, true},     {"LEFT", 2, Left, true},
    {"RIGHT", 2, Right, true}, {"NZ", 1, Nz, true},       {"NZ", 2, Nz, true},
    {"NOW", 0, Now, false},    {"DATE", 0, Today, false},
};

}  // namespace

void RegisterJetFunctions(sqlite3* db) {
  for (const auto& f : kFunctions)
    sqlite3_create_function_v2(db, f.name, f.args,
                               SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0), nullptr,
                               f.call, nullptr, nullptr, nullptr);
}

}  // namespace kb::data
