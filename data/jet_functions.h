// Functions of the clients' SQL dialect that the engine lacks or names
// otherwise: UCASE, LCASE, LEN, MID, LEFT, RIGHT, NZ, NOW() and DATE() (the
// local date and time, as stored dates are written).
#pragma once

#include <sqlite3.h>

namespace kb::data {

void RegisterJetFunctions(sqlite3* db);

}  // namespace kb::data
