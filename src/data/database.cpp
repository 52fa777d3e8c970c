#include "database.h"

#include "sqltext.h"
#include "vb.h"

#include <QFileInfo>
#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------- Value

QString Value::toString() const
{
    switch (m_kind) {
    case Null: return QString();
    case Integer: return QString::number(m_int);
    case Real: return CStr(m_real);
    case Text: return m_text;
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
        const double v = m_text.trimmed().toDouble(&good);
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
        return m_text.compare("True", Qt::CaseInsensitive) == 0 || toDouble() != 0;
    return toDouble() != 0;
}

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

// ---------------------------------------------------------------- functions

namespace {

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

// Jet LIKE: * any run, ? one character, # one digit, [abc] [a-z] [!abc]; no case.
bool jetLike(const QString& pat, int pi, const QString& s, int si)
{
    while (pi < pat.size()) {
        const QChar p = pat[pi];
        if (p == '*') {
            while (pi < pat.size() && pat[pi] == '*')
                ++pi;
            if (pi == pat.size())
                return true;
            for (int k = si; k <= s.size(); ++k)
                if (jetLike(pat, pi, s, k))
                    return true;
            return false;
        }
        if (si >= s.size())
            return false;
        const QChar c = s[si];
        if (p == '?') {
            ++pi;
            ++si;
            continue;
        }
        if (p == '#') {
            if (!c.isDigit())
                return false;
            ++pi;
            ++si;
            continue;
        }
        if (p == '[') {
            const int close = pat.indexOf(']', pi + 1);
            if (close < 0) {
                // An unclosed bracket is taken literally.
                if (c != p)
                    return false;
                ++pi;
                ++si;
                continue;
            }
            QString set = pat.mid(pi + 1, close - pi - 1);
            bool negate = false;
            if (set.startsWith('!')) {
                negate = true;
                set.remove(0, 1);
            }
            bool hit = false;
            const QChar lc = c.toLower();
            for (int k = 0; k < set.size(); ++k) {
                if (k + 2 < set.size() && set[k + 1] == '-') {
                    if (lc >= set[k].toLower() && lc <= set[k + 2].toLower())
                        hit = true;
                    k += 2;
                } else if (set[k].toLower() == lc) {
                    hit = true;
                }
            }
            if (set.isEmpty())
                hit = false;
            if (hit == negate)
                return false;
            pi = close + 1;
            ++si;
            continue;
        }
        if (p.toLower() != c.toLower() && p.toCaseFolded() != c.toCaseFolded())
            return false;
        ++pi;
        ++si;
    }
    return si == s.size();
}

void likeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // like(pattern, text) as the LIKE operator calls it.
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, jetLike(argText(argv[0]), 0, argText(argv[1]), 0) ? 1 : 0);
}

std::optional<QDateTime> argDate(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        // A Jet serial day number: 1899-12-30 plus days.
        const double d = sqlite3_value_double(v);
        return QDateTime(QDate(1899, 12, 30).addDays(qint64(std::floor(d))), QTime(0, 0));
    }
    default: return ParseDateText(argText(v));
    }
}

void datediffFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const QString interval = argText(argv[0]).toLower();
    const auto a = argDate(argv[1]);
    const auto b = argDate(argv[2]);
    if (!a || !b) {
        sqlite3_result_null(ctx);
        return;
    }
    qint64 r = 0;
    if (interval == "d" || interval == "y" || interval == "w")
        r = a->date().daysTo(b->date());
    else if (interval == "m")
        r = (b->date().year() - a->date().year()) * 12 + (b->date().month() - a->date().month());
    else if (interval == "yyyy")
        r = b->date().year() - a->date().year();
    else if (interval == "ww")
        r = a->date().daysTo(b->date()) / 7;
    else if (interval == "h")
        r = a->secsTo(*b) / 3600;
    else if (interval == "n")
        r = a->secsTo(*b) / 60;
    else if (interval == "s")
        r = a->secsTo(*b);
    else {
        sqlite3_result_error(ctx, "datediff: unknown interval", -1);
        return;
    }
    sqlite3_result_int64(ctx, r);
}

void datePartFunc(sqlite3_context* ctx, sqlite3_value* v, int part)
{
    const auto d = argDate(v);
    if (!d) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, part == 0 ? d->date().year() : part == 1 ? d->date().month() : d->date().day());
}

void registerFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunc, nullptr, nullptr);
    sqlite3_create_function(db, "datediff", 3, flags, nullptr, datediffFunc, nullptr, nullptr);
    sqlite3_create_function(db, "year", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 0); }, nullptr, nullptr);
    sqlite3_create_function(db, "month", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 1); }, nullptr, nullptr);
    sqlite3_create_function(db, "day", 1, flags, nullptr,
        [](sqlite3_context* c, int, sqlite3_value** a) { datePartFunc(c, a[0], 2); }, nullptr, nullptr);
}

QString engineText(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace

// ---------------------------------------------------------------- Database

struct Database::Stmt {
    sqlite3_stmt* s = nullptr;
    ~Stmt() { sqlite3_finalize(s); }
    Stmt() = default;
    Stmt(Stmt&& o) noexcept : s(o.s) { o.s = nullptr; }
    Stmt(const Stmt&) = delete;
};

Database::~Database()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& key)
{
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("找不到文件 '%1'。").arg(path));
    std::unique_ptr<Database> db(new Database);
    db->m_path = path;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db->m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db->m_db ? engineText(db->m_db) : QStringLiteral("cannot open");
        throw DbError(QStringLiteral("不能打开数据库 '%1': %2").arg(path, msg));
    }
    db->configure(key, false);
    return db;
}

std::unique_ptr<Database> Database::create(const QString& path, const QString& key)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("文件已经存在 '%1'。").arg(path));
    std::unique_ptr<Database> db(new Database);
    db->m_path = path;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db->m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(db->m_db ? engineText(db->m_db) : QStringLiteral("cannot create"));
    db->configure(key, true);
    return db;
}

void Database::configure(const QString& key, bool creating)
{
    if (!key.isEmpty()) {
        const QByteArray k = key.toUtf8();
        if (sqlite3_key(m_db, k.constData(), k.size()) != SQLITE_OK)
            throw DbError(engineText(m_db));
    }
    // The first read tells a wrong key or a damaged file.
    char* err = nullptr;
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
        QString msg = err ? QString::fromUtf8(err) : engineText(m_db);
        sqlite3_free(err);
        throw DbError(QStringLiteral("不可识别的数据库格式 '%1'。(%2)").arg(m_path, msg));
    }
    sqlite3_busy_timeout(m_db, 5000);
    executeNative(QStringLiteral("PRAGMA journal_mode=DELETE"));
    executeNative(QStringLiteral("PRAGMA synchronous=FULL"));
    registerFunctions(m_db);
    Q_UNUSED(creating);
}

Database::Stmt Database::prepare(const QString& nativeSql)
{
    Stmt st;
    const QByteArray utf8 = nativeSql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size(), &st.s, &tail) != SQLITE_OK)
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
    Stmt st = prepare(TranslateJet(sql));
    RecordSet rs;
    const int cols = sqlite3_column_count(st.s);
    for (int c = 0; c < cols; ++c)
        rs.m_names.append(QString::fromUtf8(sqlite3_column_name(st.s, c)));
    int rc;
    rs.m_values.reserve(size_t(cols) * 64);
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st.s, c)) {
            case SQLITE_INTEGER: rs.m_values.push_back(Value::fromInteger(sqlite3_column_int64(st.s, c))); break;
            case SQLITE_FLOAT: rs.m_values.push_back(Value::fromReal(sqlite3_column_double(st.s, c))); break;
            case SQLITE_NULL: rs.m_values.emplace_back(); break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.s, c));
                rs.m_values.push_back(Value::fromText(QString::fromUtf8(p, sqlite3_column_bytes(st.s, c))));
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

int Database::execute(const QString& sql)
{
    Stmt st = prepare(TranslateJet(sql));
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw DbError(engineText(m_db));
    return sqlite3_changes(m_db);
}

void Database::executeNative(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : engineText(m_db);
        sqlite3_free(err);
        throw DbError(msg);
    }
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
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("tx%1").arg(++counter);
    m_db.executeNative(QStringLiteral("SAVEPOINT ") + m_name);
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    try {
        m_db.executeNative(QStringLiteral("ROLLBACK TO ") + m_name);
        m_db.executeNative(QStringLiteral("RELEASE ") + m_name);
    } catch (...) {
        // Nothing more can be done from a destructor; the outermost savepoint's
        // rollback is what matters and it has been attempted.
    }
}

void Transaction::commit()
{
    m_db.executeNative(QStringLiteral("RELEASE ") + m_name);
    m_done = true;
}
