// The rows of a scrollable recordset: how many there are and the values of
// the one the client is on.
//
// Every scrollable cursor type (keyset, dynamic, static) sees the database
// as it was when the recordset opened, plus the records it added itself;
// later changes by anyone else, or through its connection, stay unseen.
//
// Keyed rows hold only the row numbers of the whole result and read a row's
// values when the client comes to it.  They read through a connection of
// their own inside a read transaction held from the opening on, which the
// engine's write-ahead log keeps unchanged while others write (at the price
// of a log that cannot start over until the recordset goes).  Copied rows
// hold every value and serve what keyed rows cannot: results that no row
// number finds (grouped, DISTINCT, UNION, ...), recordsets opened inside a
// transaction, whose work not yet committed another connection cannot see,
// and files without the log, where a held read would keep writers out.
#pragma once

#include <memory>
#include <vector>

#include "data/engine.h"
#include "data/values.h"

namespace kb::data {

class ScrollRows {
 public:
  virtual ~ScrollRows() = default;
  long Count() const { return Stored() + static_cast<long>(added_.size()); }
  // The values of row `index`, 0 to Count() - 1.
  const std::vector<Variant>& Row(long index);
  // A row the recordset added itself, as the database stored it.
  void Add(std::vector<Variant> row) { added_.push_back(std::move(row)); }

 protected:
  virtual long Stored() const = 0;
  virtual const std::vector<Variant>& StoredRow(long index) = 0;

 private:
  std::vector<std::vector<Variant>> added_;
};

// The rows of a statement that gives rows and was not yet stepped.
std::unique_ptr<ScrollRows> ReadRows(std::unique_ptr<Statement> statement,
                                     const std::vector<Column>& columns);

// The values of the statement's current row.
std::vector<Variant> ReadRow(sqlite3_stmt* stmt, const std::vector<Kind>& kinds);
std::vector<Kind> KindsOf(const std::vector<Column>& columns);

}  // namespace kb::data
