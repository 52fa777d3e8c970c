#include "data/database.h"

#include "platform/vb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <string_view>
#include <utility>

// ---------------------------------------------------------------- Value

Value Value::fromText(const QString& v)
{
    const QByteArray utf8 = v.toUtf8();
    Value x;
    x.m_kind = Text;
    x.m_size = quint32(utf8.size());
    char* p = new char[utf8.size() + 1];
    std::memcpy(p, utf8.constData(), size_t(utf8.size()) + 1);
    x.m_utf8 = p;
    x.m_owned = true;
    return x;
}

// A copy owns its text, so it stays valid after the record set it came from is gone.
void Value::copyFrom(const Value& o)
{
    m_kind = o.m_kind;
    m_size = o.m_size;
    m_owned = o.m_kind == Text;
    if (m_owned) {
        char* p = new char[o.m_size + 1];
        std::memcpy(p, o.m_utf8, o.m_size);
        p[o.m_size] = '\0';
        m_utf8 = p;
    } else {
        m_int = o.m_int; // copies whichever member is in use, bit for bit
    }
}

void Value::takeFrom(Value& o) noexcept
{
    m_kind = o.m_kind;
    m_size = o.m_size;
    m_owned = o.m_owned;
    m_int = o.m_int;
    o.m_owned = false;
    o.m_kind = Null;
}

void Value::release() noexcept
{
    if (m_owned)
        delete[] m_utf8;
    m_owned = false;
}

Value& Value::operator=(const Value& o)
{
    if (this != &o) {
        release();
        copyFrom(o);
    }
    return *this;
}

Value& Value::operator=(Value&& o) noexcept
{
    if (this != &o) {
        release();
        takeFrom(o);
    }
    return *this;
}

QString Value::toString() const
{
    switch (m_kind) {
    case Null: return QString();
    case Integer: return QString::number(m_int);
    case Real: return CStr(m_real);
    case Text: return QString::fromUtf8(m_utf8, qsizetype(m_size));
    }
    return QString();
}

double Value::toDouble(bool* ok) const
{
    if (ok)
        *ok = true;
    switch (m_kind) {
    case Null: return 0;
    case Integer: return double(m_int);
    case Real: return m_real;
    case Text: {
        bool good = false;
        double v = toString().trimmed().toDouble(&good);
        if (!std::isfinite(v))
            good = false;
        if (ok)
            *ok = good;
        return good ? v : 0;
    }
    }
    return 0;
}

bool Value::toBool() const
{
    if (m_kind == Text)
        return toString().compare("True", Qt::CaseInsensitive) == 0 || toDouble() != 0;
    return toDouble() != 0;
}

// The UTF-8 bytes of a record set's text values, in blocks that never move.
struct RecordSet::TextStore {
    static constexpr size_t kBlock = 256 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks;
    char* free = nullptr;
    size_t left = 0;

    const char* add(const char* p, size_t n)
    {
        if (n > left) {
            if (n > kBlock / 4) {
                // A long text gets a block of its own; the current block stays in use.
                blocks.emplace_back(new char[n]);
                std::memcpy(blocks.back().get(), p, n);
                return blocks.back().get();
            }
            blocks.emplace_back(new char[kBlock]);
            free = blocks.back().get();
            left = kBlock;
        }
        char* out = free;
        std::memcpy(out, p, n);
        free += n;
        left -= n;
        return out;
    }
};

// ---------------------------------------------------------------- RecordSet

int RecordSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const Value& RecordSet::field(int i) const
{
    if (eof() || bof())
        throw DbError(QStringLiteral("无当前记录。"));
    if (i < 0 || i >= m_names.size())
        throw DbError(QStringLiteral("在此集合中找不到项目。"));
    return at(m_pos, i);
}

const Value& RecordSet::field(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbError(QStringLiteral("在此集合中找不到项目。 (%1)").arg(name));
    return field(i);
}

namespace {

QString engineText(sqlite3* db) { return Database::failureText(db); }

} // namespace

QString Database::failureText(sqlite3* db)
{
    if ((sqlite3_extended_errcode(db) & 0xff) == SQLITE_BUSY)
        return QStringLiteral(
                   "数据文件正被另一个正在运行的本程序写入，本操作等了%1秒仍未轮到，没有写入任何内容。请稍后再试。")
            .arg(kBusyTimeoutMs / 1000);
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// ---------------------------------------------------------------- Database

struct Database::Stmt {
    sqlite3_stmt* s = nullptr;
    ~Stmt() { sqlite3_finalize(s); }
    Stmt() = default;
    Stmt(Stmt&& o) noexcept : s(o.s) { o.s = nullptr; }
    Stmt(const Stmt&) = delete;
};

Database::Database()
    : m_idle(std::make_unique<QObject>())
{
}

Database::~Database()
{
    for (RowReader* reader : m_readers)
        reader->detach();
    // The lent connections close before this one, which is the last to
    // leave the file and so moves the journal into it.
    m_readConnections.reset();
    m_idle.reset(); // a checkpoint still waiting for idle time is dropped: closing does it
    if (m_db)
        sqlite3_close_v2(m_db);
}

namespace {
// Pages in the write-ahead journal after which it is moved into the file when
// the program is next idle, and after which that is done at once.
constexpr int kCheckpointWhenIdle = 1000;
constexpr int kCheckpointNow = 16000;
} // namespace

int Database::journalGrew(void* self, sqlite3* db, const char* name, int pages)
{
    auto* d = static_cast<Database*>(self);
    const bool idleTime = QCoreApplication::instance() != nullptr;
    if (pages >= kCheckpointNow) {
        // A list holding a snapshot from before the journal's last move keeps
        // it from starting again: past the bound each lets its snapshot go,
        // so that the next move takes all of it and the next write starts
        // the journal from the top. That move writes what the lists held
        // back: the program does it when next idle, not in this save (and no
        // list takes a new snapshot before it), unless the journal passed
        // the bound again with no idle time between.
        if (d->letSnapshotsGo() && idleTime && !d->m_checkpointPending) {
            d->m_restartPending = true;
            d->checkpointWhenIdle();
            return SQLITE_OK;
        }
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages >= kCheckpointWhenIdle && !idleTime) {
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages >= kCheckpointWhenIdle && !d->m_checkpointPending) {
        d->checkpointWhenIdle();
    }
    return SQLITE_OK;
}

void Database::checkpointWhenIdle()
{
    m_checkpointPending = true;
    QTimer::singleShot(0, m_idle.get(), [this] {
        m_checkpointPending = false;
        checkpoint();
    });
}

void Database::checkpointBeforeSnapshot()
{
    if (!m_restartPending)
        return;
    checkpoint();
}

void Database::checkpoint()
{
    // Passive: whatever a reader still needs stays in the journal for later.
    m_restartPending = false;
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

namespace {
// The encrypted page size the program writes, and the one files had before it.
constexpr int kPageSize = 4096;
constexpr int kOldPageSize = 1024;
} // namespace

std::unique_ptr<Database> Database::open(const QString& path, const QString& key, const SqlDialect& dialect)
{
    return openFile(path, key, Mode::Open, kPageSize, dialect);
}

std::unique_ptr<Database> Database::openReadOnly(const QString& path, const QString& key, const SqlDialect& dialect)
{
    try {
        return openFile(path, key, Mode::ReadOnly, kPageSize, dialect);
    } catch (const DbError&) {
        if (key.isEmpty())
            throw;
        // An older file's pages: if they do not read either, the first
        // failure is the one to report.
        std::exception_ptr first = std::current_exception();
        try {
            return openFile(path, key, Mode::ReadOnly, kOldPageSize, dialect);
        } catch (const DbError&) {
            std::rethrow_exception(first);
        }
    }
}

std::unique_ptr<Database> Database::openAsFound(const QString& path, const QString& key, const SqlDialect& dialect, int pageSize)
{
    if (pageSize != 0 || key.isEmpty())
        return openFile(path, key, Mode::AsFound, pageSize != 0 ? pageSize : kPageSize, dialect);
    try {
        return openFile(path, key, Mode::AsFound, kPageSize, dialect);
    } catch (const DbError&) {
        std::exception_ptr first = std::current_exception();
        try {
            return openFile(path, key, Mode::AsFound, kOldPageSize, dialect);
        } catch (const DbError&) {
            std::rethrow_exception(first);
        }
    }
}

std::unique_ptr<Database> Database::create(const QString& path, const QString& key, const SqlDialect& dialect)
{
    return openFile(path, key, Mode::Create, kPageSize, dialect);
}

std::unique_ptr<Database> Database::openFile(const QString& path, const QString& key, Mode mode, int pageSize,
                                             const SqlDialect& dialect)
{
    if (mode == Mode::Create && QFileInfo::exists(path))
        throw DbError(QStringLiteral("文件已经存在 '%1'。").arg(path));
    if (mode != Mode::Create && !QFileInfo(path).isFile())
        throw DbError(QStringLiteral("找不到文件 '%1'。").arg(path));
    std::unique_ptr<Database> db(new Database);
    db->m_path = path;
    db->m_key = key;
    db->m_mode = mode;
    db->m_dialect = dialect;
    // The program uses its connection from one thread only: no per-call locking.
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
        | (mode == Mode::Create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    // Read-only is also "immutable": the engine then reads the file as it lies
    // and creates no journal or index beside it, whatever its journal mode.
    const QByteArray name = mode == Mode::ReadOnly
        ? (QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1")).toUtf8()
        : path.toUtf8();
    const int rc = sqlite3_open_v2(name.constData(), &db->m_db, flags | (mode == Mode::ReadOnly ? SQLITE_OPEN_URI : 0), nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db->m_db ? engineText(db->m_db) : QStringLiteral("cannot open");
        if (mode == Mode::Create)
            throw DbError(msg);
        throw DbError(QStringLiteral("不能打开数据库 '%1': %2").arg(path, msg));
    }
    db->configure(key, mode, pageSize);
    return db;
}

void Database::configure(const QString& key, Mode mode, int pageSize)
{
    if (!key.isEmpty()) {
        const QByteArray k = key.toUtf8();
        if (sqlite3_key(m_db, k.constData(), int(k.size())) != SQLITE_OK)
            throw DbError(engineText(m_db));
        // 4 KB encrypted pages: a quarter of the page decryptions of the default
        // 1 KB on every large read or rewrite. Data files are written with it.
        char* err = nullptr;
        const QByteArray pragma = "PRAGMA cipher_page_size = " + QByteArray::number(pageSize);
        if (sqlite3_exec(m_db, pragma.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = err ? QString::fromUtf8(err) : engineText(m_db);
            sqlite3_free(err);
            throw DbError(msg);
        }
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // The first read tells a wrong key or a damaged file. A file without a single
    // table (an emptied or truncated copy) is no data file either; left alone it
    // would fail later on every query instead of at open.
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    qint64 tables = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            tables = sqlite3_column_int64(st, 0);
            rc = SQLITE_OK;
        }
    }
    const QString msg = engineText(m_db);
    sqlite3_finalize(st);
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("不可识别的数据库格式 '%1'。(%2)").arg(m_path, msg));
    if (tables == 0 && mode != Mode::Create)
        throw DbError(QStringLiteral("不可识别的数据库格式 '%1'。(the file holds no tables)").arg(m_path));
    // A write-ahead journal: rewriting a party's balances writes each changed
    // page once, where a rollback journal first copies every page it will
    // change. A new file is written plain (one file, nothing beside it);
    // singleFile() returns an open one to that state for a copy.
    if (mode == Mode::Open || mode == Mode::Create) {
        executeNative(mode == Mode::Create ? QStringLiteral("PRAGMA journal_mode=DELETE") : QStringLiteral("PRAGMA journal_mode=WAL"));
        executeNative(QStringLiteral("PRAGMA synchronous=FULL"));
        // In place of the engine's own checkpoint after the commit that fills
        // the journal: a large save would wait for it.
        if (mode == Mode::Open) {
            sqlite3_wal_hook(m_db, &Database::journalGrew, this);
            // A large write (an initialisation, a refresh of every balance) grows
            // the journal to the size of what it changed; once checkpointed it
            // is cut back instead of keeping that space beside the data file.
            executeNative(QStringLiteral("PRAGMA journal_size_limit=67108864"));
        }
    }
    // Every page read is decrypted: keep up to 64 MB of them (taken only as
    // needed). A party's balances lie together in the ledger and fit in it;
    // reading a whole large table goes by without holding the table twice.
    executeNative(QStringLiteral("PRAGMA cache_size=-65536"));
    if (m_dialect.registerFunctions)
        m_dialect.registerFunctions(m_db);
}

Database::Stmt Database::prepare(const QString& nativeSql)
{
    Stmt st;
    const QByteArray utf8 = nativeSql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st.s, &tail) != SQLITE_OK)
        throw DbError(engineText(m_db));
    if (tail && *tail) {
        for (const char* p = tail; *p; ++p)
            if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
                throw DbError(QStringLiteral("只能执行一条SQL语句 (only one statement per call)"));
    }
    if (!st.s)
        throw DbError(QStringLiteral("空语句 (empty statement)"));
    return st;
}

RecordSet Database::openRecordset(const QString& sql)
{
    Stmt st = prepare(translate(sql));
    RecordSet rs;
    const int cols = sqlite3_column_count(st.s);
    for (int c = 0; c < cols; ++c)
        rs.m_names.append(QString::fromUtf8(sqlite3_column_name(st.s, c)));
    int rc;
    rs.m_text = std::make_shared<RecordSet::TextStore>();
    RecordSet::TextStore& text = *rs.m_text;
    rs.m_values.reserve(size_t(cols) * 256);
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st.s, c)) {
            case SQLITE_INTEGER: rs.m_values.push_back(Value::fromInteger(sqlite3_column_int64(st.s, c))); break;
            case SQLITE_FLOAT: rs.m_values.push_back(Value::fromReal(sqlite3_column_double(st.s, c))); break;
            case SQLITE_NULL: rs.m_values.emplace_back(); break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.s, c));
                const int n = sqlite3_column_bytes(st.s, c);
                rs.m_values.push_back(Value::fromUtf8View(n > 0 ? text.add(p, size_t(n)) : "", quint32(n)));
            }
            }
        }
        ++rs.m_rows;
    }
    if (rc != SQLITE_DONE)
        throw DbError(engineText(m_db));
    rs.m_pos = 0;
    return rs;
}

std::string_view RowView::text(int col) const
{
    const Value& v = m_values[size_t(col)];
    switch (v.kind()) {
    case Value::Null: return {};
    case Value::Text: return v.utf8();
    default: {
        QByteArray& out = m_numbers[size_t(col)];
        out = v.toString().toUtf8();
        return std::string_view(out.constData(), size_t(out.size()));
    }
    }
}

qint64 Database::forEachRow(const QString& sql, const std::function<bool(const RowView&)>& fn, QStringList* names)
{
    RowReader reader(*this, sql);
    if (names)
        *names = reader.names();
    return reader.read(std::numeric_limits<qint64>::max(), fn);
}

RowReader::RowReader(Database& db, const QString& sql)
    : m_db(&db)
{
    Database::Stmt st = db.prepare(db.translate(sql));
    start(std::exchange(st.s, nullptr));
}

void RowReader::start(sqlite3_stmt* st)
{
    m_stmt = st;
    m_db->m_readers.push_back(this);
    const int cols = sqlite3_column_count(m_stmt);
    for (int c = 0; c < cols; ++c)
        m_names.append(QString::fromUtf8(sqlite3_column_name(m_stmt, c)));
    m_row.m_values.resize(size_t(cols));
    m_row.m_numbers.resize(size_t(cols));
}

RowReader::~RowReader()
{
    if (m_db)
        std::erase(m_db->m_readers, this);
    endCount();
    sqlite3_finalize(m_stmt);
}

void RowReader::detach()
{
    endCount();
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_lease.reset();
    m_db = nullptr;
    m_beforeWrite = nullptr;
}

namespace {
// A column of the current row, its text viewed where the engine holds it.
Value ColumnValue(sqlite3_stmt* st, int c)
{
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_INTEGER: return Value::fromInteger(sqlite3_column_int64(st, c));
    case SQLITE_FLOAT: return Value::fromReal(sqlite3_column_double(st, c));
    case SQLITE_NULL: return Value();
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        const int bytes = sqlite3_column_bytes(st, c);
        return Value::fromUtf8View(bytes > 0 ? p : "", quint32(bytes));
    }
    }
}
} // namespace

void RowReader::keepLastColumns(int n)
{
    const int all = int(m_row.m_values.size()) + m_keep;
    m_keep = std::clamp(n, 0, all);
    m_row.m_values.resize(size_t(all - m_keep));
    m_row.m_numbers.resize(size_t(all - m_keep));
    m_names = m_names.mid(0, all - m_keep);
}

qint64 RowReader::read(qint64 maxRows, const std::function<bool(const RowView&)>& fn)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据文件已经关闭 (the data file was closed)"));
    if (!m_stmt && !m_end)
        throw DbError(QStringLiteral("列表已放开它的快照 (the list let its snapshot go)"));
    qint64 n = 0;
    const int cols = int(m_row.m_values.size());
    while (n < maxRows && !m_end) {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_DONE) {
            m_end = true;
            releaseSnapshot();
            break;
        }
        if (rc != SQLITE_ROW) {
            m_end = true;
            const DbError failure(engineText(sqlite3_db_handle(m_stmt)));
            releaseSnapshot();
            throw failure;
        }
        for (int c = 0; c < cols; ++c) {
            Value& v = m_row.m_values[size_t(c)];
            switch (sqlite3_column_type(m_stmt, c)) {
            case SQLITE_INTEGER: v = Value::fromInteger(sqlite3_column_int64(m_stmt, c)); break;
            case SQLITE_FLOAT: v = Value::fromReal(sqlite3_column_double(m_stmt, c)); break;
            case SQLITE_NULL: v = Value(); break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c));
                const int bytes = sqlite3_column_bytes(m_stmt, c);
                v = Value::fromUtf8View(bytes > 0 ? p : "", quint32(bytes));
            }
            }
        }
        ++n;
        if (!fn(m_row))
            break;
    }
    // Where a list goes on from: the last row's kept columns, copied.
    if (n > 0 && !m_end && m_keep > 0) {
        m_kept.resize(size_t(m_keep));
        for (int k = 0; k < m_keep; ++k) {
            const Value view = ColumnValue(m_stmt, cols + k);
            m_kept[size_t(k)] = view; // a copy: the view lasts until the next step
        }
    }
    return n;
}

void Database::finishOpenReads()
{
    // A handler may end other readers as well as its own: look again each time.
    for (;;) {
        const auto it = std::find_if(m_readers.begin(), m_readers.end(),
                                     [](const RowReader* r) { return r->m_beforeWrite && !r->m_ownSnapshot; });
        if (it == m_readers.end())
            return;
        std::function<void()> handler = std::move((*it)->m_beforeWrite);
        (*it)->m_beforeWrite = nullptr;
        handler();
    }
}

bool Database::letSnapshotsGo()
{
    // A handler may end other readers: each is looked for again before its turn.
    const std::vector<RowReader*> readers = m_readers;
    bool any = false;
    for (RowReader* r : readers) {
        if (std::find(m_readers.begin(), m_readers.end(), r) == m_readers.end() || !r->m_lease || !r->m_letGo)
            continue;
        const std::function<void()> handler = r->m_letGo;
        handler();
        any = true;
    }
    return any;
}

int Database::execute(const QString& sql)
{
    Stmt st = prepare(translate(sql));
    if (!sqlite3_stmt_readonly(st.s))
        finishOpenReads();
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw DbError(engineText(m_db));
    // sqlite3_changes() keeps the count of the last write; a query changed nothing.
    return sqlite3_stmt_readonly(st.s) ? 0 : sqlite3_changes(m_db);
}

void Database::executeNative(const QString& sql)
{
    finishOpenReads();
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const bool busy = (sqlite3_extended_errcode(m_db) & 0xff) == SQLITE_BUSY;
        const QString msg = err && !busy ? QString::fromUtf8(err) : engineText(m_db);
        sqlite3_free(err);
        throw DbError(msg);
    }
}

void Database::singleFile()
{
    if (inTransaction())
        throw DbError(QStringLiteral("事务进行中，不能整理数据文件 (a transaction is open)"));
    // The journal goes only when this is the one connection left.
    closeReadConnections();
    // Leaving the write-ahead journal moves every page into the file and
    // removes the journal and its index.
    executeNative(QStringLiteral("PRAGMA journal_mode=DELETE"));
    RecordSet rs = openRecordset(QStringLiteral("PRAGMA journal_mode"));
    if (rs.eof() || rs.field(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        throw DbError(QStringLiteral("数据文件的日志没能写回 (journal mode %1)").arg(rs.eof() ? QString() : rs.field(0).toString()));
}

void Database::useWriteAheadJournal()
{
    executeNative(QStringLiteral("PRAGMA journal_mode=WAL"));
}

int Database::pageSize()
{
    Stmt st = prepare(QStringLiteral("PRAGMA cipher_page_size"));
    if (sqlite3_step(st.s) != SQLITE_ROW)
        throw DbError(engineText(m_db));
    return sqlite3_column_int(st.s, 0);
}

void Database::copyWithProgramPages(const QString& from, int fromPageSize, const QString& to, const QString& key)
{
    if (QFileInfo::exists(to))
        throw DbError(QStringLiteral("文件已经存在 '%1'。").arg(to));
    // A file that is no data file under these pages fails here, as at any open.
    openFile(from, key, Mode::ReadOnly, fromPageSize, SqlDialect()).reset();
    // Opened for writing (and creating: it exists) only because an attached
    // file takes the main file's access; nothing is written to it.
    sqlite3* db = nullptr;
    const QByteArray name = from.toUtf8();
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString msg = db ? engineText(db) : QStringLiteral("cannot open");
        sqlite3_close_v2(db);
        throw DbError(QStringLiteral("不能打开数据库 '%1': %2").arg(from, msg));
    }
    auto run = [db](const QString& sql, const QString& bind1 = QString(), const QString& bind2 = QString()) {
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &st, nullptr);
        const QByteArray a = bind1.toUtf8(), b = bind2.toUtf8();
        if (rc == SQLITE_OK && !bind1.isNull())
            rc = sqlite3_bind_text(st, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        if (rc == SQLITE_OK && !bind2.isNull())
            rc = sqlite3_bind_text(st, 2, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            }
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        }
        const QString msg = engineText(db);
        sqlite3_finalize(st);
        if (rc != SQLITE_OK)
            throw DbError(msg);
    };
    try {
        const QByteArray k = key.toUtf8();
        if (sqlite3_key(db, k.constData(), int(k.size())) != SQLITE_OK)
            throw DbError(engineText(db));
        run(QStringLiteral("PRAGMA cipher_page_size = %1").arg(fromPageSize));
        run(QStringLiteral("ATTACH DATABASE ?1 AS converted KEY ?2"), to, key);
        run(QStringLiteral("PRAGMA converted.cipher_page_size = %1").arg(kPageSize));
        // A new file, removed whole if the copy fails: no journal beside it
        // (one left by a full disk would stay behind).
        run(QStringLiteral("PRAGMA converted.journal_mode = OFF"));
        run(QStringLiteral("SELECT sqlcipher_export('converted')"));
        run(QStringLiteral("DETACH DATABASE converted"));
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(to);
        QFile::remove(to + QStringLiteral("-journal"));
        throw;
    }
    sqlite3_close_v2(db);
}

QStringList Database::sideFiles(const QString& path)
{
    return {path + QStringLiteral("-wal"), path + QStringLiteral("-shm"), path + QStringLiteral("-journal")};
}

bool Database::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Database& db)
    : m_db(db)
{
    if (!m_db.inTransaction()) {
        m_db.executeNative(QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("tx%1").arg(++counter);
    m_db.executeNative(QStringLiteral("SAVEPOINT ") + m_name);
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    try {
        if (m_name.isEmpty()) {
            m_db.executeNative(QStringLiteral("ROLLBACK"));
        } else {
            m_db.executeNative(QStringLiteral("ROLLBACK TO ") + m_name);
            m_db.executeNative(QStringLiteral("RELEASE ") + m_name);
        }
    } catch (...) {
        // Nothing more can be done from a destructor; the outermost guard's
        // rollback is what matters and it has been attempted.
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    // A commit that fails (another copy's lock outlasting the wait) leaves
    // the transaction open: the destructor rolls it back, nothing stays.
    m_db.executeNative(m_name.isEmpty() ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + m_name);
    m_done = true;
}

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
    // A handler may end other readers as well as its own: look again each
    // time. A reader that let its snapshot go reads on from a new one.
    for (;;) {
        const auto it = std::find_if(m_readers.begin(), m_readers.end(), [](const RowReader* r) {
            return r->m_beforeWrite && (r->m_lease || (r->m_ownSnapshot && r->isLetGo()));
        });
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
    db.checkpointBeforeSnapshot();
    m_lease = db.readConnections().lease();
    start(prepareOnLease(sql));
}

sqlite3_stmt* RowReader::prepareOnLease(const QString& sql)
{
    const QByteArray utf8 = m_db->translate(sql).toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_lease->handle(), utf8.constData(), int(utf8.size()), &st, &tail) != SQLITE_OK || !st) {
        const QString msg = st
            ? engineText(m_lease->handle())
            : (sqlite3_errcode(m_lease->handle()) != SQLITE_OK ? engineText(m_lease->handle())
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
    return st;
}

void RowReader::useSmallCache()
{
    if (m_lease)
        m_lease->useSmallCache();
}

void RowReader::letSnapshotGo()
{
    endCount();
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_lease.reset();
}

void RowReader::continueWith(const QString& sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据文件已经关闭 (the data file was closed)"));
    letSnapshotGo();
    m_end = false;
    m_db->checkpointBeforeSnapshot();
    m_lease = m_db->readConnections().lease();
    m_ownSnapshot = true;
    sqlite3_stmt* st = prepareOnLease(sql);
    if (sqlite3_column_count(st) != int(m_row.m_values.size()) + m_keep) {
        sqlite3_finalize(st);
        m_lease.reset();
        throw DbError(QStringLiteral("列表的列数不同 (the list's columns differ)"));
    }
    m_stmt = st;
}

void RowReader::releaseSnapshot()
{
    endCount();
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

void RowReader::endCount()
{
    sqlite3_finalize(m_countStmt);
    m_countStmt = nullptr;
    m_countRows = 0;
}

qint64 RowReader::countSlice(const QString& rowsSql, int ms)
{
    if (!m_db || !m_lease)
        return -1;
    if (!m_countStmt) {
        const QByteArray utf8 = m_db->translate(rowsSql).toUtf8();
        const int rc = sqlite3_prepare_v2(m_lease->handle(), utf8.constData(), int(utf8.size()), &m_countStmt, nullptr);
        if (rc != SQLITE_OK || !m_countStmt) {
            endCount();
            return -1;
        }
    }
    // The clock is read every few hundred rows: a row costs well under a
    // microsecond.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (int i = 0; i < 256; ++i) {
            const int rc = sqlite3_step(m_countStmt);
            if (rc == SQLITE_ROW) {
                ++m_countRows;
                continue;
            }
            const qint64 n = rc == SQLITE_DONE ? m_countRows : -1;
            endCount();
            return n;
        }
        if (clock.elapsed() >= ms)
            return kCounting;
    }
}
