#include "dialogs/lookups.h"

#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "platform/msgbox.h"

QString GetStr(const QString& sql, bool* failed)
{
    if (failed)
        *failed = false;
    try {
        return GetFieldStrOrThrow(sql);
    } catch (const std::exception& e) {
        if (failed)
            *failed = true;
        MsgBox(LangStr("GetStr执行错误!系统返回如下信息：") + QChar(13) + QString::fromUtf8(e.what()),
               vbStyle::Information, gMsgTitle);
        return QString();
    }
}

double GetVal(const QString& sql, bool* failed)
{
    if (failed)
        *failed = false;
    try {
        return GetFieldValOrThrow(sql);
    } catch (const std::exception& e) {
        if (failed)
            *failed = true;
        MsgBox(LangStr("GetVal执行错误!系统返回如下信息：") + QChar(13) + QString::fromUtf8(e.what()),
               vbStyle::Information, gMsgTitle);
        return 0;
    }
}

QString GetNameByCode(QString& code, const QString& table)
{
    SqlText(code);
    if (code.isEmpty())
        return QString();
    code = CodeOf(code);
    return GetStr("select F2 from " + table + " where F1=" + SqlQuote(code));
}
