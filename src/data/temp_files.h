#pragma once

class Database;

// While it lives, the connection keeps its temporary files on disk rather
// than in memory, as the engine is built to. Inside a savepoint (every
// Transaction) the engine keeps a copy of each page a transaction changes
// until it ends, and a write that frees most of the file (data
// initialisation: every freed page is overwritten with zeros) would hold a
// copy of the whole file in memory. Made outside a transaction: it takes
// effect from the next one on. Should the setting not change, the write
// goes on in memory as before.
class TempFilesOnDisk {
public:
    explicit TempFilesOnDisk(Database& db);
    ~TempFilesOnDisk();
    TempFilesOnDisk(const TempFilesOnDisk&) = delete;
    TempFilesOnDisk& operator=(const TempFilesOnDisk&) = delete;

private:
    Database& m_db;
    bool m_changed = false;
    int m_before = 0; // the setting it replaced (0: the engine's default)
};
