#pragma once
#include "data/dberror.h"

#include <QString>
#include <chrono>
#include <memory>

// Several copies of the program may work on one data file side by side; what
// rewrites the whole file (the upgrade at start-up, a restore, the backup's
// switch to a single file) needs it alone. Each running copy holds a shared
// lock on a lock file beside the data file for its whole life; the system
// drops it when the process ends, however it ends. Having the file alone is
// the exclusive lock on it, taken without waiting. The engine's own locks are
// left as they are: two copies still write to the file one transaction at a
// time.

// Thrown when another running copy holds the data file: the failure changes
// nothing and is no fault of the file.
class DataFileInUse : public DbError {
public:
    using DbError::DbError;
};

class DataFileLock {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // Opens (creating when needed) the lock file beside the data file. Throws
    // DbError when it cannot: a read-only folder, or a lock file of another
    // user, is reported as such.
    explicit DataFileLock(const QString& dataFile);
    // The lock goes; the last copy to leave removes the lock file.
    ~DataFileLock();
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    static QString lockFileOf(const QString& dataFile);
    const QString& dataFile() const { return m_dataFile; }

    // Announces this copy: false when another copy has the file alone.
    bool share();
    // The same, trying again until the deadline: a copy that ends has the
    // file alone for a moment while it removes the lock file.
    bool share(Deadline until);
    // Has the file alone, without waiting: false when another copy holds it,
    // and then what this copy held before it still holds.
    bool takeAlone();
    bool takeAlone(Deadline until);
    // From alone back to shared, as the other copies may now join.
    void shareAgain();
    bool alone() const { return m_state == State::Alone; }

    // Start-up's turn: one start at a time reads the file's layout and, when
    // it must, brings it up to date, so two starts never both wait to have
    // the file alone. Waits until the deadline for another start's turn to
    // end; false when it has not. A copy that ends never removes the lock
    // file while a start has its turn.
    bool takeStartTurn(Deadline until);
    void endStartTurn();
    // Whether another copy has the file alone now (this copy's locks aside).
    bool aloneElsewhere() const;

    // The refusals, with the data file's name.
    static QString inUseReason(const QString& dataFile);
    static QString busyReason(const QString& dataFile);
    // A start that found another start's turn held past its wait.
    static QString startingReason(const QString& dataFile);
    // The reason a file could not be created or written in the data file's
    // folder (errno): a read-only folder or file, or a file of another user,
    // is said so.
    static QString writeFailureReason(const QString& path, int error);
    // Why this program cannot work on the data file in its folder ("" when it
    // can): a read-only folder (nothing can be made beside the file, not even
    // its journal) or a read-only data file, each said so.
    static QString notWritableReason(const QString& dataFile);

private:
    enum class State { None, Shared, Alone };
    bool lock(State to);
    bool lockByte(short type, int byte);
    bool atItsName() const;
    void open();
    QString m_dataFile;
    QString m_path;
    int m_fd = -1;
    State m_state = State::None;
    bool m_turn = false;
};

// Holds the data file alone for its life, through this copy's lock when it
// has one for that file, else through one of its own. Throws DbError (a
// read-only folder) or DataFileInUse.
class DataFileAlone {
public:
    DataFileAlone(const QString& dataFile, DataFileLock* held);
    ~DataFileAlone();
    DataFileAlone(const DataFileAlone&) = delete;
    DataFileAlone& operator=(const DataFileAlone&) = delete;

private:
    DataFileLock* m_lock;
    bool m_own;
};

// This copy's lock on its data file, taken at start-up and held to the end.
extern std::unique_ptr<DataFileLock> gDbLock;
