#pragma once
#include "data/database.h"

#include <QString>
#include <memory>

// Opening the program's data file at start-up: a file of an older layout is
// brought to the one this program writes (kDataFileVersion), a newer one is
// refused.

// What a data file says about itself, read without changing anything in or
// beside it (a file left in the write-ahead journal is read as it lies).
struct DataFileLayout {
    int version = 0;      // its user_version
    int pageSize = 0;     // its encrypted pages: 4096, or 1024 in the oldest files
    bool complete = true; // it holds every table a data file has had from the start
};
// Throws DbError (with the engine's text) when the file does not open.
DataFileLayout ReadDataFileLayout(const QString& path, const QString& key);

// The copy an upgrade leaves of the file as it was, in the program folder:
// "vembra-v<version>.dat", which the restore window can choose.
QString UpgradeBackupName(int version);

// Opens the data file at path for work. A file of a newer layout is refused
// with its bytes unchanged and nothing created beside it. A file of an older
// layout that holds every table (one that does not is opened as it is, and
// fails where the program reads what it lacks) is first made one whole file
// and copied to UpgradeBackupName(its version) in backupFolder (which ends
// in "/"), then 1 KB pages are rewritten as 4 KB pages and UpgradeDataFile
// brings it to the current layout. Throws DbError.
std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder);

// Brings an open file of an older layout to the current one in one
// transaction: every table, index and trigger a new file has and this one
// lacks or holds otherwise is created or rebuilt (rows kept); coming from
// layout 0 each party's ledger rows are numbered into its block in sequence
// order; the derived tables are filled and the version is written. The file
// is best plain (no write-ahead journal): then only pages that held data
// before are journalled. Throws DbError.
void UpgradeDataFile(Database& db, int fromVersion);
