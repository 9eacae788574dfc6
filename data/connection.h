// Connection: an open database file of the embedded engine.
#pragma once

#include <memory>
#include <string>

#include "data/automation.h"
#include "data/engine.h"

namespace kb::data {

// The database file a connection string names: the whole text when it has
// no keywords, else its "Data Source".
std::wstring DataSourceOf(std::wstring_view connectionString);

class Connection : public AutoObject {
 public:
  Connection();
  // The connection behind an automation object of this layer, or null.
  static Connection* Of(IDispatch* object);
  // The database for a recordset: error 3704 when the connection is closed.
  std::shared_ptr<Database> OpenDatabase() const;
  void Open(const std::wstring& connectionString);

 protected:
  Variant Run(DISPID id, WORD flags, const CallArgs& args) override;
  void* Extra(REFIID iid) override;

 private:
  void Close();
  Variant Execute(const CallArgs& args);
  long BeginTrans();
  void EndTrans(bool commit);

  std::wstring provider_;
  std::wstring connectionString_;
  std::shared_ptr<Database> db_;
};

}  // namespace kb::data
