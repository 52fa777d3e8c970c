#pragma once
#include <QString>
#include <memory>
#include <vector>

struct sqlite3;

// Connections of their own that long lists read from, beside the data file's
// one connection that writes. A list holds one, in a read transaction, from
// its first row until it is read to its end or left: it keeps reading the
// file as it was when it began (the journal is written ahead, so the
// connection that writes never waits for it and a partly read list costs a
// save nothing), while look-ups and writes of the main connection see the
// file as it is now. Opening a keyed connection costs as much as opening the
// file (tens of milliseconds for the key), so a connection is opened once
// and kept for the next list; two lists never share one, as statements of
// one connection share one snapshot. Every page read is decrypted, so each
// caches the pages it read, for the next scan of the same table: the one
// given back last keeps them for the next list, which takes it; the other
// kept ones let theirs go, so the read connections hold one cache for each
// list reading, or one in all when none reads.
class ReadConnections {
public:
    // registerFunctions, when given, gives each connection the functions the
    // data file's own connection has.
    ReadConnections(const QString& path, const QString& key, int pageSize, void (*registerFunctions)(sqlite3*));
    ~ReadConnections();
    ReadConnections(const ReadConnections&) = delete;
    ReadConnections& operator=(const ReadConnections&) = delete;

    // One connection lent to a list, inside a read transaction begun on it;
    // given back (its transaction ended) when the lease goes.
    class Lease {
    public:
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        sqlite3* handle() const { return m_db; }
        // The connection keeps only kSmallCacheKb of pages until it is given
        // back (its list's own rows hold the memory now).
        void useSmallCache();

    private:
        friend class ReadConnections;
        Lease(ReadConnections& pool, sqlite3* db)
            : m_pool(pool),
              m_db(db)
        {
        }
        ReadConnections& m_pool;
        sqlite3* m_db;
        bool m_small = false;
    };
    // A kept connection, or a new one; throws DbError.
    std::unique_ptr<Lease> lease();
    // Opens one connection for the first list, unless one is open already.
    // A failure here only leaves it to that list.
    void keepOneOpen();
    // A kept connection is free: a lease costs no opening.
    bool hasIdle() const { return !m_idle.empty(); }
    // Connections open, lent or kept, and those lent.
    int openCount() const { return int(m_idle.size()) + m_lent; }
    int lentCount() const { return m_lent; }
    // Connections kept for the next lists at most; one more is closed when given back.
    static constexpr int kKeptIdle = 3;
    // Pages each connection caches at most (32 MB, taken only as needed): a
    // table of 300,000 waybills is scanned again from memory. A list that
    // reads many rows goes on with kSmallCacheKb (Lease::useSmallCache), so
    // the register read whole holds its rows and no such cache beside them.
    static constexpr int kCacheKb = 32 * 1024;
    static constexpr int kSmallCacheKb = 2 * 1024;

private:
    sqlite3* openOne();
    void giveBack(sqlite3* db, bool smallCache);
    // The first `count` kept connections let their cached pages go.
    void releaseCaches(size_t count);

    QString m_path;
    QString m_key;
    int m_pageSize;
    void (*m_registerFunctions)(sqlite3*);
    std::vector<sqlite3*> m_idle;
    int m_lent = 0;
};
