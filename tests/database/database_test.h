// What the database routine tests share: a clsDataBase object of the
// registered library, scratch databases and late-bound calls on the routines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/interfaces.h"
#include "tests/data/data_test.h"
#include "tests/support/library.h"

namespace databasetest {

using namespace datatest;
using kb::support::CallMethod;
using kb::support::Get;

// Kunder: Id 1 Hansen 12.5, Id 2 Jensen Null, Id 3 Ørsted 41.
inline const std::vector<std::wstring> kCustomers = {
    L"CREATE TABLE Kunder (Id INTEGER PRIMARY KEY, Navn VARCHAR(30), Beloeb DOUBLE, "
    L"Oprettet DATETIME, Note MEMO)",
    L"INSERT INTO Kunder VALUES (1, 'Hansen', 12.5, '2024-01-31 10:30:00', NULL)",
    L"INSERT INTO Kunder VALUES (2, 'Jensen', NULL, '2024-02-01', 'ok')",
    L"INSERT INTO Kunder VALUES (3, '\u00D8rsted', 41, NULL, NULL)",
};

class DataBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    object_ = kb::support::CreateLibraryObject(L"Kitbag.clsDataBase");
    early_ = kb::support::Early<kb::_clsDataBase>(object_);
    MakeDatabase(file_.Path(), kCustomers);
    MakeDatabase(park_.Path(), {});
    // Every test starts from a one-slot table holding this file.
    ASSERT_TRUE(Db(L"dB_OpendB", {file_.Path()}).Ok());
  }
  // Lets go of every connection of the thread's table, so the files can go.
  void TearDown() override {
    Db(L"dB_OpendB", {park_.Path()});
    Db(L"dB_ClosedB");
  }
  CallResult Db(const wchar_t* routine, std::vector<Arg> args = {}) {
    return CallMethod(object_.Get(), routine, std::move(args));
  }
  // dB_OpenRs forward-only and read-only.
  ComPtr<IDispatch> Rs(const std::wstring& sql, long slot = 0) {
    CallResult r = Db(L"dB_OpenRs", {sql, 0, 1, slot});
    EXPECT_TRUE(r.Ok()) << r;
    return r.Ok() ? r.Object() : nullptr;
  }

  kb::support::Apartment apartment_;
  ScratchFile file_{TestName() + L".db"};
  ScratchFile park_{TestName() + L".park.db"};
  ComPtr<IDispatch> object_;
  kb::_clsDataBase* early_ = nullptr;
};

}  // namespace databasetest
