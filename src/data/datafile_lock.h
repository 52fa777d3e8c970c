#pragma once
#include "data/dberror.h"

#include <QString>
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
    // Opens (creating when needed) the lock file beside the data file. Throws
    // DbError when it cannot: a read-only folder is reported as such.
    explicit DataFileLock(const QString& dataFile);
    // The lock goes; the last copy to leave removes the lock file.
    ~DataFileLock();
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    static QString lockFileOf(const QString& dataFile);
    const QString& dataFile() const { return m_dataFile; }

    // Announces this copy: false when another copy has the file alone.
    bool share();
    // Has the file alone, without waiting: false when another copy holds it,
    // and then what this copy held before it still holds.
    bool takeAlone();
    // From alone back to shared, as the other copies may now join.
    void shareAgain();
    bool alone() const { return m_state == State::Alone; }

    // The refusals, with the data file's name.
    static QString inUseReason(const QString& dataFile);
    static QString busyReason(const QString& dataFile);
    // The reason a file could not be created or written in the data file's
    // folder (errno): a read-only folder or file is said so.
    static QString writeFailureReason(const QString& path, int error);

private:
    enum class State { None, Shared, Alone };
    bool lock(State to);
    void open();
    QString m_dataFile;
    QString m_path;
    int m_fd = -1;
    State m_state = State::None;
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
