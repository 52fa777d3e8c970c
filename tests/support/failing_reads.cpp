#include "support/failing_reads.h"

#include "data/globals.h"

#include <sqlcipher/sqlite3.h>

FailingReads::FailingReads(const QString& table, const QString& column, int allowed)
    : m_table(table.toUtf8())
    , m_column(column.toUtf8())
    , m_allowed(allowed)
{
    sqlite3_set_authorizer(Db().handle(), &FailingReads::authorize, this);
}

FailingReads::~FailingReads()
{
    sqlite3_set_authorizer(Db().handle(), nullptr, nullptr);
}

int FailingReads::authorize(void* self, int action, const char* a, const char* b, const char*, const char*)
{
    auto* f = static_cast<FailingReads*>(self);
    if (action != SQLITE_READ || !a || !b || qstricmp(a, f->m_table.constData()) != 0
        || qstricmp(b, f->m_column.constData()) != 0)
        return SQLITE_OK;
    if (f->m_allowed > 0) {
        --f->m_allowed;
        return SQLITE_OK;
    }
    ++f->m_refused;
    return SQLITE_DENY;
}
