#include "data/statement.h"

#include "data/database.h"
#include "data/sqltext.h"

#include <sqlcipher/sqlite3.h>

namespace {

QString engineText(Database& db) { return Database::failureText(db.handle()); }

} // namespace

Statement::Statement(Database& db, const QString& nativeSql)
    : m_db(db)
{
    const QByteArray utf8 = nativeSql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db.handle(), utf8.constData(), int(utf8.size()), &m_stmt, &tail) != SQLITE_OK) {
        const QString msg = engineText(db);
        sqlite3_finalize(m_stmt);
        throw DbError(msg);
    }
    if (!m_stmt)
        throw DbError(QStringLiteral("空语句 (empty statement)"));
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            sqlite3_finalize(m_stmt);
            throw DbError(QStringLiteral("只能执行一条SQL语句 (only one statement per call)"));
        }
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::check(int rc)
{
    if (rc != SQLITE_OK)
        throw DbError(engineText(m_db));
}

void Statement::bind(int index, const QString& text)
{
    // constData() of an empty array is "", never null: "" stays text.
    const QByteArray utf8 = text.toUtf8();
    check(sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
}

void Statement::bind(int index, double number)
{
    check(sqlite3_bind_double(m_stmt, index, number));
}

void Statement::bindInt64(int index, qint64 number)
{
    check(sqlite3_bind_int64(m_stmt, index, number));
}

void Statement::bindLiteralNumber(int index, double number)
{
    const QString literal = SqlNum(number);
    bool whole = false;
    const qint64 n = literal.toLongLong(&whole);
    if (whole)
        bindInt64(index, n);
    else
        bind(index, literal.toDouble());
}

void Statement::bindUtf8InPlace(int index, std::string_view utf8)
{
    check(sqlite3_bind_text(m_stmt, index, utf8.empty() ? "" : utf8.data(), int(utf8.size()), SQLITE_STATIC));
}

void Statement::bindNull(int index)
{
    check(sqlite3_bind_null(m_stmt, index));
}

bool Statement::step()
{
    if (!sqlite3_stmt_readonly(m_stmt))
        m_db.finishOpenReads();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString msg = engineText(m_db);
    sqlite3_reset(m_stmt);
    throw DbError(msg);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

const char* Statement::columnUtf8(int col) const
{
    if (sqlite3_column_type(m_stmt, col) == SQLITE_NULL)
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
}

int Statement::columnBytes(int col) const { return sqlite3_column_bytes(m_stmt, col); }

QString Statement::columnText(int col) const
{
    const char* p = columnUtf8(col);
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col)) : QString();
}

double Statement::columnDouble(int col) const
{
    return sqlite3_column_double(m_stmt, col);
}

qint64 Statement::columnInt64(int col) const
{
    return sqlite3_column_int64(m_stmt, col);
}

bool Statement::columnIsNumber(int col) const
{
    const int type = sqlite3_column_type(m_stmt, col);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

bool Statement::columnIsText(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_TEXT; }

bool Statement::columnIsNull(int col) const
{
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::run()
{
    while (step()) {
    }
    const int changed = sqlite3_changes(sqlite3_db_handle(m_stmt));
    reset();
    return changed;
}
