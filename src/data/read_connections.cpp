#include "data/read_connections.h"

#include "data/dberror.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <utility>

namespace {

QString EngineText(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

void Run(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : EngineText(db);
        sqlite3_free(err);
        throw DbError(msg);
    }
}

} // namespace

// ---------------------------------------------------------------- ReadConnections

ReadConnections::ReadConnections(const QString& path, const QString& key, int pageSize,
                                 void (*registerFunctions)(sqlite3*))
    : m_path(path),
      m_key(key),
      m_pageSize(pageSize),
      m_registerFunctions(registerFunctions)
{
}

ReadConnections::~ReadConnections()
{
    for (sqlite3* db : m_idle)
        sqlite3_close_v2(db);
}

sqlite3* ReadConnections::openOne()
{
    sqlite3* db = nullptr;
    const QByteArray name = m_path.toUtf8();
    // Opened for writing only because a reader of a file in write-ahead mode
    // takes part in its shared index; nothing is ever written through it.
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString msg = db ? EngineText(db) : QStringLiteral("cannot open");
        sqlite3_close_v2(db);
        throw DbError(QStringLiteral("不能打开数据库 '%1': %2").arg(m_path, msg));
    }
    try {
        if (!m_key.isEmpty()) {
            const QByteArray k = m_key.toUtf8();
            if (sqlite3_key(db, k.constData(), int(k.size())) != SQLITE_OK)
                throw DbError(EngineText(db));
            Run(db, QByteArray("PRAGMA cipher_page_size = " + QByteArray::number(m_pageSize)).constData());
        }
        sqlite3_busy_timeout(db, 5000);
        Run(db, "PRAGMA query_only = 1");
        Run(db, QByteArray("PRAGMA cache_size = -" + QByteArray::number(kCacheKb)).constData());
        // The first read derives the key and reads the schema.
        Run(db, "SELECT count(*) FROM sqlite_master");
        if (m_registerFunctions)
            m_registerFunctions(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

std::unique_ptr<ReadConnections::Lease> ReadConnections::lease()
{
    sqlite3* db = nullptr;
    if (!m_idle.empty()) {
        // The one given back last, whose pages are still cached.
        db = m_idle.back();
        m_idle.pop_back();
        releaseCaches(m_idle.size());
    } else {
        db = openOne();
    }
    try {
        // The snapshot is the file as it is now, whenever the list takes its
        // first row: its first read begins it.
        Run(db, "BEGIN");
        Run(db, "SELECT 1 FROM sqlite_master LIMIT 1");
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    ++m_lent;
    return std::unique_ptr<Lease>(new Lease(*this, db));
}

void ReadConnections::keepOneOpen()
{
    if (openCount() > 0)
        return;
    try {
        m_idle.push_back(openOne());
    } catch (const DbError&) {
    }
}

void ReadConnections::giveBack(sqlite3* db, bool smallCache)
{
    --m_lent;
    // Ending the read transaction lets the journal be moved into the file
    // past where this list read it.
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK || int(m_idle.size()) >= kKeptIdle) {
        sqlite3_close_v2(db);
        return;
    }
    if (smallCache)
        sqlite3_exec(db, QByteArray("PRAGMA cache_size = -" + QByteArray::number(kCacheKb)).constData(), nullptr,
                     nullptr, nullptr);
    m_idle.push_back(db);
    releaseCaches(m_idle.size() - 1);
}

void ReadConnections::releaseCaches(size_t count)
{
    for (size_t i = 0; i < count; ++i)
        sqlite3_db_release_memory(m_idle[i]);
}

ReadConnections::Lease::~Lease() { m_pool.giveBack(m_db, m_small); }

void ReadConnections::Lease::useSmallCache()
{
    if (m_small)
        return;
    m_small = true;
    sqlite3_exec(m_db, QByteArray("PRAGMA cache_size = -" + QByteArray::number(kSmallCacheKb)).constData(), nullptr,
                 nullptr, nullptr);
    sqlite3_db_release_memory(m_db);
}
