#pragma once
#include "data/database.h"

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class DataFileLock;

// Opening the program's data file at start-up: a file of an older layout is
// brought to the one this program writes (kDataFileVersion), a newer one is
// refused.

// What a data file says about itself. With nothing beside the file it is read
// as it lies, nothing changed or created; a journal beside it is first played
// back into it by the engine's own recovery, at the file's own page size.
struct DataFileLayout {
    int version = 0;      // its user_version
    int pageSize = 0;     // its encrypted pages: 4096, or 1024 in the oldest files
    bool complete = true; // it holds every table a data file has had from the start
};
// Throws DbError (with the engine's text) when the file does not open.
DataFileLayout ReadDataFileLayout(const QString& path, const QString& key);

// The copy an upgrade leaves of the file as it was, in the program folder:
// "vembra-v<version>.dat", or when that name is taken the n-th free one
// "vembra-v<version>-<n>.dat", which the restore window can choose.
QString UpgradeBackupName(int version, int n = 1);

// Beside the data file while an upgrade has not committed: the name of the
// copy it makes, and once that copy is whole its size and digest. A restore
// that replaces the file removes it.
QString UpgradeMarkerOf(const QString& path);

// Why a file of a newer layout is not taken, saying which layouts are.
QString NewerLayoutReason(int version);

// The steps an upgrade reports: progress(done, kUpgradeSteps) is called when
// the program knows it will upgrade (done 0) and after each step, the last
// with done == kUpgradeSteps.
constexpr int kUpgradeSteps = 11;
using UpgradeProgress = std::function<void(int done, int steps)>;

// How long a start waits for another start's turn (its upgrade), for a copy
// that has the file alone for a moment (one ending) or for the copies to go
// before an upgrade, before it refuses with the reason.
constexpr std::chrono::milliseconds kStartWait{2000};

// Where the long part of an upgrade runs (progress is reported on the
// calling thread either way).
enum class UpgradeRun {
    Here,            // on the calling thread
    BesideEventLoop, // on a thread of its own while the calling thread's event
                     // loop turns, user input held back: a window repaints and
                     // answers the desktop throughout
};

// Opens the data file at path for work, announcing this copy through lock
// (held shared from then on). A read-only folder or data file is refused
// with its reason. One start at a time reads the layout and upgrades
// (DataFileLock::takeStartTurn): a start waits up to kStartWait for another
// start, or for a copy that has the file alone, then refuses
// (DataFileInUse). A file of a newer layout is refused; with nothing beside
// it its bytes are unchanged and nothing is created. A file of an older
// layout that holds every table (one that does not is opened as it is, and
// fails where the program reads what it lacks) is upgraded with the file
// alone: another copy holding it past the wait refuses the start
// (DataFileInUse). The upgrade plays back a journal left beside the file,
// copies the whole file once, before anything changes, to a new
// UpgradeBackupName in backupFolder (which ends in "/"), a marker beside the
// file naming that copy, and once it is whole its size and digest, until the
// upgrade commits, so an upgrade ended half-way is finished by the next
// start from the same copy if it is still whole; then 1 KB pages are
// rewritten as 4 KB pages and UpgradeDataFile brings it to the current
// layout. Throws DbError.
std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder, DataFileLock& lock,
                                       const UpgradeProgress& progress = {}, UpgradeRun run = UpgradeRun::Here);
// The same with a lock of its own for the call.
std::unique_ptr<Database> OpenDataFile(const QString& path, const QString& backupFolder);

// Brings an open file of an older layout to the current one in one
// transaction: every table, index and trigger a new file has and this one
// lacks or holds otherwise is created or rebuilt (rows kept); coming from
// layout 0 each party's ledger rows are numbered into its block in sequence
// order; the derived tables are filled and the version is written. What the
// layout does not know is kept: an index or trigger of another name than the
// program's own is made again on the table written anew; a column holding
// data that the layout has no place for refuses the upgrade before anything
// changes. stepDone is called after the tables, the indexes and triggers, and
// the derived tables. The file is best plain (no write-ahead journal): then
// only pages that held data before are journalled. Throws DbError.
void UpgradeDataFile(Database& db, int fromVersion, const std::function<void()>& stepDone = {});
