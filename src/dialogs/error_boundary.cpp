#include "dialogs/error_boundary.h"

#include "data/database.h"
#include "data/globals.h"
#include "platform/msgbox.h"

void ShowDbFailure(const QString& prefix, const DbError& e)
{
    MsgBox(prefix + QLatin1Char('\r') + e.message(), vbStyle::Information, gMsgTitle);
}

bool RunWrite(const QString& prefix, const std::function<void()>& write)
{
    try {
        Transaction t(Db());
        write();
        t.commit();
    } catch (const DbError& e) {
        ShowDbFailure(prefix, e);
        return false;
    }
    return true;
}

bool RunGuarded(const QString& prefix, const std::function<void()>& command)
{
    try {
        command();
    } catch (const DbError& e) {
        ShowDbFailure(prefix, e);
        return false;
    }
    return true;
}
