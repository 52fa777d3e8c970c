#include "data/globals.h"

std::unique_ptr<Database> gDb;
QString gAppPath;
QString gDbPath;
QString gUserCode;
QString gUserName;
QString gMsgTitle;
bool gCanEditShipped = false;
bool gCanSeePrices = false;
bool gCanEditAccounts = false;
EditingFlag gEditing;
QString gMoneyFmt;
int gLangFlag = 0;

void EditingFlag::set(const void* owner, bool editing)
{
    if (editing)
        m_owners.insert(owner);
    else
        m_owners.remove(owner);
}

Database& Db()
{
    if (!gDb)
        throw DbError(QStringLiteral("数据库没有打开。"));
    return *gDb;
}
