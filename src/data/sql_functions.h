#pragma once

struct sqlite3;

// The functions the program's SQL calls that SQLite lacks or spells otherwise:
// like() reading Jet patterns, datediff(), year(), month() and day(); and the
// running-balance walks of the ledger (RegisterBalanceFunctions,
// data/balance_walks.h).
void RegisterSqlFunctions(sqlite3* db);
