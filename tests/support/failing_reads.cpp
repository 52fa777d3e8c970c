#include "support/failing_reads.h"

#include "data/globals.h"

#include <sqlcipher/sqlite3.h>

FailingReads::FailingReads(const QString& table, const QString& column, int allowed)
    : m_table(table.toUtf8()), m_column(column.toUtf8()), m_allowed(allowed)
{
    sqlite3_set_authorizer(Db().handle(), &FailingReads::authorize, this);
}

FailingReads::~FailingReads()
{
    sqlite3_set_authorizer(Db().handle(), nullptr, nullptr);
}

int FailingReads::authorize(void* self, int action, const char* table, const char* column, const char*, const char*)
{
    auto* f = static_cast<FailingReads*>(self);
    if (action != SQLITE_READ || qstricmp(table, f->m_table.constData()) != 0 || qstricmp(column, f->m_column.constData()) != 0)
        return SQLITE_OK;
    return f->m_allowed-- > 0 ? SQLITE_OK : SQLITE_DENY;
}
