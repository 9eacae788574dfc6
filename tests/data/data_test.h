// What the data layer tests share: scratch database files made with the data
// layer itself, and late-bound calls on its objects.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/data_layer.h"
#include "runtime/handles.h"
#include "tests/support/apartment.h"
#include "tests/support/dispatch_call.h"

namespace datatest {

using kb::ComPtr;
using kb::support::Arg;
using kb::support::CallResult;

// A file in the temporary folder, removed (with the engine's side files)
// when the test ends.
class ScratchFile {
 public:
  explicit ScratchFile(const std::wstring& name);
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();
  const std::wstring& Path() const { return path_; }
  std::string Bytes() const;
  void Write(const std::string& bytes) const;

 private:
  std::wstring path_;
};

// A unique name for the running test: "<suite>_<test>".
std::wstring TestName();

// A new database file (an empty file is a new database) with the statements run on it.
ComPtr<IDispatch> OpenConnection(const std::wstring& path);
void MakeDatabase(const std::wstring& path, const std::vector<std::wstring>& statements);
void Execute(IDispatch* connection, const std::wstring& sql);
// The first column of the first row of a query, on a connection of its own.
kb::Variant Scalar(const std::wstring& path, const std::wstring& sql);
std::wstring ScalarText(const std::wstring& path, const std::wstring& sql);
long Count(const std::wstring& path, const std::wstring& table);

// rs(name or position) as the value a client reads.
CallResult FieldValue(IDispatch* rs, Arg index);
// The client's runtime error number of a failed call (Err.Number).
long ErrorOf(const CallResult& r);

}  // namespace datatest
