// Finding the rows of a query again by the row numbers of its tables.
//
// A scrollable recordset keeps only these numbers for its whole result and
// reads a row's values when the client comes to it, so a query of a million
// rows costs a few megabytes.  That works for queries whose rows each stand
// for one row of each table they read: a SELECT of columns and expressions
// from tables joined with inner joins, with any condition, order and limit.
// Grouped, DISTINCT and compound queries, outer joins, views, sub-queries in
// FROM and tables without row numbers give rows that no such number finds.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>

namespace kb::data {

struct RowKeys {
  // The query giving the row numbers, in the query's order, as its `count`
  // columns.
  std::string keys;
  // The query's own columns for the one combination of rows named by the
  // parameters ?1 to ?count.
  std::string fetch;
  int count = 0;
};

// Empty when the query's rows cannot be found again by row numbers.  Needs
// the database to tell tables from views and real row numbers from columns
// of that name.
std::optional<RowKeys> KeysOf(sqlite3* db, const std::string& sql);

}  // namespace kb::data
