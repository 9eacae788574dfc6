// Values between the engine's storage and automation variants.
//
// The engine stores integers, reals, texts, blobs and Null; a column's
// declared type says how they reach a client: dates (stored as the text
// "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", so that they sort and compare as
// dates and other tools read them) become automation dates, yes/no columns
// booleans, integers longs (reals when out of the long range), blobs byte
// arrays.
#pragma once

#include <oaidl.h>
#include <sqlite3.h>

#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace kb::data {

enum class Kind { Any, Integer, Real, Bool, Date, Text, LongText, Binary };

struct Column {
  std::wstring name;      // the name the recordset gives the field
  std::string table;      // the table the column comes from, if any
  std::string origin;     // its name in that table
  Kind kind = Kind::Any;  // from the declared type
  int size = 0;           // the declared size of a text column, 0 when none
  bool DatabaseDefault() const { return kind == Kind::Any; }
};

// The kind of a column from its declared type (the names both dialects use:
// LONG, COUNTER, MEMO, YESNO, DATETIME, VARCHAR(n), ...).
Kind KindOf(std::string_view declared, int* size = nullptr);
// The platform's data type number of a field (3 long, 5 double, 7 date,
// 11 boolean, 202 text, 203 long text, 205 long binary, 12 variant); a
// column without a declared type takes it from the value's storage.
long TypeNumber(Kind kind, int storage);

// The value of column i of the statement's current row.
Variant ReadCell(sqlite3_stmt* stmt, int i, Kind kind);

// A value ready for the engine.
struct Cell {
  int storage = SQLITE_NULL;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
  sqlite3_int64 integer = 0;
  double real = 0;
  std::string bytes;  // UTF-8 text or the blob's bytes
};
// A client's value coerced for a column; a value the column cannot take
// raises error 3421 naming the field.
Cell CellFor(const VARIANT& value, const Column& column);
Variant ValueOf(const Cell& cell, Kind kind);
void Bind(sqlite3_stmt* stmt, int index, const Cell& cell);

// Dates as the engine stores them, and back; false for a text that is no date.
std::string StoredDate(DATE date);
bool ParseStoredDate(std::string_view text, DATE* out);

}  // namespace kb::data
