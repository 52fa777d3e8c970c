#include "data/read_connections.h"

#include "data/database.h"

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <QTimer>
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
        db = m_idle.back();
        m_idle.pop_back();
    } else {
        db = openOne();
    }
    try {
        // Deferred: the snapshot is the file as it is at the list's first step.
        Run(db, "BEGIN");
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

void ReadConnections::giveBack(sqlite3* db)
{
    --m_lent;
    // Ending the read transaction lets the journal be moved into the file
    // past where this list read it.
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK || int(m_idle.size()) >= kKeptIdle) {
        sqlite3_close_v2(db);
        return;
    }
    m_idle.push_back(db);
}

ReadConnections::Lease::~Lease() { m_pool.giveBack(m_db); }

// ---------------------------------------------------------------- Database

bool Database::readsOwnSnapshots()
{
    // Inside a transaction a list must see what it wrote so far.
    if (m_mode != Mode::Open || inTransaction())
        return false;
    // A file left plain for a copy (singleFile) has no journal written ahead:
    // a reader there would keep every write waiting.
    sqlite3_stmt* st = nullptr;
    bool wal = false;
    if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        wal = qstricmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "wal") == 0;
    sqlite3_finalize(st);
    return wal;
}

ReadConnections& Database::readConnections()
{
    if (!m_readConnections)
        m_readConnections = std::make_unique<ReadConnections>(m_path, m_key, m_key.isEmpty() ? 0 : pageSize(),
                                                               m_dialect.registerFunctions);
    return *m_readConnections;
}

void Database::openReadConnectionWhenIdle()
{
    // Dropped with the database if it closes first.
    QTimer::singleShot(0, m_idle.get(), [this] {
        if (readsOwnSnapshots())
            readConnections().keepOneOpen();
    });
}

void Database::closeReadConnections()
{
    // A handler may end other readers as well as its own: look again each time.
    for (;;) {
        const auto it = std::find_if(m_readers.begin(), m_readers.end(),
                                     [](const RowReader* r) { return r->m_beforeWrite && r->m_lease; });
        if (it == m_readers.end())
            break;
        std::function<void()> handler = std::move((*it)->m_beforeWrite);
        (*it)->m_beforeWrite = nullptr;
        handler();
    }
    // Readers left without a handler read no further.
    const std::vector<RowReader*> left = m_readers;
    for (RowReader* r : left) {
        if (r->m_lease) {
            std::erase(m_readers, r);
            r->detach();
        }
    }
    m_readConnections.reset();
}

// ---------------------------------------------------------------- RowReader

RowReader::RowReader(Database& db, const QString& sql, OwnSnapshot)
    : m_db(&db),
      m_ownSnapshot(true)
{
    m_lease = db.readConnections().lease();
    const QByteArray utf8 = db.translate(sql).toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_lease->handle(), utf8.constData(), int(utf8.size()), &st, &tail) != SQLITE_OK || !st) {
        const QString msg = st
            ? EngineText(m_lease->handle())
            : (sqlite3_errcode(m_lease->handle()) != SQLITE_OK ? EngineText(m_lease->handle())
                                                               : QStringLiteral("空语句 (empty statement)"));
        sqlite3_finalize(st);
        throw DbError(msg);
    }
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            sqlite3_finalize(st);
            throw DbError(QStringLiteral("只能执行一条SQL语句 (only one statement per call)"));
        }
    }
    start(st);
}

void RowReader::releaseSnapshot()
{
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_lease.reset();
}

qint64 RowReader::countWithin(const QString& countSql, int budget, bool inSnapshot)
{
    if (!m_db)
        return -1;
    sqlite3* db = m_lease && inSnapshot ? m_lease->handle() : m_db->handle();
    const QByteArray utf8 = m_db->translate(countSql).toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        return -1;
    }
    // Called every thousand steps: past the budget the count is given up.
    int left = budget;
    sqlite3_progress_handler(
        db, 1000, [](void* p) { return --*static_cast<int*>(p) < 0 ? 1 : 0; }, &left);
    qint64 n = -1;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) == SQLITE_INTEGER)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return n;
}
